// Workbooks written through the spreadsheet objects, read back by two
// independent readers; every cell must come back as written.

#include "readers.h"
#include "sheet_writer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

::testing::AssertionResult SameCells(const CellMap& expected, const ReadBack& actual, const char* reader) {
    if (!actual.ok) return ::testing::AssertionFailure() << reader << ": " << actual.error;
    if (actual.sheetCount != 1 || actual.sheetName != "Sheet1")
        return ::testing::AssertionFailure()
               << reader << ": sheets " << actual.sheetCount << " first " << actual.sheetName;
    int shown = 0;
    std::string diff;
    for (const auto& [at, value] : expected) {
        auto it = actual.cells.find(at);
        std::string got = it == actual.cells.end() ? "(empty)" : it->second;
        if (got != value && shown++ < 5)
            diff += "\n  " + CellAddress(at.first, at.second) + ": expected [" + value.substr(0, 80) + "] got [" +
                    got.substr(0, 80) + "]";
    }
    for (const auto& [at, value] : actual.cells)
        if (!expected.count(at) && shown++ < 5)
            diff += "\n  " + CellAddress(at.first, at.second) + ": unexpected [" + value.substr(0, 80) + "]";
    if (shown) return ::testing::AssertionFailure() << reader << ": " << shown << " cells differ" << diff;
    return ::testing::AssertionSuccess();
}

// Checks the file with both readers; xlrd also sees "@" on every text cell.
void ExpectReadBack(const SheetWriter& w, const std::string& path) {
    EXPECT_TRUE(SameCells(w.expected, ReadWithFreeXL(path), "FreeXL"));
    if (!XlrdAvailable()) GTEST_SKIP() << "/usr/bin/python3 cannot import xlrd";
    ReadBack x = ReadWithXlrd(path);
    EXPECT_TRUE(SameCells(w.expected, x, "xlrd"));
    int wrongFormat = 0;
    for (const auto& [at, value] : w.expected) {
        bool isText = value.rfind("s:", 0) == 0;
        auto f = x.formats.find(at);
        if (f == x.formats.end() || (f->second == "@") != isText) ++wrongFormat;
    }
    EXPECT_EQ(wrongFormat, 0) << "cells whose number format does not match their kind";
}

// Saves the sheet as `name` in a folder of its own and checks it as above.
void ExpectSavedAndReadBack(SheetWriter& w, const std::string& name) {
    TempFolder dir;
    const std::string path = dir.file(name);
    ASSERT_TRUE(w.save(path));
    ExpectReadBack(w, path);
}

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string s;
    for (std::size_t i = 0; i < times; ++i) s += piece;
    return s;
}

TEST(SheetRoundTrip, ChineseTextNumbersEmptyCellsQuotesAndLineBreaks) {
    SheetWriter w;
    const char* titles[] = {"姓名", "手机", "备注", "地址", "数值"};
    for (std::uint32_t c = 0; c < 5; ++c) w.text(0, c, titles[c]);
    w.text(1, 0, "张三");
    w.text(1, 1, "13800138000");
    w.text(1, 2, "他说：\"你好\"，O'Brien 也来了");
    w.text(1, 3, "第一行\r\n第二行\n第三行");
    w.number(1, 4, "3.5", 3.5);
    w.text(2, 0, "café àü");  // characters that fit in one byte each
    w.text(2, 1, "0138");     // text keeps its leading zero
    w.text(2, 2, "");         // empty under "@": a blank cell
    w.number(2, 4, "-42", -42);
    w.number(3, 4, " 1e3 ", 1000);
    w.number(4, 4, "0.1", 0.1);
    w.text(4, 0, "  前后有空格  ");
    w.text(6, 7, "末尾的单元格");  // beyond gaps of empty rows and columns
    ExpectSavedAndReadBack(w, "通讯录.xls");
}

TEST(SheetRoundTrip, SharedStringsOverTheRecordLimitGoOnInContinueRecords) {
    SheetWriter w;
    std::uint32_t row = 0;
    // Fills the first record to two bytes short of its limit, so the next
    // string's header must start a CONTINUE record.
    w.text(row++, 0, std::string(8211, 'a'));
    w.text(row++, 0, "中文");
    // Leaves one byte: a one-character string cannot start there.
    w.text(row++, 0, std::string(8220 - 7, 'b'));
    w.text(row++, 0, "x");
    // Strings longer than a whole record, two-byte and one-byte.
    w.text(row++, 0, Repeat("汉字测试", 1250));
    w.text(row++, 0, Repeat("0123456789", 900));
    // Many strings of varied lengths, so that boundaries fall everywhere.
    for (int i = 0; i < 300; ++i) {
        std::string s = std::to_string(i) + ":";
        s += (i % 3 == 0) ? Repeat("北", i % 97 + 1) : Repeat("z", (i * 37) % 211 + 1);
        w.text(row++, 1, s);
    }
    w.text(row++, 0, "最后");
    ExpectSavedAndReadBack(w, "long.xls");
}

