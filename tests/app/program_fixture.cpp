#include "app/program_fixture.h"

#include "services/window/controls/html_browse_box.h"
#include "services/window/report_list.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>

#include <sqlite3.h>

#include <filesystem>
#include <fstream>

namespace {

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << "sql failed: " << sql << ": " << (error ? error : "");
        sqlite3_free(error);
    }
}

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += (c == '\'') ? std::string("''") : std::string(1, c);
    return out + "'";
}

}  // namespace

ProgramFixture::ProgramFixture() {
    namespace fs = std::filesystem;
    const fs::path program(VARELO_PROGRAM_DIR);
    fs::copy_file(program / "VRL3.mdb", folder_.file("VRL3.mdb"));
    fs::copy_file(program / "libSkinH_EL.so", folder_.file("libSkinH_EL.so"));
    previousFolder_ = QDir::currentPath();
    // No test reaches the web: the weather view shows an empty page.
    HtmlBrowseBox::setDefaultFetcher([](const Text&) { return Bytes{}; });
    program_ = std::make_unique<Program>(folderText());
    program_->setQuit([this] { ++quitCalls_; });
}

ProgramFixture::~ProgramFixture() {
    // One at a time: closing the main window takes its companions with it.
    for (int guard = 0; guard < 20 && !LoadedWindows().empty(); ++guard) DestroyWindow(LoadedWindows().front(), true);
    settle();
    QDir::setCurrent(previousFolder_);
}

void ProgramFixture::execSql(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(bookPath().c_str(), &db), SQLITE_OK);
    Exec(db, sql);
    sqlite3_close(db);
}

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
    std::string sql = "BEGIN;";
    for (const auto& c : contacts)
        sql += "INSERT INTO 通讯录 (姓名, 手机, 首字母, 分组) VALUES (" + Quoted(c.name) + "," + Quoted(c.mobile) + "," +
               Quoted(c.initials) + "," + (c.group.empty() ? std::string("NULL") : Quoted(c.group)) + ");";
    execSql(sql + "COMMIT;");
}

void ProgramFixture::addUser(const std::string& name, const std::string& password, const Bytes& avatar) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(bookPath().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO 用户 (用户名, 密码, 头像) VALUES (?, ?, ?)", -1, &statement, nullptr);
    sqlite3_bind_text(statement, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(statement, 2, password.c_str(), -1, SQLITE_TRANSIENT);
    if (avatar.empty()) sqlite3_bind_null(statement, 3);
    else sqlite3_bind_blob(statement, 3, avatar.data(), static_cast<int>(avatar.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
    sqlite3_finalize(statement);
    sqlite3_close(db);
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
    auto* box = qobject_cast<QLineEdit*>(login->control(T("编辑框_密码")).widget());
    ASSERT_NE(box, nullptr);
    box->clear();
    QTest::keyClicks(box, QString::fromStdString(password));
}

void ProgramFixture::clickButton(Window* window, const char* name) {
    ASSERT_NE(window, nullptr);
    QWidget* button = window->control(T(name)).widget();
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

void ProgramFixture::signIn(const std::string& password) {
    start();
    typePassword(password);
    clickButton(FindWindow("login"), "按钮_登陆");
    settle();
}

Window* ProgramFixture::loadMain() {
    QDir::setCurrent(folder_.path().c_str());
    program_->loadMainWindow();
    return FindWindow("main");
}

std::vector<std::string> ProgramFixture::listRows() {
    std::vector<std::string> rows;
    Window* main = FindWindow("main");
    if (!main) return rows;
    ReportList* list = main->list(T("超级列表框1"));
    for (int row = 0; row < list->ItemCount(); ++row)
        rows.push_back(list->GetItemText(row, 0).toUtf8() + "|" + list->GetItemText(row, 1).toUtf8());
    return rows;
}

void ProgramFixture::typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) QTest::keyClicks(widget, QString(c));
        else QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void ProgramFixture::settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
