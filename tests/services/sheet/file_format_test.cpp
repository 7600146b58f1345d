// The layers under the objects: cell addresses, numeric texts, the BIFF8
// records of the workbook stream and the compound file around it.

#include "services/sheet/biff8.h"
#include "services/sheet/compound_file.h"
#include "services/sheet/workbook.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace sheet;

namespace {

unsigned U16(const std::vector<unsigned char>& b, std::size_t at) { return b[at] | b[at + 1] << 8; }
std::uint32_t U32(const std::vector<unsigned char>& b, std::size_t at) {
    return U16(b, at) | std::uint32_t(U16(b, at + 2)) << 16;
}

struct RecordInfo {
    unsigned type;
    std::size_t offset;
    std::size_t length;
};

std::vector<RecordInfo> Records(const std::vector<unsigned char>& stream) {
    std::vector<RecordInfo> out;
    for (std::size_t at = 0; at + 4 <= stream.size();) {
        RecordInfo r{U16(stream, at), at, U16(stream, at + 2)};
        out.push_back(r);
        at += 4 + r.length;
    }
    return out;
}

TEST(SheetAddresses, CellNamesAndTheirLimits) {
    EXPECT_EQ(ParseCellAddress("a1"), (CellRef{0, 0}));
    EXPECT_EQ(ParseCellAddress("Z9"), (CellRef{8, 25}));
    EXPECT_EQ(ParseCellAddress("aa10"), (CellRef{9, 26}));
    EXPECT_EQ(ParseCellAddress("$IV$65536"), (CellRef{65535, 255}));
    EXPECT_EQ(ParseCellAddress("XFD1048576"), (CellRef{1048575, 16383}));
    for (const char* bad : {"", "a", "1", "a0", "XFE1", "A1048577", "a1b", "$$a1", "a$$1", "é1", "a1 ", "AAAA1"})
        EXPECT_FALSE(ParseCellAddress(bad).has_value()) << bad;
    auto r = ParseRange("c1", "a3");
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->first, (CellRef{0, 0}));
    EXPECT_EQ(r->last, (CellRef{2, 2}));
    EXPECT_EQ(r->cellCount(), 9u);
}

TEST(SheetValues, NumericTexts) {
    EXPECT_EQ(NumberOfText(u"42"), 42.0);
    EXPECT_EQ(NumberOfText(u" -3.25 "), -3.25);
    EXPECT_EQ(NumberOfText(u"+.5"), 0.5);
    EXPECT_EQ(NumberOfText(u"5."), 5.0);
    EXPECT_EQ(NumberOfText(u"1E-2"), 0.01);
    for (const char16_t* no :
         {u"", u" ", u".", u"-", u"1e", u"1e+", u"0x10", u"inf", u"nan", u"1,000", u"12a", u"1e999", u"１２"})
        EXPECT_FALSE(NumberOfText(no).has_value());
}

TEST(SheetValues, OverlongTextsAndHugeRangesAreRefused) {
    Workbook book;
    CellRange a1{{0, 0}, {0, 0}};
    EXPECT_TRUE(book.setValue(0, a1, Text::fromBytes(std::string(kMaxCellChars, 'x'))));
    EXPECT_FALSE(book.setValue(0, a1, Text::fromBytes(std::string(kMaxCellChars + 1, 'y'))));
    ASSERT_NE(book.sheet(0).find({0, 0}), nullptr);
    EXPECT_EQ(std::get<std::u16string>(book.sheet(0).find({0, 0})->value).size(), kMaxCellChars);
    CellRange all{{0, 0}, {kGridRows - 1, kGridColumns - 1}};
    EXPECT_FALSE(book.setValue(0, all, T("x")));
    EXPECT_FALSE(book.setFormat(0, all, T("@")));
    EXPECT_EQ(book.sheet(0).cellCount(), 1u);
}

TEST(SheetValues, NumberFormatsAreLimitedToWhatTheFileHolds) {
    Workbook book;
    CellRange a1{{0, 0}, {0, 0}};
    for (std::size_t i = 1; i < kMaxFormats; ++i)
        ASSERT_TRUE(book.setFormat(0, a1, Text::fromBytes("0." + std::to_string(i))));
    EXPECT_FALSE(book.setFormat(0, a1, T("#")));
    EXPECT_TRUE(book.setFormat(0, a1, T("0.1"))) << "a format already known";
    EXPECT_TRUE(book.setFormat(0, a1, T("General")));
    auto stream = BuildWorkbookStream(book);
    ASSERT_TRUE(stream.has_value());
    std::size_t xfs = 0;
    for (const auto& r : Records(*stream)) xfs += r.type == 0x00E0;
    EXPECT_EQ(xfs, 16 + kMaxFormats - 1);
}

