#pragma once
// The spreadsheet objects the export drives: an application instance
// (ExcelApp) and a new workbook in it with a current sheet and a current cell
// range (ExcelWorkbooks). They run in process; a save writes an Excel 97-2003
// workbook (.xls). Every command and setter does nothing when the object it
// needs is not held, so every call after a missing CreateApp or AddWorkbook
// is harmless.

#include "services/core/text.h"
#include "services/sheet/workbook.h"

#include <cstddef>
#include <memory>
#include <optional>

namespace sheet {
class Application;
struct OpenWorkbook;
}  // namespace sheet

class ExcelApp {
public:
    ExcelApp();
    ~ExcelApp();
    ExcelApp(const ExcelApp&) = delete;
    ExcelApp& operator=(const ExcelApp&) = delete;

    // Releases any application held before and starts a new one.
    bool CreateApp();
    // Asks the application to quit: its workbooks close unsaved and it takes
    // no further work. The reference stays held until the next CreateApp.
    void QuitApp();

    bool holdsApplication() const { return application_ != nullptr; }

private:
    friend class ExcelWorkbooks;
    std::shared_ptr<sheet::Application> application_;
};

class ExcelWorkbooks {
public:
    ExcelWorkbooks();
    ~ExcelWorkbooks();
    ExcelWorkbooks(const ExcelWorkbooks&) = delete;
    ExcelWorkbooks& operator=(const ExcelWorkbooks&) = delete;

    // Releases what is held, adds a new workbook (one sheet, "Sheet1") to the
    // application and makes its sheet 1 current. False with no application
    // held or after the application quit.
    bool AddWorkbook(ExcelApp& app);
    // Lets go of the workbook, its sheets, the current sheet and range, and
    // empties the two cell addresses. The workbook stays open in the
    // application.
    void ReleaseWorkbook();
    // Closes every workbook of the application, unsaved, when the
    // application's workbooks are held.
    void CloseWorkbooks();
    // Saves the workbook of the current sheet as an Excel 97-2003 file,
    // replacing an existing file only once the new one is complete. False
    // when nothing is held or the save fails (a cell beyond row 65,536 or
    // column IV, a folder that cannot be written, a full disk);
    // SaveFailure() then says why.
    bool SaveWorkbookAs(const Text& fileName);
    const Text& SaveFailure() const { return saveFailure_; }

    // Property CellValue: the value of every cell of the current range. Under
    // the text format "@" the text is kept as it is; under another format a
    // text that reads as a number becomes that number; an empty text empties
    // the cells. A text longer than a cell holds (32,767 characters) is cut
    // to that length and counted in CutCells().
    void SetCellValue(const Text& value);
    // How many cells were given a text cut to the cell limit since AddWorkbook.
    std::size_t CutCells() const { return cutCells_; }
    // Property NumberFormat: the number format of the current range ("@" is text).
    void SetNumberFormat(const Text& format);
    // Property CurrentSheet: sheet n (1-based) of the workbook becomes current;
    // a number that names no sheet changes nothing.
    void SetCurrentSheet(int n);
    // Property RangeStart: the start cell address ("a1"); only stored.
    void SetRangeStart(const Text& address);
    // Property RangeEnd: the end cell address; the range from start to end on
    // the current sheet becomes the current range. When either address is not
    // a cell name there is no current range until a valid one is set, so that
    // no later value lands in a cell other than the one addressed.
    void SetRangeEnd(const Text& address);

    bool holdsWorkbook() const { return application_ != nullptr; }
    bool holdsRange() const { return range_.has_value(); }

private:
    struct SheetRef {
        std::shared_ptr<sheet::OpenWorkbook> book;
        std::size_t index = 0;
    };
    struct RangeRef {
        SheetRef sheet;
        sheet::CellRange cells;
    };

    // A sheet can be worked on while its workbook is open in a running application.
    bool usable(const SheetRef& ref) const;

    std::shared_ptr<sheet::Application> application_;  // the application of the held workbook
    std::optional<SheetRef> currentSheet_;             // a sheet of the held workbook
    std::optional<RangeRef> range_;
    Text rangeStart_;
    Text rangeEnd_;
    std::size_t cutCells_ = 0;
    Text saveFailure_;
};
