#include "transfer/import_export.h"

#include "contacts/contact_list.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/sheet/excel.h"
#include "services/sheet/workbook.h"
#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "transfer/book_writer.h"
#include "transfer/event_pump.h"
#include "transfer/transfer_text.h"
#include "ui/import_export_window_decl.h"
#include "ui/main_window_decl.h"

#include <QPointer>
#include <QProgressBar>

#include <cstdlib>
#include <unordered_map>

namespace {

const Text kList = T(ImportExportControls::List);

// Marks the session busy for the lifetime of one action.
class BusyGuard {
public:
    explicit BusyGuard(ImportExportSession& session) : session_(session), acquired_(!session.busy) {
        session_.busy = true;
    }
    ~BusyGuard() {
        if (acquired_) session_.busy = false;
    }
    bool acquired() const { return acquired_; }

private:
    ImportExportSession& session_;
    bool acquired_;
};

// The window's status label and progress bar.
class Progress {
public:
    explicit Progress(Window& window)
        : status_(window.control(T(ImportExportControls::ProgressText))),
          bar_(window.control(T(ImportExportControls::Progress))) {}

    void status(const Text& text) { status_.setText(text); }
    void step(const char* what, int i, int count) {
        status(T(what) + TextOf(i) + T(" 条记录"));
        if (auto* bar = qobject_cast<QProgressBar*>(bar_.widget())) {
            bar->setMaximum(std::max(count, 1));
            bar->setValue(std::min(i, bar->maximum()));
        }
    }

private:
    Control status_;
    Control bar_;
};

// Lets pending window events run now and then; false once the window is
// closing or its list is gone, so that the running action stops.
bool KeepWindowAlive(EventPump& pump, Window& window, const QPointer<ReportList>& list) {
    return pump.keepGoing(window) && !list.isNull();
}

void ClearList(ReportList& list) {
    list.DeleteAllItems();
    for (int n = list.ColumnCount(); n > 0; --n) list.DeleteColumn(0);
}

void SizeColumnsToTitles(ReportList& list) {
    for (int c = 0; c < list.ColumnCount(); ++c) list.SetColumnWidth(c, -2);
}

// Why a connection failed, for the user: the first description of its error text.
Text FirstErrorDescription(const DBConnection& connection) {
    const std::string errors = connection.ErrorText().bytes();
    const std::string label = "Description: ";
    const std::size_t from = errors.find(label);
    if (from == std::string::npos) return Text::fromBytes(errors);
    const std::size_t start = from + label.size();
    const std::size_t end = std::min(errors.find("\r\n", start), errors.size());
    return Text::fromBytes(errors.substr(start, end - start));
}

// The key (field 0) of the record set's current row; 0 when it has none.
long long ContactKey(RecordSet& contacts) { return std::strtoll(contacts.ReadText(0).bytes().c_str(), nullptr, 10); }

// The photo files of an export. The photos are found once, by key, when the
// export starts (one query, whatever the number of photos); each is read
// from the book when its row is written and put in place only when written
// whole. Failures are counted.
class PhotoWrites {
public:
    PhotoWrites() {
        if (!book_) return;
        photos_.SetConnection(*book_);
        found_ = photos_.Open(ContactPhotosSql(), RecordSet::kSqlText);
        for (bool more = found_ && photos_.MoveFirst(); more && !photos_.AtEnd(); more = photos_.MoveNext())
            positions_[ContactKey(photos_)] = photos_.Position();
    }

    void write(const Text& file, long long key) {
        if (!found_) return fail(file, T("照片读取失败"));
        // A photo removed from the book since the read is not written.
        auto at = positions_.find(key);
        if (at == positions_.end()) return;
        Bytes photo;
        if (!photos_.MoveTo(at->second) || !photos_.ReadBytes(1, photo)) return fail(file, T("照片读取失败"));
        Text failure;
        if (!photo.empty() && !ReplaceFile(file, {photo}, &failure)) fail(file, failure);
    }

