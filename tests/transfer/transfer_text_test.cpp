// The text rules of the imports: initials, workbook cell clean-up, photo
// file names and the decoding of text files.

#include "transfer/transfer_text.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

std::string Normalised(const char* cell) { return NormaliseSheetCell(T(cell)).toUtf8(); }

TEST(NormaliseSheetCell, OnlyWholeNumbersAndMidnightDatesChange) {
    const std::pair<const char*, const char*> cellsAndResults[] = {
        // Whole numbers lose their point and zeros.
        {"13800138000.00000000", "13800138000"},
        {"-12.00000000", "-12"},
        {"0.000", "0"},
        // Decimals and texts stay as they are.
        {"3.50000000", "3.50000000"},
        {"1.00050000", "1.00050000"},
        {"0.00010000", "0.00010000"},
        {"No.000 Road", "No.000 Road"},
        {"v1.000", "v1.000"},
        {"1.00", "1.00"},
        {"", ""},
        // Midnight dates keep their first ten characters.
        {"1980-01-06 00:00:00", "1980-01-06"},
        {"1980-01-06 08:30:00", "1980-01-06 08:30:00"},
        {"我的生日是 00:00:00", "我的生日是 00:00:00"},
    };
    for (const auto& [cell, result] : cellsAndResults) EXPECT_EQ(Normalised(cell), result) << cell;
}

TEST(NameInitials, FirstLettersOfTheFirstCharacters) {
    EXPECT_EQ(NameInitials(T("张三丰大侠"), 3).toUtf8(), "zsf");
    EXPECT_EQ(NameInitials(T("张三丰大侠"), 4).toUtf8(), "zsfd");
    EXPECT_EQ(NameInitials(T("张三"), 4).toUtf8(), "zs");
    EXPECT_EQ(NameInitials(T("ab"), 3).toUtf8(), "");
    // Level-2 and traditional characters have their readings too.
    EXPECT_EQ(NameInitials(T("張學友"), 3).toUtf8(), "zxy");
    EXPECT_EQ(NameInitials(T("瞿秋白"), 3).toUtf8(), "qqb");
    // Counted by characters: one-byte ones (the euro sign 0x80, a letter)
    // give no letter and do not shift the hanzi after them.
    EXPECT_EQ(NameInitials(T("€张三"), 3).toUtf8(), "zs");
    EXPECT_EQ(NameInitials(T("张€三"), 3).toUtf8(), "zs");
    EXPECT_EQ(NameInitials(T("a张三丰"), 3).toUtf8(), "zs");
    EXPECT_EQ(NameInitials(T("a张三丰"), 4).toUtf8(), "zsf");
    EXPECT_EQ(NameInitials(T(""), 3).toUtf8(), "");
}

TEST(PhotoFileName, OnlyNumbersThatNameAFileInTheFolder) {
    EXPECT_EQ(PhotoFileName(T("/x/"), T("13800000000"))->toUtf8(), "/x/13800000000.bmp");
    EXPECT_FALSE(PhotoFileName(T("/x/"), T("")));
    EXPECT_FALSE(PhotoFileName(T("/x/"), T("..")));
    EXPECT_FALSE(PhotoFileName(T("/x/"), T("../../etc/passwd")));
}

TEST(FolderOf, UpToAndIncludingTheLastSlash) {
    EXPECT_EQ(FolderOf(T("/a/b/c.xls")).toUtf8(), "/a/b/");
    EXPECT_EQ(FolderOf(T("c.xls")).toUtf8(), "");
}

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(DecodeTextFile, Utf8AndUtf16AreConvertedAndGbkKept) {
    const std::string gbk = T("张三").bytes();
    EXPECT_EQ(DecodeTextFile(B("\xEF\xBB\xBF张三")).text.bytes(), gbk);
    EXPECT_EQ(DecodeTextFile(B("张三")).text.bytes(), gbk);
    EXPECT_EQ(DecodeTextFile(B(gbk)).text.bytes(), gbk);
    EXPECT_EQ(DecodeTextFile(B(std::string("\xFF\xFE\x20\x5F\x09\x4E", 6))).text.bytes(), gbk);
    EXPECT_EQ(DecodeTextFile(B(std::string("\xFE\xFF\x5F\x20\x4E\x09", 6))).text.bytes(), gbk);
    EXPECT_EQ(DecodeTextFile(B("plain")).text.bytes(), "plain");
}

TEST(DecodeTextFile, ZeroBytesMakeABinaryFileAnd0x1AEndsTheText) {
    EXPECT_TRUE(DecodeTextFile(B(std::string("ab\0cd", 5))).binary);
    // UTF-16: a zero character, not a zero byte, marks a file that is no text.
    EXPECT_TRUE(DecodeTextFile(B(std::string("\xFF\xFE"
                                             "A\0\0\0B\0",
                                             8)))
                    .binary);
    EXPECT_TRUE(DecodeTextFile(B(std::string("\xFE\xFF"
                                             "\0A\0\0\0B",
                                             8)))
                    .binary);
    EXPECT_FALSE(DecodeTextFile(B(std::string("\xFF\xFE"
                                              "A\0B\0",
                                              6)))
                     .binary);
    EXPECT_EQ(DecodeTextFile(B("ab\x1A"
                               "cd"))
                  .text.bytes(),
              "ab");
    EXPECT_FALSE(DecodeTextFile(B("")).binary);
}

}  // namespace
