// The spreadsheet objects: the export's sequence, what each command does
// when nothing is held, and how cell values are kept.

#include "readers.h"
#include "sheet_writer.h"
#include "support/temp_folder.h"

#include "services/sheet/excel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

bool Exists(const std::string& path) { return QFile::exists(QString::fromStdString(path)); }

void SetCell(ExcelWorkbooks& books, const char* start, const char* end, const char* format, const std::string& value) {
    books.SetRangeStart(T(start));
    books.SetRangeEnd(T(end));
    if (format) books.SetNumberFormat(T(format));
    books.SetCellValue(Text::fromUtf8(value));
}

// An application and its workbooks, and a folder for the files they save.
class SheetObjects : public ::testing::Test {
protected:
    // The application created and an empty workbook added, as the export starts.
    void openWorkbook() {
        ASSERT_TRUE(app.CreateApp());
        ASSERT_TRUE(books.AddWorkbook(app));
    }
    // Saves the workbook as `name` in the folder and reads it back with FreeXL.
    ReadBack saveAndRead(const std::string& name) {
        if (!books.SaveWorkbookAs(Text::fromUtf8(dir.file(name)))) return ReadBack{false, "not saved"};
        return ReadWithFreeXL(dir.file(name));
    }

    TempFolder dir;
    ExcelApp app;
    ExcelWorkbooks books;
};

TEST_F(SheetObjects, TheExportSequenceSavesAWorkbook) {
    openWorkbook();
    books.SetCurrentSheet(1);
    SetCell(books, "a1", "a1", "@", "姓名");
    SetCell(books, "b1", "b1", "@", "手机");
    SetCell(books, "a2", "a2", "@", "李四");
    SetCell(books, "b2", "b2", "@", "13912345678");
    const std::string path = dir.file("export.xls");
    EXPECT_TRUE(books.SaveWorkbookAs(Text::fromUtf8(path)));
    books.ReleaseWorkbook();
    books.CloseWorkbooks();  // holds nothing any more: does nothing
    app.QuitApp();
    ReadBack rb = ReadWithFreeXL(path);
    ASSERT_TRUE(rb.ok) << rb.error;
    EXPECT_EQ(rb.cells, (CellMap{{{0, 0}, TextCell("姓名")},
                                 {{0, 1}, TextCell("手机")},
                                 {{1, 0}, TextCell("李四")},
                                 {{1, 1}, TextCell("13912345678")}}));
}

TEST_F(SheetObjects, EveryCallIsHarmlessWhenNothingIsHeld) {
    ExcelApp neverCreated;
    neverCreated.QuitApp();
    EXPECT_FALSE(neverCreated.holdsApplication());
    EXPECT_FALSE(books.AddWorkbook(neverCreated));
    books.SetCurrentSheet(1);
    SetCell(books, "a1", "a1", "@", "x");
    EXPECT_FALSE(books.holdsWorkbook());
    EXPECT_FALSE(books.holdsRange());
    books.CloseWorkbooks();
    const std::string path = dir.file("none.xls");
    EXPECT_FALSE(books.SaveWorkbookAs(Text::fromUtf8(path)));
    EXPECT_FALSE(Exists(path));
    books.ReleaseWorkbook();
}

TEST_F(SheetObjects, AQuitApplicationTakesNoMoreWork) {
    openWorkbook();
    SetCell(books, "a1", "a1", "@", "x");
    app.QuitApp();
    EXPECT_TRUE(app.holdsApplication());  // held until the next CreateApp
    const std::string path = dir.file("after-quit.xls");
    EXPECT_FALSE(books.SaveWorkbookAs(Text::fromUtf8(path))) << "its workbooks closed with it";
    EXPECT_FALSE(Exists(path));
    ExcelWorkbooks other;
    EXPECT_FALSE(other.AddWorkbook(app));
    ASSERT_TRUE(app.CreateApp());
    EXPECT_TRUE(other.AddWorkbook(app));
}

TEST_F(SheetObjects, CloseWorkbooksClosesAHeldWorkbookUnsaved) {
    openWorkbook();
    SetCell(books, "a1", "a1", "@", "x");
    books.CloseWorkbooks();
    const std::string path = dir.file("closed.xls");
    EXPECT_FALSE(books.SaveWorkbookAs(Text::fromUtf8(path)));
    EXPECT_FALSE(Exists(path));
}

TEST_F(SheetObjects, ReleaseEmptiesTheAddressesAndAddStartsAnEmptyWorkbook) {
    openWorkbook();
    SetCell(books, "c3", "c3", "@", "old");
    books.SetRangeStart(T("a1"));
    books.ReleaseWorkbook();
    EXPECT_FALSE(books.holdsWorkbook());
    ASSERT_TRUE(books.AddWorkbook(app));
    books.SetRangeEnd(T("b2"));  // the start address was emptied: no range
    EXPECT_FALSE(books.holdsRange());
    books.SetCellValue(T("lost"));
    ReadBack rb = saveAndRead("fresh.xls");
    ASSERT_TRUE(rb.ok) << rb.error;
    EXPECT_TRUE(rb.cells.empty());
}

TEST_F(SheetObjects, OnlySheetOneExists) {
    openWorkbook();
    books.SetCurrentSheet(2);
    books.SetCurrentSheet(0);
    books.SetCurrentSheet(-1);
    SetCell(books, "a1", "a1", "@", "still sheet 1");
    ReadBack rb = saveAndRead("sheets.xls");
    ASSERT_TRUE(rb.ok) << rb.error;
    EXPECT_EQ(rb.sheetCount, 1);
    EXPECT_EQ(rb.cells, (CellMap{{{0, 0}, TextCell("still sheet 1")}}));
}