    int failed = 0;
    Text firstFailed;
    Text firstFailure;

private:
    void fail(const Text& file, const Text& failure) {
        if (failed++ > 0) return;
        firstFailed = file;
        firstFailure = failure;
    }

    DBConnection* book_ = MainAddressBook();
    RecordSet photos_;
    bool found_ = false;
    std::unordered_map<long long, int> positions_;
};

}  // namespace

Text WorkbookConnectionText(const Text& file, const Text& folder) {
    return T("ODBC;DBQ=") + file + T(";DefaultDir=") + folder + T(";Driver={Microsoft Excel Driver (*.xls)}; ");
}

// ---- 读出通讯录 ----

void read_book_into_list(Window& window, ImportExportSession& session) {
    BusyGuard busy(session);
    QPointer<ReportList> list = window.list(kList);
    // The book belongs to the main window, which stays while the rows are read.
    WindowHold bookOwner(MainWindow());
    DBConnection* book = MainAddressBook();
    if (!busy.acquired() || !list || !book) return;
    ClearList(*list);

    // A record set of its own on the book's connection: the main window's
    // record set stays on the query its list shows.
    RecordSet contacts;
    contacts.SetConnection(*book);
    contacts.OpenTable(ContactsTable(), ContactsByName());
    const int fields = contacts.FieldCount();
    const Text photoField = T("照片");
    for (int j = 1; j < fields; ++j) list->InsertColumn(j, contacts.FieldName(j));

    const int count = contacts.RecordCount();
    session.photoKeys.assign(static_cast<std::size_t>(std::max(count, 0)), 0);
    Progress progress(window);
    EventPump pump;
    int read = 0;
    for (int j = 1; j <= count && !contacts.AtEnd(); ++j) {
        const int row = list->InsertItem();
        for (int k = 1; k < fields; ++k) {
            // A photo reads as a mark ("[BLOB]") without its bytes; only the
            // contact's key is kept for the export.
            if (contacts.FieldName(k) == photoField) {
                if (!contacts.ReadText(k).empty()) session.photoKeys[j - 1] = ContactKey(contacts);
            } else {
                list->SetItemText(row, k - 1, contacts.ReadText(k));
            }
        }
        read = j;
        progress.step("正在读出第 ", j, count);
        contacts.MoveNext();
        if (!KeepWindowAlive(pump, window, list)) return;
    }
    progress.status(T("共读出 ") + TextOf(read) + T(" 条记录"));
    SizeColumnsToTitles(*list);
    window.control(T(ImportExportControls::WriteButton)).setEnabled(false);
    window.control(T(ImportExportControls::ExportButton)).setEnabled(true);
}

// ---- 导出 ----

