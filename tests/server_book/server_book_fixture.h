#pragma once
// A database of its own on the tests' server, made a book by the program
// itself, and a connection to it; a failed query's message box is recorded,
// not shown.

#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "support/recording_presenter.h"
#include "support/server_database.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The names as the rows of an SQL values list, "('a'),('b')", quotes doubled.
inline std::string SqlNameRows(const std::vector<std::string>& names) {
    std::string rows;
    for (const auto& name : names) {
        std::string quoted;
        for (char c : name) quoted += c == '\'' ? std::string("''") : std::string(1, c);
        rows += (rows.empty() ? "('" : ",('") + quoted + "')";
    }
    return rows;
}

class ServerBookFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db.ready());
        ASSERT_TRUE(connect(book)) << book.ErrorText().toUtf8();
        Text error;
        ASSERT_TRUE(CreateServerBook(book, error)) << error.toUtf8();
    }
    // Another connection to the same book, as another desktop holds one.
    bool connect(DBConnection& connection) { return connection.Connect(Text::fromUtf8(db.connection())); }

    ScopedPresenter messages;
    ServerDatabase db;
    DBConnection book;
};
