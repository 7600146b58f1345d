#include "services/sheet/biff8.h"

#include "services/sheet/byte_sink.h"
#include "services/sheet/compound_file.h"

#include <string_view>
#include <unordered_map>

namespace sheet {

namespace {

enum Record : unsigned {
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFont = 0x0031,
    kWindow1 = 0x003D,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kCountry = 0x008C,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kExtSst = 0x00FF,
    kXf = 0x00E0,
    kDimensions = 0x0200,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kWindow2 = 0x023E,
    kStyle = 0x0293,
    kFormat = 0x041E,
    kBof = 0x0809,
};

constexpr unsigned kBofGlobals = 0x0005;
constexpr unsigned kBofWorksheet = 0x0010;
constexpr unsigned kUtf16CodePage = 1200;
constexpr unsigned kStyleXfCount = 15;     // XF 0-14: the Normal style and the outline styles
constexpr unsigned kDefaultCellXf = 15;    // XF 15: cells in General
constexpr unsigned kTextFormatIndex = 49;  // the built-in index of "@"
constexpr unsigned kFirstCustomFormat = 164;

// Writes one record, its length filled in when it ends.
class RecordScope {
public:
    RecordScope(ByteSink& out, unsigned type) : out_(out), start_(out.size()) {
        out_.u16(type);
        out_.u16(0);
    }
    ~RecordScope() { out_.patch16(start_ + 2, static_cast<unsigned>(out_.size() - start_ - 4)); }
    RecordScope(const RecordScope&) = delete;
    RecordScope& operator=(const RecordScope&) = delete;

private:
    ByteSink& out_;
    std::size_t start_;
};

bool fitsInBytes(std::u16string_view s) {
    for (char16_t c : s)
        if (c > 0xFF) return false;
    return true;
}

void chars(ByteSink& out, std::u16string_view s, std::size_t from, std::size_t count, bool wide) {
    for (std::size_t i = from; i < from + count; ++i) {
        if (wide) out.u16(s[i]);
        else out.u8(s[i]);
    }
}

// A string with an 8-bit length (sheet and font names).
void shortString(ByteSink& out, const std::u16string& s) {
    bool wide = !fitsInBytes(s);
    out.u8(static_cast<unsigned>(s.size()));
    out.u8(wide ? 1 : 0);
    chars(out, s, 0, s.size(), wide);
}

// A string with a 16-bit length (formats).
void longString(ByteSink& out, const std::u16string& s) {
    bool wide = !fitsInBytes(s);
    out.u16(static_cast<unsigned>(s.size()));
    out.u8(wide ? 1 : 0);
    chars(out, s, 0, s.size(), wide);
}

void bof(ByteSink& out, unsigned kind) {
    RecordScope r(out, kBof);
    out.u16(0x0600);  // BIFF8
    out.u16(kind);
    out.u16(0x0DBB);  // build
    out.u16(0x07CC);  // year
    out.u32(0);       // file history
    out.u32(0x0006);  // lowest version able to read the file: BIFF8
}

void eof(ByteSink& out) { RecordScope r(out, kEof); }

void font(ByteSink& out, bool bold) {
    RecordScope r(out, kFont);
    out.u16(240);     // 12 point, in twentieths
    out.u16(0);       // not italic, struck out, outlined or shadowed
    out.u16(0x7FFF);  // window text colour
    out.u16(bold ? 700 : 400);
    out.u16(0);   // no super- or subscript
    out.u8(0);    // no underline
    out.u8(0);    // family: none
    out.u8(134);  // character set: GB2312
    out.u8(0);
    shortString(out, Utf16Of(T("宋体")));
}

void xf(ByteSink& out, unsigned formatIndex, bool style, unsigned usedAttributes) {
    RecordScope r(out, kXf);
    out.u16(0);  // font 0
    out.u16(formatIndex);
    out.u16(style ? 0xFFF5 : 0x0001);  // locked; a style has no parent (0xFFF), a cell's parent is style 0
    out.u8(0x20);                      // aligned to the bottom, general horizontally
    out.u8(0);                         // no rotation
    out.u8(0);                         // no indent, shrink or merge
    out.u8(usedAttributes << 2);
    out.u32(0);       // no border lines, border colours 0
    out.u32(0);       // top, bottom and diagonal colours 0, no fill pattern
    out.u16(0x20C0);  // pattern colours: system foreground and background
}

void dimensions(ByteSink& out, const Worksheet& ws) {
    std::uint32_t firstRow = 0, lastRow = 0, firstCol = 0, lastCol = 0;
    bool any = false;
    ws.forEachCell([&](CellRef ref, const Cell&) {
        if (!any) {
            firstRow = lastRow = ref.row;
            firstCol = lastCol = ref.column;
            any = true;
        }
        firstRow = std::min(firstRow, ref.row);
        lastRow = std::max(lastRow, ref.row);
        firstCol = std::min(firstCol, ref.column);
        lastCol = std::max(lastCol, ref.column);
    });
    RecordScope r(out, kDimensions);
    out.u32(firstRow);
    out.u32(any ? lastRow + 1 : 0);
    out.u16(firstCol);
    out.u16(any ? lastCol + 1 : 0);
    out.u16(0);
}

// The shared string table and its index: strings in order of first use, split
// into CONTINUE records at the record limit without splitting a string's
// header or a character; a continued string starts its CONTINUE record with
// its character-width flag again.
class SharedStrings {
public:
    std::uint32_t add(std::u16string_view s) {
        ++references_;
        auto [it, fresh] = index_.try_emplace(s, static_cast<std::uint32_t>(strings_.size()));
        if (fresh) {
            strings_.push_back(s);
            bytes_ += 3 + 2 * s.size();
        }
        return it->second;
    }