void export_list_to_workbook(Window& window, ImportExportSession& session) {
    BusyGuard busy(session);
    QPointer<ReportList> list = window.list(kList);
    Control dialogControl = window.control(T(ImportExportControls::FileDialog));
    CommonDialog* dialog = window.dialog(T(ImportExportControls::FileDialog));
    ExcelApp* app = window.excelApp(T(ImportExportControls::Excel));
    ExcelWorkbooks* workbook = window.excelWorkbooks(T(ImportExportControls::Workbooks));
    if (!busy.acquired() || !list || !dialog || !app || !workbook) return;

    dialog->kind = CommonDialog::kSaveFile;
    dialog->title = Text();
    dialog->filter = T("Excel文件|*.xls");
    dialog->defaultExtension = T("xls");
    if (!ShowCommonDialog(dialogControl) || window.closing()) return;
    const Text file = dialogControl.text();
    const Text folder = FolderOf(file);

    app->CreateApp();
    workbook->AddWorkbook(*app);
    workbook->SetCurrentSheet(1);
    const Text textFormat = T("@");
    const Text mobileTitle = T("手机");
    auto writeCell = [&](int row, int column, const Text& value) {
        const Text address = Text::fromBytes(
            sheet::CellAddress({static_cast<std::uint32_t>(row - 1), static_cast<std::uint32_t>(column - 1)}));
        workbook->SetRangeStart(address);
        workbook->SetRangeEnd(address);
        workbook->SetNumberFormat(textFormat);
        workbook->SetCellValue(value);
    };

    Progress progress(window);
    EventPump pump;
    PhotoWrites photos;
    const int rows = list->ItemCount();
    // The sheet holds columns A to IV; the list never has more.
    const int columns = std::min(list->ColumnCount(), static_cast<int>(sheet::kXlsColumns));
    bool stopped = false;
    for (int i = 1; i <= rows; ++i) {
        if (!KeepWindowAlive(pump, window, list)) {
            stopped = true;
            break;
        }
        for (int j = 1; j <= columns; ++j) {
            const Text title = list->GetColumnTitle(j - 1);
            const Text cell = list->GetItemText(i - 1, j - 1);
            // The title row goes with the first data row: an empty list
            // leaves the sheet empty.
            if (i == 1) writeCell(1, j, title);
            if (title == mobileTitle && static_cast<std::size_t>(i - 1) < session.photoKeys.size() &&
                session.photoKeys[i - 1] != 0) {
                if (auto photoFile = PhotoFileName(folder, cell)) photos.write(*photoFile, session.photoKeys[i - 1]);
            }
            writeCell(i + 1, j, cell);
        }
        progress.step("正在导出第 ", i, rows);
    }
    // A closed window abandons the export: no half-written workbook is saved.
    if (stopped) {
        workbook->ReleaseWorkbook();
        workbook->CloseWorkbooks();
        app->QuitApp();
        return;
    }
    progress.status(T("共导出 ") + TextOf(rows) + T(" 条记录"));

    const bool saved = workbook->SaveWorkbookAs(file);
    const Text saveFailure = workbook->SaveFailure();
    const std::size_t cut = workbook->CutCells();
    workbook->ReleaseWorkbook();
    workbook->CloseWorkbooks();
    app->QuitApp();

    Text message = !saved               ? file + T("保存失败！") + T("\r\n原因：") + saveFailure
                   : photos.failed == 0 ? T("任务完成！")
                                        : T("工作簿已保存，但照片未能全部写入！");
    if (cut > 0) {
        message +=
            T("\r\n有 ") + TextOf(static_cast<int>(cut)) + T(" 个单元格的文字超过单元格上限（32767 个字符），已截断");
    }
    if (photos.failed > 0) {
        message += T("\r\n有 ") + TextOf(photos.failed) + T(" 张照片未能写入，如 ") + photos.firstFailed + T("：") +
                   photos.firstFailure;
    }
    ShowMessage(message, saved && cut == 0 && photos.failed == 0 ? MessageStyle::kInformation : MessageStyle::kWarning);
}

// ---- 导入 ----

void import_workbook_into_list(Window& window, ImportExportSession& session) {
    BusyGuard busy(session);
    QPointer<ReportList> list = window.list(kList);
    Control dialogControl = window.control(T(ImportExportControls::FileDialog));
    CommonDialog* dialog = window.dialog(T(ImportExportControls::FileDialog));
    DBConnection* sheetConnection = window.connection(T(ImportExportControls::SheetConnection));
    RecordSet* sheet = window.recordSet(T(ImportExportControls::Sheet));
    if (!busy.acquired() || !list || !dialog || !sheetConnection || !sheet) return;

    dialog->kind = CommonDialog::kOpenFile;
    dialog->title = Text();
    dialog->filter = T("*.xls|*.xls");
    dialog->defaultExtension = Text();
    if (!ShowCommonDialog(dialogControl) || window.closing()) return;
    const Text file = dialogControl.text();
    session.importFolder = FolderOf(file);
    // The photos of an earlier read belong to other rows.
    session.photoKeys.clear();

    window.control(T(ImportExportControls::Hint)).setText(Text());
    ClearList(*list);

    Progress progress(window);
    EventPump pump;
    if (!sheetConnection->Connect(WorkbookConnectionText(file, session.importFolder))) {
        ShowMessage(file + T("连接失败！") + T("\r\n") + FirstErrorDescription(*sheetConnection),
                    MessageStyle::kOkOnly);
    } else {
        sheet->SetConnection(*sheetConnection);
        // One open: a workbook without Sheet1 gets one error message.
        sheet->Open(T("select * from [Sheet1$]"), RecordSet::kSqlText);
        const int fields = sheet->FieldCount();
        for (int i = 0; i < fields; ++i) list->InsertColumn(std::nullopt, sheet->FieldName(i));
        const int count = sheet->RecordCount();
        int imported = 0;
        for (int i = 1; i <= count && !sheet->AtEnd(); ++i) {
            const int row = list->InsertItem();
            for (int k = 0; k < fields; ++k) list->SetItemText(row, k, NormaliseSheetCell(sheet->ReadText(k)));
            sheet->MoveNext();
            imported = i;
            progress.step("正在导入第 ", i, count);
            if (!KeepWindowAlive(pump, window, list)) {
                sheet->Close();
                sheetConnection->CloseConnection();
                return;
            }
        }
        progress.status(T("共导入 ") + TextOf(imported) + T(" 条记录"));
        SizeColumnsToTitles(*list);
        sheet->Close();
    }
    sheetConnection->CloseConnection();
    window.control(T(ImportExportControls::WriteButton)).setEnabled(true);
}

