#pragma once
// Checks made with the bare SQLite API on a fresh copy of the delivered
// address book, independent of the code under test.

#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "support/address_book_copy.h"
#include "support/file_bytes.h"
#include "support/recording_presenter.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

// The first value of the first row as UTF-8 text; "NULL" for a null value,
// "<none>" when there is no row.
inline std::string RawValue(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    std::string out = "<error>";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        if (sqlite3_step(st) == SQLITE_ROW)
            out = sqlite3_column_type(st, 0) == SQLITE_NULL
                      ? "NULL"
                      : std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                    sqlite3_column_bytes(st, 0));
        else out = "<none>";
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// A record set on a connection to a fresh copy of the book, as the program
// holds one; connected before each test unless the fixture opens it itself.
class RecordSetOnBook : public ::testing::Test {
protected:
    void SetUp() override { connect(); }

    void connect() {
        ASSERT_TRUE(db.ConnectAccess(book.pathText())) << db.ErrorText().toUtf8();
        rs.SetConnection(db);
    }

    // The 姓名 of every record, in the record set's order, UTF-8.
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (int i = 0; i < rs.RecordCount(); ++i) {
            EXPECT_TRUE(rs.MoveTo(i));
            out.push_back(rs.ReadText(T("姓名")).toUtf8());
        }
        return out;
    }

    ScopedPresenter boxes;  // a failed open shows its message here, not on a screen
    AddressBookCopy book;
    DBConnection db;
    RecordSet rs;
};