TEST(SheetRoundTrip, TwentyThousandRowsOfSeventeenColumns) {
    SheetWriter w;
    for (std::uint32_t c = 0; c < 17; ++c) w.text(0, c, "列" + std::to_string(c + 1));
    for (std::uint32_t r = 1; r <= 20000; ++r) {
        for (std::uint32_t c = 0; c < 17; ++c) {
            if ((r + c) % 11 == 0) continue;  // some empty cells
            std::string v =
                c == 1 ? "138" + std::to_string(10000000 + r) : "联系人" + std::to_string(r) + "-" + std::to_string(c);
            if (c == 16) v = "重复的值";  // shared by many cells
            w.text(r, c, v);
        }
    }
    ExpectSavedAndReadBack(w, "rows.xls");
}

TEST(SheetRoundTrip, LastRowAndColumnOfTheFormatAreWritten) {
    SheetWriter w;
    w.text(0, 0, "第一个");
    w.text(65535, 0, "最后一行");
    w.text(0, 255, "最后一列");
    w.text(65535, 255, "角落");
    ExpectSavedAndReadBack(w, "corners.xls");
}

TEST(SheetRoundTrip, AWorkbookNeedingDifatSectorsReadsBack) {
    // 65,536 rows of 8 numbers: over 9 MB of stream, more FAT sectors than
    // the header can list.
    TempFolder dir;
    SheetWriter w;
    for (std::uint32_t r = 0; r < 65536; ++r)
        for (std::uint32_t c = 0; c < 8; ++c) {
            double v = r * 8.0 + c;
            w.number(r, c, std::to_string(static_cast<long long>(v)), v);
        }
    const std::string path = dir.file("big.xls");
    ASSERT_TRUE(w.save(path));
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray header = f.read(512);
    auto u32 = [&](int at) {
        return std::uint32_t(static_cast<unsigned char>(header[at])) |
               std::uint32_t(static_cast<unsigned char>(header[at + 1])) << 8 |
               std::uint32_t(static_cast<unsigned char>(header[at + 2])) << 16 |
               std::uint32_t(static_cast<unsigned char>(header[at + 3])) << 24;
    };
    EXPECT_GT(u32(44), 109u) << "FAT sectors";
    EXPECT_GE(u32(72), 1u) << "DIFAT sectors";
    ExpectReadBack(w, path);
}

}  // namespace

namespace {

TEST(SheetRoundTrip, NumberFormatsKeepTheirCodes) {
    TempFolder dir;
    ExcelApp app;
    ExcelWorkbooks books;
    app.CreateApp();
    ASSERT_TRUE(books.AddWorkbook(app));
    const char* formats[] = {"@", "0.00", "General", "#,##0", "0.000%"};
    for (int i = 0; i < 5; ++i) {
        Text at = T(CellAddress(static_cast<std::uint32_t>(i), 0).c_str());
        books.SetRangeStart(at);
        books.SetRangeEnd(at);
        books.SetNumberFormat(T(formats[i]));
        books.SetCellValue(T("12.5"));
    }
    const std::string path = dir.file("formats.xls");
    ASSERT_TRUE(books.SaveWorkbookAs(Text::fromUtf8(path)));
    CellMap expected{{{0, 0}, TextCell("12.5")},
                     {{1, 0}, NumberCell(12.5)},
                     {{2, 0}, NumberCell(12.5)},
                     {{3, 0}, NumberCell(12.5)},
                     {{4, 0}, NumberCell(12.5)}};
    EXPECT_TRUE(SameCells(expected, ReadWithFreeXL(path), "FreeXL"));
    if (!XlrdAvailable()) GTEST_SKIP() << "/usr/bin/python3 cannot import xlrd";
    ReadBack x = ReadWithXlrd(path);
    EXPECT_TRUE(SameCells(expected, x, "xlrd"));
    for (std::uint32_t i = 0; i < 5; ++i) EXPECT_EQ(x.formats[std::make_pair(i, 0u)], formats[i]) << i;
}

TEST(SheetRoundTrip, XlrdReadsWhatFreeXLReads) {
    // Both readers are independent of the writer and of each other; this
    // guards against the xlrd half of the other tests silently not running.
    if (!XlrdAvailable()) GTEST_SKIP() << "/usr/bin/python3 cannot import xlrd";
    TempFolder dir;
    SheetWriter w;
    w.text(0, 0, "检查");
    const std::string path = dir.file("both.xls");
    ASSERT_TRUE(w.save(path));
    ReadBack x = ReadWithXlrd(path);
    ASSERT_TRUE(x.ok) << x.error;
    EXPECT_EQ(x.cells, ReadWithFreeXL(path).cells);
    EXPECT_EQ(x.cells.size(), 1u);
}

}  // namespace