// ---- 写入通讯录 ----

void write_list_into_book(Window& window, ImportExportSession& session, ProgramState& state) {
    BusyGuard busy(session);
    QPointer<ReportList> list = window.list(kList);
    // The book belongs to the main window, which stays while the rows are written.
    WindowHold bookOwner(MainWindow());
    DBConnection* book = MainAddressBook();
    if (!busy.acquired() || !list || !book) return;

    BookWriter writer(*book);
    Progress progress(window);
    EventPump pump;
    const int total = list->ItemCount();
    const int columns = list->ColumnCount();
    const Text initialsField = T("首字母");
    const Text photoField = T("照片");
    bool stopped = false;
    for (int i = 1; i <= total; ++i) {
        const Text rawNumber = list->GetItemText(i - 1, 1);
        writer.add(TrimSpaces(rawNumber), [&](RecordSet& row) {
            for (int j = 1; j <= columns; ++j) row.WriteText(j, TrimSpaces(list->GetItemText(i - 1, j - 1)));
            row.WriteText(initialsField, NameInitials(list->GetItemText(i - 1, 0), 3));
            const auto photoFile = PhotoFileName(session.importFolder, rawNumber);
            row.WriteBytes(photoField, photoFile ? ReadFile(*photoFile) : Bytes());
            return true;
        });
        progress.step("正在写入第 ", i, total);
        if (!KeepWindowAlive(pump, window, list)) {
            stopped = true;
            break;
        }
    }
    writer.finish();
    if (!stopped) {
        const ImportCounts& counts = writer.counts();
        progress.status(T("共 ") + TextOf(total) + T(" 条记录"));
        window.control(T(ImportExportControls::Hint))
            .setText(T("共 ") + TextOf(total) + T(" 条记录，已存在 ") + TextOf(counts.present) +
                     T(" 条记录，成功添加 ") + TextOf(counts.added) + T(" 条记录"));
        ShowMessage(ImportCountsMessage(counts), MessageStyle::kInformation, T("提示！"));
        window.control(T(ImportExportControls::WriteButton)).setEnabled(false);
    }
    fill_contact_list(state, kAllContacts);
}

// ---- the window ----

HandlerTable import_export_handlers(ProgramState& state) {
    auto session = std::make_shared<ImportExportSession>();
    return {
        {kReadBookHandler, [session](const EventArgs& e) { read_book_into_list(e.window, *session); }},
        {kExportListHandler, [session](const EventArgs& e) { export_list_to_workbook(e.window, *session); }},
        {kImportWorkbookHandler, [session](const EventArgs& e) { import_workbook_into_list(e.window, *session); }},
        {kWriteListHandler, [session, &state](const EventArgs& e) { write_list_into_book(e.window, *session, state); }},
    };
}

void open_import_export_window(ProgramState& state) {
    LoadWindow(ImportExportWindowDecl(), import_export_handlers(state), true);
}
