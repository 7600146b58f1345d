// The import/export window's four actions on a copy of the delivered address
// book holding N contacts (every tenth with a photo), for N = 10,000 and
// 20,000: read the book into the list, export the list to a workbook, then,
// with the book emptied, import that workbook into the list and write it
// into the book. Prints each time and the 20,000 / 10,000 ratios.
//
// Then the text import of a file just under its size limit: open, split,
// write; and the heap a read of 20,000 contacts with 1,000 photos of 100 KB
// holds, and its export.
//
//   transfer_bench            (offscreen; no window is shown)

#include "transfer/import_export.h"

#include "bench_timing.h"
#include "data/address_book.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "services/window/file_chooser.h"
#include "services/window/report_list.h"
#include "transfer/text_import.h"
#include "ui/import_export_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/text_import_window_decl.h"

#include "support/address_book_copy.h"
#include "support/window_driver.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <malloc.h>

#include <cstdio>
#include <string>
#include "build_paths.h"

namespace {

class QuietPresenter : public MessagePresenter {
public:
    int present(const MessageRequest& request) override {
        last = request.text.toUtf8();
        return 0;
    }
    std::string last;
};

class FixedChooser : public FileChooser {
public:
    std::optional<Text> choose(const FileRequest&) override { return path; }
    Text path;
};

void Exec(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) std::fprintf(stderr, "%s\n", error);
    sqlite3_free(error);
    sqlite3_close(db);
}

void FillBook(const std::string& file, int contacts, int photoEvery = 10, std::size_t photoSize = 2000) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into 通讯录 (姓名,手机,首字母,QQ,邮箱,分组,地址,生日,备注,照片,归属地,性别) "
                       "values (?,?,'zs','12345','someone@example.com','同学','北京市海淀区',"
                       "'1980-01-06 00:00:00','备注',?,'北京移动','男')",
                       -1, &st, nullptr);
    const std::string photo(photoSize, 'p');
    for (int i = 0; i < contacts; ++i) {
        const std::string name = "张三" + std::to_string(100000 + i);
        const std::string mobile = std::to_string(13800000000LL + i);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, mobile.c_str(), -1, SQLITE_TRANSIENT);
        if (i % photoEvery == 0) sqlite3_bind_blob(st, 3, photo.data(), int(photo.size()), SQLITE_TRANSIENT);
        else sqlite3_bind_null(st, 3);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// A fresh copy of the delivered book in `folder`, which becomes the working folder.
std::string BookInWorkingFolder(const QTemporaryDir& folder) {
    const std::string book = folder.filePath("VRL3.mdb").toStdString();
    CopyDeliveredBook(book);
    QDir::setCurrent(folder.path());
    return book;
}

// The main window holding the book's connection, as start-up leaves it, then `decl` loaded with `handlers`.
Window* LoadOnTheBook(const WindowDecl& decl, const HandlerTable& handlers) {
    LoadWindow(MainWindowDecl(), HandlerTable{}, false);
    Window* main = FindWindow("main");
    main->connection(T(MainControls::AddressBook))->ConnectAccess(AddressBookFile());
    main->recordSet(T(MainControls::Contacts))->SetConnection(*main->connection(T(MainControls::AddressBook)));
    LoadWindow(decl, handlers, false);
    return FindWindow(decl.id);
}

struct Times {
    double read = 0, exportTime = 0, import = 0, write = 0;
};

Times Run(int contacts, const std::shared_ptr<FixedChooser>& chooser, const std::shared_ptr<QuietPresenter>& messages) {
    QTemporaryDir folder;
    const std::string book = BookInWorkingFolder(folder);
    FillBook(book, contacts);

    ProgramState state;
    Window* window = LoadOnTheBook(ImportExportWindowDecl(), import_export_handlers(state));
    ImportExportSession session;

    Times t;
    chooser->path = Text::fromUtf8(folder.filePath("contacts.xls").toStdString());
    t.read = SecondsOf([&] { read_book_into_list(*window, session); });
    t.exportTime = SecondsOf([&] { export_list_to_workbook(*window, session); });
    const std::string exported = messages->last;
    Exec(book, "delete from 通讯录");
    t.import = SecondsOf([&] { import_workbook_into_list(*window, session); });
    const int listed = window->list(T(ImportExportControls::List))->ItemCount();
    t.write = SecondsOf([&] { write_list_into_book(*window, session, state); });
    std::printf("%6d contacts: read %.2f s, export %.2f s (%s), import %.2f s (%d rows), write %.2f s\n", contacts,
                t.read, t.exportTime, exported.c_str(), t.import, listed, t.write);
    std::printf("               write: %s\n",
                QString::fromStdString(messages->last).replace("\r\n", ", ").toStdString().c_str());
    std::fflush(stdout);

    WindowDriver::closeAllWindows();
    QDir::setCurrent(QDir::tempPath());
    return t;
}