    // An upper bound of the table's size, CONTINUE headers aside.
    std::size_t sizeHint() const { return bytes_; }

    void write(ByteSink& out) {
        const std::size_t unique = strings_.size();
        // Strings per index bucket: at least 8, and at most 128 buckets.
        bucketSize_ = std::max<std::size_t>(8, unique / 128 + 1);
        start(out, kSst);
        out.u32(references_);
        out.u32(static_cast<std::uint32_t>(unique));
        for (std::size_t i = 0; i < unique; ++i) {
            const std::u16string_view s = strings_[i];
            const bool wide = !fitsInBytes(s);
            const std::size_t width = wide ? 2 : 1;
            if (room(out) < 3 + (s.empty() ? 0 : width)) restart(out);
            if (i % bucketSize_ == 0) buckets_.push_back({out.size(), out.size() - recordStart_});
            out.u16(static_cast<unsigned>(s.size()));
            out.u8(wide ? 1 : 0);
            std::size_t done = 0;
            while (done < s.size()) {
                std::size_t n = std::min(s.size() - done, room(out) / width);
                if (n == 0) {
                    restart(out);
                    out.u8(wide ? 1 : 0);
                    continue;
                }
                chars(out, s, done, n, wide);
                done += n;
            }
        }
        finish(out);

        RecordScope r(out, kExtSst);
        out.u16(static_cast<unsigned>(bucketSize_));
        for (const auto& b : buckets_) {
            out.u32(static_cast<std::uint32_t>(b.streamPos));
            out.u16(static_cast<unsigned>(b.recordOffset));
            out.u16(0);
        }
    }

private:
    struct Bucket {
        std::size_t streamPos;     // where the bucket's first string starts in the stream
        std::size_t recordOffset;  // and its offset from its record's header
    };

    std::size_t room(const ByteSink& out) const { return kMaxRecordData - (out.size() - recordStart_ - 4); }
    void start(ByteSink& out, unsigned type) {
        recordStart_ = out.size();
        out.u16(type);
        out.u16(0);
    }
    void finish(ByteSink& out) { out.patch16(recordStart_ + 2, static_cast<unsigned>(out.size() - recordStart_ - 4)); }
    void restart(ByteSink& out) {
        finish(out);
        start(out, kContinue);
    }

