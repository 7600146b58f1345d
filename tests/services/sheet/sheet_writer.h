#pragma once
// Writes cells through the spreadsheet objects in the export's sequence
// (RangeStart, RangeEnd, NumberFormat, CellValue) and remembers what each
// cell must read back as.

#include "readers.h"

#include "services/sheet/excel.h"

#include <string>

// "a1" for (0, 0), "ab12" for (11, 27).
inline std::string CellAddress(std::uint32_t row, std::uint32_t column) {
    std::string letters;
    for (std::uint32_t c = column + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), char('a' + (c - 1) % 26));
    return letters + std::to_string(row + 1);
}

class SheetWriter {
public:
    SheetWriter() {
        app.CreateApp();
        books.AddWorkbook(app);
        books.SetCurrentSheet(1);
    }
    ~SheetWriter() {
        books.ReleaseWorkbook();
        books.CloseWorkbooks();
        app.QuitApp();
    }

    // A text cell, as the export writes it.
    void text(std::uint32_t row, std::uint32_t column, const std::string& utf8) {
        select(row, column);
        books.SetNumberFormat(T("@"));
        books.SetCellValue(Text::fromUtf8(utf8));
        if (utf8.empty()) expected.erase({row, column});
        else expected[{row, column}] = TextCell(utf8);
    }

    // A cell left in General: a numeric text is stored as a number.
    void number(std::uint32_t row, std::uint32_t column, const std::string& digits, double value) {
        select(row, column);
        books.SetCellValue(Text::fromUtf8(digits));
        expected[{row, column}] = NumberCell(value);
    }

    bool save(const std::string& path) { return books.SaveWorkbookAs(Text::fromUtf8(path)); }

    ExcelApp app;
    ExcelWorkbooks books;
    CellMap expected;

private:
    void select(std::uint32_t row, std::uint32_t column) {
        Text address = Text::fromUtf8(CellAddress(row, column));
        books.SetRangeStart(address);
        books.SetRangeEnd(address);
    }
};
