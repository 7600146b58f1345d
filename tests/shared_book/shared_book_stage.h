#pragma once
// The stage of the shared book tests: a fresh database on the tests' server
// made a book with CreateServerBook, and the whole program in a temporary
// program folder whose Peizhi.ini names that database. psql is the
// independent reader; the book is changed behind the program's back with it
// too, as another desktop would.

#include "support/server_database.h"
#include "support/stages/program_fixture.h"

#include <string>

class SharedBookTest : public ProgramFixture {
protected:
    SharedBookTest();

    // Peizhi.ini's [数据库] 连接 set to `connection` (the database's own by default).
    void useServerBook(const std::string& connection = std::string());
    // A contact inserted with psql; returns its 编号.
    std::string addServerContact(const std::string& name, const std::string& mobile, const std::string& group = "");
    // psql's answer, one value a line.
    std::string psql(const std::string& sql) const { return db_.psql(sql); }
    // Ends every session of the database but psql's own, as a server restart would.
    void dropConnections() const;

    // Opens list row `row` in the record window (the row made current, then Enter).
    Window& openRow(int row);
    // The main window on the server book holding only 张三 (13800000001), his
    // record window open and `remark` typed into it, not saved yet.
    Window& typeRemarkOfTheOnlyContact(const std::string& remark);
    // The messages shown since the last call, UTF-8.
    std::vector<std::string> takeMessages();

    ServerDatabase db_;

private:
    std::size_t messagesTaken_ = 0;
};

// The connection text with another password.
std::string WithPassword(const std::string& connection, const std::string& password);
// The password of a connection text ("" when it holds none).
std::string PasswordOf(const std::string& connection);
