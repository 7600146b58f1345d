#include "contacts/record_window/record_fixture.h"

#include "contacts/contact_list.h"
#include "contacts/main_window_handlers.h"
#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/system/system.h"
#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <sqlite3.h>

#include <stdexcept>

namespace record_tests {

void RecordWindowTest::SetUp() {
    previousFolder_ = QDir::currentPath().toStdString();
    ASSERT_TRUE(CopyDeliveredBook(bookPath()));
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(folder_.path())));
    previousChooser_ = SetFileChooser(chooser_);
    messages_ = std::make_unique<ScopedPresenter>();
    SetUrlOpener([this](const QUrl& url) { openedUrls_.push_back(url); });
    state_.settingsPath = Text::fromUtf8(settingsPath());
    loadMainWindow();
}

void RecordWindowTest::TearDown() {
    closeWindows();
    messages_.reset();
    SetUrlOpener(nullptr);
    SetFileChooser(previousChooser_);
    QDir::setCurrent(QString::fromStdString(previousFolder_));
}

void RecordWindowTest::loadMainWindow() {
    HandlerTable handlers = main_window_contact_handlers(state_);
    // The main window's start-up steps that concern the contacts.
    handlers[MainHandlers::Created] = [this](const EventArgs& e) {
        DBConnection* connection = e.window.connection(T(MainControls::AddressBook));
        ASSERT_TRUE(connection->ConnectAccess(AddressBookFile()));
        e.window.recordSet(T(MainControls::Contacts))->SetConnection(*connection);
        e.window.recordSet(T(MainControls::Users))->SetConnection(*connection);
        set_search_placeholder(state_);
        state_.recordWindowOpen = false;
        create_contact_columns(state_);
    };
    ASSERT_TRUE(LoadWindow(MainWindowDecl(), handlers, false));
}

void RecordWindowTest::closeWindows() {
    // Newest first, one at a time: destroying a window also destroys the
    // windows it owns, so a list taken beforehand would go stale.
    while (!LoadedWindows().empty()) DestroyWindow(LoadedWindows().back(), true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void RecordWindowTest::makeBookReadOnly() {
    QFile(QString::fromStdString(bookPath())).setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

Window& RecordWindowTest::mainWindow() const {
    Window* main = FindWindow("main");
    if (!main) throw std::runtime_error("no main window");
    return *main;
}

Window& RecordWindowTest::recordWindow() const {
    Window* record = FindWindow("record");
    if (!record) throw std::runtime_error("no record window");
    return *record;
}

void RecordWindowTest::addContact(const std::map<std::string, std::string>& fields, const Bytes& photo) {
    AddContact(bookPath(), fields, photo);
}

void RecordWindowTest::refillList() { fill_contact_list(state_, kAllContacts); }

std::vector<StoredRow> RecordWindowTest::storedContacts() const {
    std::vector<StoredRow> rows = StoredContacts(bookPath());
    for (StoredRow& row : rows)
        for (auto& [column, value] : row.fields) value = Gbk(value);
    return rows;
}

Bytes RecordWindowTest::storedAvatar(int userRow) const {
    Bytes avatar;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(bookPath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return avatar;
    }
    sqlite3_stmt* st = nullptr;
    const std::string sql = "select 头像 from 用户 order by 用户名 limit 1 offset " + std::to_string(userRow);
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (st && sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL) {
        auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(st, 0));
        avatar.assign(p, p + sqlite3_column_bytes(st, 0));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return avatar;
}

std::string RecordWindowTest::bookBytes() const { return FileBytes(bookPath()); }

void RecordWindowTest::openRow(int row) {
    ReportList* list = mainWindow().list(T(MainControls::ContactList));
    ASSERT_NE(list, nullptr);
    list->setCurrentSelection(row);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_NE(FindWindow("record"), nullptr) << "row " << row << " did not open";
}

void RecordWindowTest::pressNew() {
    QWidget* button = mainWindow().control(T(MainControls::NewButton)).widget();
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_NE(FindWindow("record"), nullptr);
}

void RecordWindowTest::type(Window& window, const char* control, const std::string& utf8) {
    QWidget* widget = window.control(T(control)).widget();
    ASSERT_NE(widget, nullptr) << control;
    if (auto* line = qobject_cast<QLineEdit*>(widget)) line->clear();
    if (auto* area = qobject_cast<QPlainTextEdit*>(widget)) area->clear();
    // Latin characters as key presses; Chinese text as an input method
    // commits it, a phrase at a time.
    const QString text = QString::fromStdString(utf8);
    QString phrase;
    const auto commit = [&] {
        if (phrase.isEmpty()) return;
        QInputMethodEvent event;
        event.setCommitString(phrase);
        QApplication::sendEvent(widget, &event);
        phrase.clear();
    };
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            commit();
            QTest::keyClick(widget, c.toLatin1());
        } else {
            phrase += c;
        }
    }
    commit();
}

void RecordWindowTest::click(Window& window, const char* control) {
    QWidget* widget = window.control(T(control)).widget();
    ASSERT_NE(widget, nullptr) << control;
    ASSERT_TRUE(widget->isEnabled()) << control << " is disabled";
    QTest::mouseClick(widget, Qt::LeftButton);
}

std::string RecordWindowTest::textOf(Window& window, const char* control) {
    return window.control(T(control)).text().toUtf8();
}

int RecordWindowTest::listRows() const {
    ReportList* list = mainWindow().list(T(MainControls::ContactList));
    return list ? list->ItemCount() : -1;
}

std::string RecordWindowTest::listText(int row, int column) const {
    ReportList* list = mainWindow().list(T(MainControls::ContactList));
    return list ? list->GetItemText(row, column).toUtf8() : std::string();
}

std::vector<std::string> RecordWindowTest::takeMessages() {
    std::vector<std::string> all = (*messages_)->texts();
    std::vector<std::string> fresh(all.begin() + static_cast<long>(messagesTaken_), all.end());
    messagesTaken_ = all.size();
    return fresh;
}

QImage GradientImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / std::max(width - 1, 1), y * 255 / std::max(height - 1, 1), 90));
    return image;
}

}  // namespace record_tests