void RunTextImport(const std::shared_ptr<FixedChooser>& chooser) {
    QTemporaryDir folder;
    const std::string book = BookInWorkingFolder(folder);
    const std::string line = T("张三丰,13800000000,123456789,zhangsanfeng@example.com\r\n").bytes();
    std::string text;
    while (text.size() + line.size() < static_cast<std::size_t>(kMaxTextImportBytes)) text += line;
    const QString file = folder.filePath("contacts.txt");
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(text.data(), static_cast<qint64>(text.size()));
    out.close();
    chooser->path = Text::fromQString(file);

    ProgramState state;
    Window* window = LoadOnTheBook(TextImportWindowDecl(), text_import_handlers(state));
    const double open = SecondsOf([&] { open_text_file(*window); });
    const double split = SecondsOf([&] { split_text(*window); });
    const double write = SecondsOf([&] { write_rows_to_book(*window); });
    std::printf("text import of %.1f MB (%zu lines): open %.2f s, split %.2f s, write %.2f s (%s)\n",
                double(text.size()) / (1024 * 1024), text.size() / line.size(), open, split, write,
                window->control(T(TextImportControls::StatusLabel)).text().toUtf8().c_str());
    WindowDriver::closeAllWindows();
    QDir::setCurrent(QDir::tempPath());
}

// Heap in use, in MB.
double HeapMb() { return double(mallinfo2().uordblks) / (1024 * 1024); }

// What a read holds: the photos stay in the book until their rows are exported.
void RunPhotoMemory(const std::shared_ptr<FixedChooser>& chooser, const std::shared_ptr<QuietPresenter>& messages) {
    QTemporaryDir folder;
    const std::string book = BookInWorkingFolder(folder);
    const int contacts = 20000, photoEvery = 20;
    const std::size_t photoSize = 100 * 1024;
    FillBook(book, contacts, photoEvery, photoSize);

    ProgramState state;
    Window* window = LoadOnTheBook(ImportExportWindowDecl(), import_export_handlers(state));
    ImportExportSession session;
    chooser->path = Text::fromUtf8(folder.filePath("photos.xls").toStdString());
    const double before = HeapMb();
    const double read = SecondsOf([&] { read_book_into_list(*window, session); });
    const double afterRead = HeapMb();
    const double exportTime = SecondsOf([&] { export_list_to_workbook(*window, session); });
    std::printf(
        "%d contacts, %d photos of %zu KB (%zu MB): read %.2f s, heap +%.1f MB after the read; "
        "export %.2f s (%s)\n",
        contacts, contacts / photoEvery, photoSize / 1024, contacts / photoEvery * photoSize / (1024 * 1024), read,
        afterRead - before, exportTime, messages->last.c_str());
    WindowDriver::closeAllWindows();
    QDir::setCurrent(QDir::tempPath());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto chooser = std::make_shared<FixedChooser>();
    auto messages = std::make_shared<QuietPresenter>();
    SetFileChooser(chooser);
    SetMessagePresenter(messages);

    const Times small = Run(10000, chooser, messages);
    const Times large = Run(20000, chooser, messages);
    std::printf(
        "20,000 / 10,000: read %.2fx, export %.2fx, import %.2fx, write %.2fx (limit 2.5x for read, export, import)\n",
        large.read / small.read, large.exportTime / small.exportTime, large.import / small.import,
        large.write / small.write);
    RunTextImport(chooser);
    RunPhotoMemory(chooser, messages);
    return 0;
}