TEST_F(SheetObjects, AnAddressThatIsNoCellNameLeavesNoRange) {
    openWorkbook();
    SetCell(books, "a1", "a1", "@", "kept");
    for (const char* bad : {"a0", "1a", "", "a", "aaaa1", "xfe1", "a1048577", "a-1", "{1", "a 1"}) {
        books.SetRangeStart(T("b1"));
        books.SetRangeEnd(T(bad));
        EXPECT_FALSE(books.holdsRange()) << bad;
        books.SetCellValue(T("must not land anywhere"));
        books.SetRangeStart(T(bad));
        books.SetRangeEnd(T("b1"));
        EXPECT_FALSE(books.holdsRange()) << bad;
        books.SetCellValue(T("must not land anywhere"));
    }
    ReadBack rb = saveAndRead("bad-address.xls");
    ASSERT_TRUE(rb.ok) << rb.error;
    EXPECT_EQ(rb.cells, (CellMap{{{0, 0}, TextCell("kept")}}));
}

TEST_F(SheetObjects, ARangeSetsEveryCellInIt) {
    openWorkbook();
    SetCell(books, "C2", "$b$3", "@", "块");  // either corner first, either case, "$" allowed
    ReadBack rb = saveAndRead("range.xls");
    ASSERT_TRUE(rb.ok) << rb.error;
    EXPECT_EQ(
        rb.cells,
        (CellMap{
            {{1, 1}, TextCell("块")}, {{1, 2}, TextCell("块")}, {{2, 1}, TextCell("块")}, {{2, 2}, TextCell("块")}}));
}

TEST_F(SheetObjects, NumbersAreKeptAsTextUnderTheTextFormatOnly) {
    openWorkbook();
    SetCell(books, "a1", "a1", "@", "0138");
    SetCell(books, "a2", "a2", nullptr, "0138");  // General: becomes the number 138
    SetCell(books, "a3", "a3", "General", "2.50");
    SetCell(books, "a4", "a4", "G/通用格式", "-7");
    SetCell(books, "a5", "a5", nullptr, "12abc");  // not a number
    SetCell(books, "a6", "a6", nullptr, "1e999");  // out of range: stays text
    SetCell(books, "a7", "a7", "0.00", "4");       // another numeric format
    SetCell(books, "a8", "a8", "@", "x");
    SetCell(books, "a8", "a8", nullptr, "");  // an empty value empties the cell
    SetCell(books, "a9", "a9", nullptr, "y");
    SetCell(books, "a9", "a9", nullptr, "");
    ReadBack rb = saveAndRead("values.xls");
    ASSERT_TRUE(rb.ok) << rb.error;
    EXPECT_EQ(rb.cells, (CellMap{{{0, 0}, TextCell("0138")},
                                 {{1, 0}, NumberCell(138)},
                                 {{2, 0}, NumberCell(2.5)},
                                 {{3, 0}, NumberCell(-7)},
                                 {{4, 0}, TextCell("12abc")},
                                 {{5, 0}, TextCell("1e999")},
                                 {{6, 0}, NumberCell(4)}}));
}

TEST_F(SheetObjects, TooManyRowsForTheFormatAreRefused) {
    for (const char* beyond : {"a65537", "iw1"}) {
        ExcelApp fresh;
        ExcelWorkbooks freshBooks;
        fresh.CreateApp();
        ASSERT_TRUE(freshBooks.AddWorkbook(fresh));
        SetCell(freshBooks, "a1", "a1", "@", "x");
        SetCell(freshBooks, beyond, beyond, "@", "too far");
        const std::string path = dir.file("too-far.xls");
        EXPECT_FALSE(freshBooks.SaveWorkbookAs(Text::fromUtf8(path))) << beyond;
        EXPECT_FALSE(Exists(path)) << beyond;
    }
}

TEST_F(SheetObjects, AFailedSaveKeepsTheFileItWouldReplace) {
    const std::string path = dir.file("keep.xls");
    {
        SheetWriter first;
        first.text(0, 0, "第一版");
        ASSERT_TRUE(first.save(path));
    }
    {
        SheetWriter second;
        second.text(0, 0, "第二版");
        second.text(70000, 0, "beyond the last row");
        EXPECT_FALSE(second.save(path));
    }
    ReadBack rb = ReadWithFreeXL(path);
    ASSERT_TRUE(rb.ok) << rb.error;
    EXPECT_EQ(rb.cells, (CellMap{{{0, 0}, TextCell("第一版")}}));
    {
        SheetWriter third;
        third.text(0, 0, "第三版");
        ASSERT_TRUE(third.save(path));
    }
    rb = ReadWithFreeXL(path);
    ASSERT_TRUE(rb.ok) << rb.error;
    EXPECT_EQ(rb.cells, (CellMap{{{0, 0}, TextCell("第三版")}}));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files), QStringList{"keep.xls"});
}

TEST_F(SheetObjects, ASaveIntoAMissingFolderFails) {
    SheetWriter w;
    w.text(0, 0, "x");
    EXPECT_FALSE(w.save(dir.file("no/such/folder/a.xls")));
    EXPECT_FALSE(w.save(""));
    EXPECT_FALSE(w.save(dir.path()));  // a folder, not a file
}

}  // namespace