    // Views into the cells' own strings, which outlive the table.
    std::unordered_map<std::u16string_view, std::uint32_t> index_;
    std::vector<std::u16string_view> strings_;
    std::uint32_t references_ = 0;
    std::size_t bytes_ = 0;
    std::size_t bucketSize_ = 8;
    std::size_t recordStart_ = 0;
    std::vector<Bucket> buckets_;
};

// Cell styles: XF 15 for General, then one per other number format, in format id order.
unsigned xfOfFormat(std::uint16_t id) { return kDefaultCellXf + id; }

// The BIFF format index of every format id (0 for General).
std::vector<unsigned> formatIndexes(const Workbook& book) {
    std::vector<unsigned> indexes{0};
    unsigned nextCustom = kFirstCustomFormat;
    for (std::size_t id = 1; id < book.formats().size(); ++id)
        indexes.push_back(book.isTextFormat(static_cast<std::uint16_t>(id)) ? kTextFormatIndex : nextCustom++);
    return indexes;
}

void worksheet(ByteSink& out, const Worksheet& ws, const std::vector<std::uint32_t>& sstIndex) {
    bof(out, kBofWorksheet);
    dimensions(out, ws);
    std::size_t text = 0;
    ws.forEachCell([&](CellRef ref, const Cell& cell) {
        const bool isText = std::holds_alternative<std::u16string>(cell.value);
        const double* number = std::get_if<double>(&cell.value);
        RecordScope r(out, isText ? kLabelSst : number ? kNumber : kBlank);
        out.u16(ref.row);
        out.u16(ref.column);
        out.u16(xfOfFormat(cell.format));
        if (isText) out.u32(sstIndex[text++]);
        else if (number) out.f64(*number);
    });
    {
        RecordScope r(out, kWindow2);
        out.u16(0x06B6);  // grid, headers, zeros, default header colour, outline symbols, selected, shown
        out.u16(0);       // top row
        out.u16(0);       // left column
        out.u32(0x40);    // header colour: automatic
        out.u16(0);       // zoom of page break preview: default
        out.u16(0);       // zoom of normal view: default
        out.u32(0);
    }
    eof(out);
}

}  // namespace

std::optional<std::vector<unsigned char>> BuildWorkbookStream(const Workbook& book) {
    for (std::size_t i = 0; i < book.sheetCount(); ++i) {
        bool outside = false;
        book.sheet(i).forEachCell(
            [&](CellRef ref, const Cell&) { outside = outside || ref.row >= kXlsRows || ref.column >= kXlsColumns; });
        if (outside) return std::nullopt;
    }

    // Strings are numbered in the order the worksheets will refer to them.
    SharedStrings sst;
    std::vector<std::vector<std::uint32_t>> sstIndex(book.sheetCount());
    for (std::size_t i = 0; i < book.sheetCount(); ++i) {
        book.sheet(i).forEachCell([&](CellRef, const Cell& cell) {
            if (const auto* s = std::get_if<std::u16string>(&cell.value)) sstIndex[i].push_back(sst.add(*s));
        });
    }

    const std::vector<unsigned> formatIndex = formatIndexes(book);
    std::size_t cellCount = 0;
    for (std::size_t i = 0; i < book.sheetCount(); ++i) cellCount += book.sheet(i).cellCount();
    const std::uint64_t sizeHint =
        64 * 1024 + sst.sizeHint() + sst.sizeHint() / kMaxRecordData * 5 + 18 * std::uint64_t(cellCount);
    // Refused before building rather than after: the container cannot hold it.
    if (sizeHint > kMaxStreamSize) return std::nullopt;
    ByteSink out;
    out.bytes().reserve(sizeHint);
    bof(out, kBofGlobals);
    {
        RecordScope r(out, kCodePage);
        out.u16(kUtf16CodePage);
    }
    {
        RecordScope r(out, kWindow1);
        out.u16(0x0168);  // position and size, in twips
        out.u16(0x001E);
        out.u16(0x3A5C);
        out.u16(0x23BE);
        out.u16(0x0038);  // scroll bars and sheet tabs shown
        out.u16(0);       // first sheet active
        out.u16(0);       // first sheet tab shown
        out.u16(1);       // one sheet selected
        out.u16(600);     // tab area ratio (per mille)
    }
    {
        RecordScope r(out, kDateMode);
        out.u16(0);
    }  // dates count from 1900
    // Five fonts: indices 0-3 and 5; index 4 is never written.
    for (int i = 0; i < 5; ++i) font(out, i == 1);
    for (std::size_t id = 1; id < book.formats().size(); ++id) {
        RecordScope r(out, kFormat);
        out.u16(formatIndex[id]);
        longString(out, book.formats()[id]);
    }
    xf(out, 0, true, 0);
    for (unsigned i = 1; i < kStyleXfCount; ++i) xf(out, 0, true, 0x3D);  // all but the number format left to the cell
    xf(out, 0, false, 0);
    for (std::size_t id = 1; id < book.formats().size(); ++id) xf(out, formatIndex[id], false, 0x01);
    {
        RecordScope r(out, kStyle);
        out.u16(0x8000);  // built-in style on XF 0
        out.u8(0);        // Normal
        out.u8(0xFF);
    }
    std::vector<std::size_t> sheetOffsetAt;
    for (std::size_t i = 0; i < book.sheetCount(); ++i) {
        RecordScope r(out, kBoundSheet);
        sheetOffsetAt.push_back(out.size());
        out.u32(0);  // the substream's offset, filled in below
        out.u16(0);  // visible worksheet
        shortString(out, book.sheet(i).name());
    }
    {
        RecordScope r(out, kCountry);
        out.u16(86);
        out.u16(86);
    }
    sst.write(out);
    eof(out);

    for (std::size_t i = 0; i < book.sheetCount(); ++i) {
        out.patch32(sheetOffsetAt[i], static_cast<std::uint32_t>(out.size()));
        worksheet(out, book.sheet(i), sstIndex[i]);
    }
    return std::move(out.bytes());
}

}  // namespace sheet
