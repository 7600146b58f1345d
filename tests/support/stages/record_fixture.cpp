#include "support/stages/record_fixture.h"

#include "contacts/contact_list.h"
#include "contacts/main_window_handlers.h"
#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/system/system.h"
#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QFile>
#include <QTest>

#include <sqlite3.h>

#include <stdexcept>

namespace record_tests {

void RecordWindowTest::SetUp() {
    BookStage::SetUp();
    if (HasFatalFailure()) return;
    SetUrlOpener([this](const QUrl& url) { openedUrls_.push_back(url); });
    state_.settingsPath = Text::fromUtf8(settingsPath());
    loadMainWindow();
}

void RecordWindowTest::TearDown() {
    BookStage::TearDown();
    SetUrlOpener(nullptr);
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

void RecordWindowTest::makeBookReadOnly() {
    QFile(QString::fromStdString(bookPath())).setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
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

Window& RecordWindowTest::refillAndOpen(int row) {
    refillList();
    openRow(row);
    return recordWindow();
}

Window& RecordWindowTest::newContactNamed(const std::string& name, const std::string& mobile) {
    pressNew();
    Window& record = recordWindow();
    type(record, RecordControls::NameBox, name);
    type(record, RecordControls::MobileBox, mobile);
    return record;
}

void RecordWindowTest::expectOnlyASaveFailure() {
    const auto shown = takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("保存失败！", 0), 0u) << shown[0];
}

void RecordWindowTest::pressNew() {
    click(mainWindow(), MainControls::NewButton);
    ASSERT_NE(FindWindow("record"), nullptr);
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
