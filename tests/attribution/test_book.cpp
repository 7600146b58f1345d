#include "test_book.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <functional>

namespace {

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

} // namespace

TestBook::TestBook() : path_(folder_.file("VRL3.mdb")) {
    const std::string delivered = std::string(VARELO_PROGRAM_DIR) + "/VRL3.mdb";
    std::error_code error;
    std::filesystem::copy_file(delivered, path_, error);
    EXPECT_FALSE(error) << delivered << ": " << error.message();
}

void TestBook::exec(const std::string& sql) const {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

void TestBook::addContacts(const std::vector<Contact>& contacts) {
    std::string sql = "BEGIN;";
    for (const auto& c : contacts)
        sql += "INSERT INTO 通讯录 (姓名, 手机, 归属地) VALUES (" + quoted(c.name) + ", " + quoted(c.number) + ", " +
               (c.attribution.empty() ? std::string("NULL") : quoted(c.attribution)) + ");";
    exec(sql + "COMMIT;");
}

void TestBook::replaceSegments(const std::vector<std::pair<std::string, std::string>>& segments) {
    std::string sql = "BEGIN; DELETE FROM 所属网络;";
    for (const auto& [segment, carrier] : segments)
        sql += "INSERT INTO 所属网络 (手机号, 运营商) VALUES (" + quoted(segment) + ", " + quoted(carrier) + ");";
    exec(sql + "COMMIT;");
}

void TestBook::refuseChangesTo(const std::string& name) {
    exec("CREATE TRIGGER refuse_" + std::to_string(std::hash<std::string>()(name) % 100000) +
         " BEFORE UPDATE ON 通讯录 WHEN OLD.姓名 = " + quoted(name) + " BEGIN SELECT RAISE(ABORT, 'refused'); END;");
}

std::string TestBook::storedAttribution(const std::string& name) const {
    sqlite3* db = nullptr;
    std::string value;
    if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT 归属地 FROM 通讯录 WHERE 姓名 = ?", -1, &st, nullptr) == SQLITE_OK) {
            sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
                value = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            sqlite3_finalize(st);
        }
    }
    sqlite3_close(db);
    return value;
}

DBConnection& TestBook::connection() {
    if (!connected_) {
        connected_ = connection_.ConnectAccess(Text::fromUtf8(path_));
        EXPECT_TRUE(connected_) << connection_.ErrorText().toUtf8();
    }
    return connection_;
}