TEST(SheetStream, RecordsStayWithinTheLimitAndStringsContinue) {
    Workbook book;
    std::uint32_t row = 0;
    auto put = [&](const std::string& utf8) {
        CellRange at{{row, 0}, {row, 0}};
        ++row;
        book.setFormat(0, at, T("@"));
        book.setValue(0, at, Text::fromUtf8(utf8));
    };
    put(std::string(8211, 'a'));  // leaves two bytes in the SST record
    put("中文");
    std::string wide;
    for (int i = 0; i < 6000; ++i) wide += "字";
    put(wide);
    auto stream = BuildWorkbookStream(book);
    ASSERT_TRUE(stream.has_value());
    auto records = Records(*stream);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().type, 0x0809u);  // BOF
    std::size_t sst = 0, continues = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_LE(records[i].length, kMaxRecordData);
        if (records[i].type == 0x00FC) sst = i;
        if (records[i].type == 0x003C) ++continues;
    }
    ASSERT_GT(sst, 0u);
    EXPECT_EQ(records[sst].length, 8222u) << "the header of 中文 must not start in the last two bytes";
    ASSERT_EQ(continues, 2u);
    // The first CONTINUE begins with the header of 中文: length 2, wide.
    const RecordInfo& first = records[sst + 1];
    EXPECT_EQ(U16(*stream, first.offset + 4), 2u);
    EXPECT_EQ((*stream)[first.offset + 6], 1u);
    // The second begins with the character-width flag of the continued string.
    const RecordInfo& second = records[sst + 2];
    EXPECT_EQ((*stream)[second.offset + 4], 1u);
    // Whole two-byte characters only: 中文 (7 bytes), the long string's header
    // (3) and 4107 characters fill it; the other 1893 follow the flag byte.
    EXPECT_EQ(first.length, 8224u);
    EXPECT_EQ(second.length, 1u + 2 * 1893);
    EXPECT_EQ(records[sst + 3].type, 0x00FFu);  // EXTSST
    // The sheet's BOF sits where BOUNDSHEET says.
    for (const auto& r : records) {
        if (r.type != 0x0085) continue;
        EXPECT_EQ(U16(*stream, U32(*stream, r.offset + 4)), 0x0809u);
    }
}

TEST(SheetStream, BeyondTheFormatsGridNothingIsBuilt) {
    Workbook book;
    book.setValue(0, {{65536, 0}, {65536, 0}}, T("x"));
    EXPECT_FALSE(BuildWorkbookStream(book).has_value());
}

TEST(CompoundFile, ASmallStreamIsPaddedToTheCutoffWithoutMiniStream) {
    std::vector<unsigned char> data(1000, 0x5A);
    auto file = BuildCompoundFile(u"Workbook", data);
    ASSERT_TRUE(file.has_value());
    const auto& f = *file;
    // Header, one FAT sector, one directory sector, 8 sectors of stream.
    ASSERT_EQ(f.size(), 512u * 11);
    const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    EXPECT_TRUE(std::equal(signature, signature + 8, f.begin()));
    EXPECT_EQ(U16(f, 30), 9u);           // 512-byte sectors
    EXPECT_EQ(U32(f, 44), 1u);           // FAT sectors
    EXPECT_EQ(U32(f, 56), 4096u);        // mini stream cutoff
    EXPECT_EQ(U32(f, 60), 0xFFFFFFFEu);  // no mini FAT
    EXPECT_EQ(U32(f, 68), 0xFFFFFFFEu);  // no DIFAT sector
    EXPECT_EQ(U32(f, 76), 0u);           // the FAT is sector 0
    const std::size_t dir = 512 * (1 + U32(f, 48));
    EXPECT_EQ(f[dir + 66], 5u);                 // root storage
    EXPECT_EQ(U32(f, dir + 116), 0xFFFFFFFEu);  // no mini stream
    const std::size_t entry = dir + 128;
    std::u16string name;
    for (std::size_t i = 0; U16(f, entry + 2 * i); ++i) name += char16_t(U16(f, entry + 2 * i));
    EXPECT_EQ(name, u"Workbook");
    EXPECT_EQ(f[entry + 66], 2u);  // stream
    EXPECT_EQ(U32(f, entry + 120), 4096u);
    // The stream's chain in the FAT: consecutive sectors ending in ENDOFCHAIN.
    std::uint32_t s = U32(f, entry + 116);
    std::size_t sectors = 0;
    std::vector<unsigned char> back;
    while (s != 0xFFFFFFFE && sectors < 100) {
        back.insert(back.end(), f.begin() + 512 * (1 + s), f.begin() + 512 * (2 + s));
        s = U32(f, 512 + 4 * s);
        ++sectors;
    }
    EXPECT_EQ(sectors, 8u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
    EXPECT_TRUE(std::all_of(back.begin() + 1000, back.end(), [](unsigned char c) { return c == 0; }));
}

// Reads the one stream back by the rules a reader follows: FAT sectors from
// the header and the DIFAT chain, then the stream's chain through the FAT.
std::vector<unsigned char> StreamOf(const std::vector<unsigned char>& f) {
    auto sector = [&](std::uint32_t s) { return 512 * (std::size_t(s) + 1); };
    std::vector<std::uint32_t> fatSectors;
    const std::uint32_t fatCount = U32(f, 44);
    for (std::size_t i = 0; i < 109 && fatSectors.size() < fatCount; ++i) fatSectors.push_back(U32(f, 76 + 4 * i));
    for (std::uint32_t d = U32(f, 68); d != 0xFFFFFFFE && fatSectors.size() < fatCount;) {
        for (std::size_t i = 0; i < 127 && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(U32(f, sector(d) + 4 * i));
        d = U32(f, sector(d) + 508);
    }
    std::vector<std::uint32_t> fat;
    for (std::uint32_t s : fatSectors)
        for (std::size_t i = 0; i < 128; ++i) fat.push_back(U32(f, sector(s) + 4 * i));
    const std::size_t entry = sector(U32(f, 48)) + 128;
    const std::uint32_t size = U32(f, entry + 120);
    std::vector<unsigned char> out;
    for (std::uint32_t s = U32(f, entry + 116); s != 0xFFFFFFFE && out.size() < size; s = fat.at(s))
        out.insert(out.end(), f.begin() + sector(s), f.begin() + sector(s) + 512);
    out.resize(std::min<std::size_t>(out.size(), size));
    return out;
}

TEST(CompoundFile, StreamsOfEverySizeComeBackThroughTheFat) {
    // Around the padding cutoff, and past the 109 FAT sectors the header lists.
    for (std::size_t size :
         {std::size_t(0), std::size_t(4095), std::size_t(4096), std::size_t(4097), std::size_t(512 * 1000 + 3),
          std::size_t(109 * 128 * 512), std::size_t(9'500'000), std::size_t(128 * 127 * 512 * 2)}) {
        std::vector<unsigned char> data(size);
        for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>((i * 7 + i / 512) & 0xFF);
        auto file = BuildCompoundFile(u"Workbook", data);
        ASSERT_TRUE(file.has_value()) << size;
        EXPECT_EQ(file->size() % 512, 0u);
        std::vector<unsigned char> back = StreamOf(*file);
        ASSERT_EQ(back.size(), std::max<std::size_t>(size, 4096)) << size;
        EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin())) << size;
        const std::uint32_t fatCount = U32(*file, 44);
        const std::uint32_t difatCount = U32(*file, 72);
        EXPECT_EQ(difatCount, fatCount > 109 ? (fatCount - 109 + 126) / 127 : 0u) << size;
        // Every sector of the file is mapped by the FAT.
        EXPECT_GE(std::size_t(fatCount) * 128, file->size() / 512 - 1) << size;
    }
}

