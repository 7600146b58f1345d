#include "support/stages/program_fixture.h"

#include "services/window/controls/html_browse_box.h"
#include "services/window/report_list.h"
#include "support/address_book_copy.h"
#include "ui/login_window_decl.h"
#include "ui/main_window_decl.h"

#include <QApplication>
#include <QDir>

#include <sqlite3.h>

#include <fstream>

ProgramFixture::ProgramFixture(const std::string& programSubfolder)
    : programFolder_(programSubfolder.empty() ? folder_.path() : folder_.file(programSubfolder)) {
    CopyProgramFolder(programFolder_);
    previousFolder_ = QDir::currentPath();
    // No test reaches the web: the weather view shows an empty page.
    HtmlBrowseBox::setDefaultFetcher([](const Text&) { return Bytes{}; });
    program_ = std::make_unique<Program>(folderText());
    program_->setQuit([this] { ++quitCalls_; });
}

ProgramFixture::~ProgramFixture() {
    closeAllWindows();
    QDir::setCurrent(previousFolder_);
}

void ProgramFixture::execSql(const std::string& sql) { ExecOnBook(bookPath(), sql); }

std::vector<std::string> ProgramFixture::query(const std::string& sql) {
    std::vector<std::string> out;
    sqlite3* db = nullptr;
    sqlite3_open(bookPath().c_str(), &db);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(statement, 0);
            out.emplace_back(text ? reinterpret_cast<const char*>(text) : "(null)");
        }
    } else {
        ADD_FAILURE() << "query failed: " << sql;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return out;
}

void ProgramFixture::addContacts(const std::vector<SampleContact>& contacts) {
    std::vector<ContactColumns> rows;
    for (const auto& c : contacts) {
        rows.push_back({{"姓名", c.name}, {"手机", c.mobile}, {"首字母", c.initials}});
        if (!c.group.empty()) rows.back()["分组"] = c.group;
    }
    AddContacts(bookPath(), rows);
}

void ProgramFixture::addUser(const std::string& name, const std::string& password, const Bytes& avatar) {
    AddUser(bookPath(), name, password, avatar);
}

void ProgramFixture::writeSettings(const std::string& utf8Content) {
    // The settings file is GBK, as the program writes it.
    const Text content = Text::fromUtf8(utf8Content);
    std::ofstream(settingsPath(), std::ios::binary) << content.bytes();
}

void ProgramFixture::start() {
    ASSERT_TRUE(program_->start());
    ASSERT_NE(FindWindow("login"), nullptr);
}

void ProgramFixture::typePassword(const std::string& password) {
    Window* login = FindWindow("login");
    ASSERT_NE(login, nullptr);
    type(*login, LoginControls::PasswordBox, password);
}

void ProgramFixture::signIn(const std::string& password) {
    start();
    typePassword(password);
    click(*FindWindow("login"), LoginControls::SignInButton);
    settle();
}

Window* ProgramFixture::loadMain() {
    QDir::setCurrent(folderText().toQFileName());
    program_->loadMainWindow();
    return FindWindow("main");
}

std::vector<std::string> ProgramFixture::listRows() {
    std::vector<std::string> rows;
    Window* main = FindWindow("main");
    if (!main) return rows;
    ReportList* list = main->list(T(MainControls::ContactList));
    for (int row = 0; row < list->ItemCount(); ++row)
        rows.push_back(list->GetItemText(row, 0).toUtf8() + "|" + list->GetItemText(row, 1).toUtf8());
    return rows;
}

std::vector<std::string> ProgramFixture::listedNames() {
    std::vector<std::string> names;
    for (const std::string& row : listRows()) names.push_back(row.substr(0, row.find('|')));
    return names;
}
