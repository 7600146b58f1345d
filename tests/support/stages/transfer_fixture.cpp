#include "support/stages/transfer_fixture.h"

#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "transfer/import_export.h"
#include "ui/import_export_window_decl.h"
#include "ui/main_window_decl.h"

#include <QTimer>

void TransferTest::SetUp() {
    BookStage::SetUp();
    if (HasFatalFailure()) return;

    ASSERT_TRUE(LoadWindow(MainWindowDecl(), HandlerTable{}, false));
    DBConnection* book = mainWindow().connection(T(MainControls::AddressBook));
    ASSERT_TRUE(book->ConnectAccess(AddressBookFile()));
    ASSERT_TRUE(mainWindow().recordSet(T(MainControls::Contacts))->SetConnection(*book));
}

void TransferTest::addContact(const std::map<std::string, std::string>& fields, const Bytes& photo) {
    RecordSet contacts;
    contacts.SetConnection(*mainWindow().connection(T(MainControls::AddressBook)));
    ASSERT_TRUE(contacts.OpenTable(ContactsTable(), ContactsByName()));
    ASSERT_TRUE(contacts.AddNew());
    for (const auto& [column, value] : fields) ASSERT_TRUE(contacts.WriteText(T(column), T(value))) << column;
    if (!photo.empty()) {
        ASSERT_TRUE(contacts.WriteBytes(T("照片"), photo));
    }
    ASSERT_TRUE(contacts.Update());
}

void TransferTest::runModal(const std::string& id, const std::function<void()>& open,
                            const std::function<void(Window&)>& body) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        Window* window = FindWindow(id);
        if (!window) {
            ADD_FAILURE() << "window " << id << " is not loaded";
            return;
        }
        // Held while the body runs: a window the body closes stays usable
        // (closing) until the body returns, then goes.
        WindowHold hold(window);
        body(*window);
        DestroyWindow(window);
    });
    // A body that never returns control would hang the test; the window is
    // closed after a minute at the latest.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        ADD_FAILURE() << "window " << id << " still open after 60 s";
        DestroyWindow(id);
    });
    watchdog.start(60000);
    open();
    EXPECT_TRUE(ran);
    EXPECT_EQ(FindWindow(id), nullptr);
}

void TransferTest::inImportExport(const std::function<void(Window&)>& body) {
    runModal(
        "import_export", [this] { open_import_export_window(state_); }, body);
}

ReportList& TransferTest::importExportList(Window& w) { return *w.list(T(ImportExportControls::List)); }

void TransferTest::fillBook(int rows) const {
    execOnFile("with recursive n(i) as (select 1 union all select i + 1 from n where i < " + std::to_string(rows) +
               ") insert into 通讯录 (姓名, 手机) select 'c' || i, '1380000' || (10000 + i) from n");
}

void TransferTest::exportWorkbookAndEmptyBook(const std::string& file) {
    inImportExport([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        chooser_->answers.push_back(file);
        click(w, ImportExportControls::ExportButton);
    });
    execOnFile("delete from 通讯录");
}
