#include "shared_book_stage.h"

#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/window/report_list.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QTest>

SharedBookTest::SharedBookTest() {
    if (!db_.ready()) return;
    DBConnection server;
    Text error;
    if (!server.Connect(Text::fromUtf8(db_.connection())) || !CreateServerBook(server, error))
        ADD_FAILURE() << "no server book: " << error.toUtf8() << server.ErrorText().toUtf8();
}

void SharedBookTest::useServerBook(const std::string& connection) {
    writeSettings("[数据库]\r\n连接=" + (connection.empty() ? db_.connection() : connection) + "\r\n");
}

std::string SharedBookTest::addServerContact(const std::string& name, const std::string& mobile,
                                             const std::string& group) {
    return db_.psql("insert into 通讯录 (姓名, 手机, 分组) values ('" + name + "', '" + mobile + "', " +
                    (group.empty() ? std::string("null") : "'" + group + "'") + ") returning 编号");
}

void SharedBookTest::dropConnections() const {
    db_.psql("select count(pg_terminate_backend(pid)) from pg_stat_activity where datname = '" + db_.name() +
             "' and pid <> pg_backend_pid()");
}

Window& SharedBookTest::openRow(int row) {
    Window* main = FindWindow("main");
    if (!main) throw std::runtime_error("no main window");
    ReportList* list = main->list(T(MainControls::ContactList));
    list->setCurrentSelection(row);
    QTest::keyClick(list, Qt::Key_Return);
    settle();
    Window* record = FindWindow("record");
    if (!record) throw std::runtime_error("the record window did not open");
    return *record;
}

Window& SharedBookTest::typeRemarkOfTheOnlyContact(const std::string& remark) {
    addServerContact("张三", "13800000001");
    useServerBook();
    loadMain();
    Window& record = openRow(0);
    type(record, RecordControls::RemarkBox, remark);
    return record;
}

std::vector<std::string> SharedBookTest::takeMessages() {
    const std::vector<std::string> all = messages_->texts();
    std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(messagesTaken_), all.end());
    messagesTaken_ = all.size();
    return fresh;
}

std::string PasswordOf(const std::string& connection) {
    const auto at = connection.find(";Pwd=");
    if (at == std::string::npos) return {};
    const auto from = at + 5;
    return connection.substr(from, connection.find(';', from) - from);
}

std::string WithPassword(const std::string& connection, const std::string& password) {
    const auto at = connection.find(";Pwd=");
    if (at == std::string::npos) return connection + ";Pwd=" + password;
    const auto from = at + 5;
    const auto end = connection.find(';', from);
    return connection.substr(0, from) + password + (end == std::string::npos ? std::string() : connection.substr(end));
}
