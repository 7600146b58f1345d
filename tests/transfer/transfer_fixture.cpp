#include "transfer/transfer_fixture.h"

#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "ui/main_window.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QTest>
#include <QTimer>

void TransferTest::SetUp() {
    previousFolder_ = QDir::currentPath().toStdString();
    ASSERT_TRUE(CopyDeliveredBook(bookPath()));
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(folder_.path())));
    previousChooser_ = SetFileChooser(chooser_);
    messages_ = std::make_unique<ScopedPresenter>();

    ASSERT_TRUE(LoadWindow(MainWindowDecl(), HandlerTable{}, false));
    DBConnection* book = mainWindow().connection(T(MainControls::AddressBook));
    ASSERT_TRUE(book->ConnectAccess(AddressBookFile()));
    ASSERT_TRUE(mainWindow().recordSet(T(MainControls::Contacts))->SetConnection(*book));
}

void TransferTest::TearDown() {
    for (Window* w : LoadedWindows()) DestroyWindow(w, true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    messages_.reset();
    SetFileChooser(previousChooser_);
    QDir::setCurrent(QString::fromStdString(previousFolder_));
}

Window& TransferTest::mainWindow() const {
    Window* main = FindWindow("main");
    if (!main) throw std::runtime_error("no main window");
    return *main;
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

void TransferTest::click(Window& window, const char* button) {
    auto* widget = qobject_cast<QAbstractButton*>(window.control(T(button)).widget());
    ASSERT_NE(widget, nullptr) << button;
    ASSERT_TRUE(widget->isEnabled()) << button << " is disabled";
    QTest::mouseClick(widget, Qt::LeftButton);
}

std::string TransferTest::textOf(Window& window, const char* control) {
    return window.control(T(control)).text().toUtf8();
}
