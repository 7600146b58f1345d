#include "services/sheet/excel.h"

#include "services/sheet/xls_file.h"

#include <algorithm>
#include <vector>

namespace sheet {

struct OpenWorkbook {
    Workbook book;
    bool open = true;
};

// One in-process spreadsheet application: its open workbooks, the last added
// being the active one.
class Application {
public:
    bool running() const { return running_; }

    std::shared_ptr<OpenWorkbook> addWorkbook() {
        auto wb = std::make_shared<OpenWorkbook>();
        workbooks_.push_back(wb);
        return wb;
    }

    void closeWorkbooks() {
        for (auto& wb : workbooks_) wb->open = false;
        workbooks_.clear();
    }

    void quit() {
        closeWorkbooks();
        running_ = false;
    }

private:
    std::vector<std::shared_ptr<OpenWorkbook>> workbooks_;
    bool running_ = true;
};

}  // namespace sheet

ExcelApp::ExcelApp() = default;

ExcelApp::~ExcelApp() = default;

bool ExcelApp::CreateApp() {
    application_.reset();
    application_ = std::make_shared<sheet::Application>();
    return true;
}

void ExcelApp::QuitApp() {
    if (application_) application_->quit();
}

ExcelWorkbooks::ExcelWorkbooks() = default;

ExcelWorkbooks::~ExcelWorkbooks() = default;

bool ExcelWorkbooks::AddWorkbook(ExcelApp& app) {
    ReleaseWorkbook();
    if (!app.application_ || !app.application_->running()) return false;
    application_ = app.application_;
    currentSheet_ = SheetRef{application_->addWorkbook(), 0};
    cutCells_ = 0;
    return true;
}

void ExcelWorkbooks::ReleaseWorkbook() {
    application_.reset();
    range_.reset();
    currentSheet_.reset();
    rangeStart_ = Text();
    rangeEnd_ = Text();
}

void ExcelWorkbooks::CloseWorkbooks() {
    if (application_ && application_->running()) application_->closeWorkbooks();
}

bool ExcelWorkbooks::usable(const SheetRef& ref) const {
    return ref.book && ref.book->open && application_ && application_->running() &&
           ref.index < ref.book->book.sheetCount();
}

bool ExcelWorkbooks::SaveWorkbookAs(const Text& fileName) {
    saveFailure_ = Text();
    if (!application_ || !currentSheet_ || !usable(*currentSheet_)) {
        saveFailure_ = T("没有打开的工作簿");
        return false;
    }
    return sheet::WriteXlsFile(currentSheet_->book->book, fileName, &saveFailure_);
}

void ExcelWorkbooks::SetCellValue(const Text& value) {
    if (!range_ || !usable(range_->sheet)) return;
    std::u16string text = sheet::Utf16Of(value);
    // Cut rather than dropped, and counted, so that the caller can say so.
    if (sheet::CutToCellLimit(text)) cutCells_ += range_->cells.cellCount();
    range_->sheet.book->book.setValue(range_->sheet.index, range_->cells, text);
}

void ExcelWorkbooks::SetNumberFormat(const Text& format) {
    if (!range_ || !usable(range_->sheet)) return;
    range_->sheet.book->book.setFormat(range_->sheet.index, range_->cells, format);
}

void ExcelWorkbooks::SetCurrentSheet(int n) {
    if (!currentSheet_ || n < 1) return;
    SheetRef ref{currentSheet_->book, static_cast<std::size_t>(n - 1)};
    if (usable(ref)) currentSheet_ = ref;
}

void ExcelWorkbooks::SetRangeStart(const Text& address) { rangeStart_ = address; }

void ExcelWorkbooks::SetRangeEnd(const Text& address) {
    rangeEnd_ = address;
    if (!currentSheet_ || !usable(*currentSheet_)) return;
    auto cells = sheet::ParseRange(rangeStart_.bytes(), rangeEnd_.bytes());
    if (cells) range_ = RangeRef{*currentSheet_, *cells};
    else range_.reset();
}