TEST(CompoundFile, ImpossibleNamesAndSizesAreRefused) {
    EXPECT_FALSE(BuildCompoundFile(u"", {}).has_value());
    EXPECT_FALSE(BuildCompoundFile(std::u16string(32, u'x'), {}).has_value());
    EXPECT_TRUE(BuildCompoundFile(std::u16string(31, u'x'), {}).has_value());
}

}  // namespace

namespace {

TEST(SheetStream, FixedSizeRecordsHaveTheirFormatsSizes) {
    // Readers that take a record's fields at fixed offsets, and office suites
    // that check a record's size, refuse a record of another length.
    Workbook book;
    CellRange a1{{0, 0}, {0, 0}}, b1{{0, 1}, {0, 1}}, c1{{0, 2}, {0, 2}};
    book.setFormat(0, a1, T("@"));
    book.setValue(0, a1, T("文本"));
    book.setValue(0, b1, T("12.5"));
    book.setFormat(0, c1, T("0.00"));
    auto stream = BuildWorkbookStream(book);
    ASSERT_TRUE(stream.has_value());
    const std::map<unsigned, std::size_t> sizes{
        {0x0809, 16},  // BOF
        {0x0042, 2},   // CODEPAGE
        {0x003D, 18},  // WINDOW1
        {0x0022, 2},   // DATEMODE
        {0x00E0, 20},  // XF
        {0x0293, 4},   // STYLE (built-in)
        {0x008C, 4},   // COUNTRY
        {0x0200, 14},  // DIMENSIONS
        {0x00FD, 10},  // LABELSST
        {0x0203, 14},  // NUMBER
        {0x0201, 6},   // BLANK
        {0x023E, 18},  // WINDOW2
        {0x000A, 0},   // EOF
    };
    std::map<unsigned, int> seen;
    for (const auto& r : Records(*stream)) {
        auto it = sizes.find(r.type);
        if (it == sizes.end()) continue;
        ++seen[r.type];
        EXPECT_EQ(r.length, it->second) << "record 0x" << std::hex << r.type;
    }
    EXPECT_EQ(seen.size(), sizes.size()) << "every kind of fixed-size record is written";
    EXPECT_EQ(seen[0x00E0], 18) << "15 style XFs, General, \"@\" and \"0.00\"";
}

}  // namespace
