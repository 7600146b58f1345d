// Transactions on the address book connection: writes between BeginTrans and
// CommitTrans are stored together, RollbackTrans drops them.

#include "db_fixture.h"

#include "services/db/db_connection.h"
#include "services/db/record_set.h"

#include <gtest/gtest.h>

namespace {

TEST(Transactions, CommittedWritesAreStoredAndRolledBackOnesAreNot) {
    AddressBookCopy book;
    DBConnection connection;
    ASSERT_TRUE(connection.ConnectAccess(book.pathText()));

    ASSERT_TRUE(connection.BeginTrans());
    EXPECT_FALSE(connection.BeginTrans());  // no nesting
    RecordSet contacts;
    contacts.SetConnection(connection);
    ASSERT_TRUE(contacts.OpenTable(T("通讯录"), T("姓名 ASC")));
    ASSERT_TRUE(contacts.AddNew());
    ASSERT_TRUE(contacts.WriteText(T("姓名"), T("甲")));
    ASSERT_TRUE(contacts.Update());
    ASSERT_TRUE(connection.ExecuteSql(T("insert into 通讯录 (姓名) values ('乙')")));
    // Not yet in the file for another reader.
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "0");
    ASSERT_TRUE(connection.CommitTrans());
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "2");

    ASSERT_TRUE(connection.BeginTrans());
    ASSERT_TRUE(connection.ExecuteSql(T("insert into 通讯录 (姓名) values ('丙')")));
    ASSERT_TRUE(connection.RollbackTrans());
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "2");
    EXPECT_FALSE(connection.CommitTrans());  // none open
}

TEST(Transactions, AFailedCommitRollsBackSaysWhyAndLeavesTheConnectionUsable) {
    AddressBookCopy book;
    DBConnection connection;
    ASSERT_TRUE(connection.ConnectAccess(book.pathText()));
    // Another reader of the file, in the middle of a read transaction.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(book.path().c_str(), &reader), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM 通讯录;", nullptr, nullptr, nullptr), SQLITE_OK);

    ASSERT_TRUE(connection.BeginTrans());
    ASSERT_TRUE(connection.ExecuteSql(T("insert into 通讯录 (姓名) values ('甲')")));
    EXPECT_FALSE(connection.CommitTrans());
    EXPECT_NE(connection.ErrorText().toUtf8().find("locked"), std::string::npos) << connection.ErrorText().toUtf8();
    // Rolled back: the next transaction starts, and what it writes is stored.
    ASSERT_TRUE(connection.BeginTrans()) << connection.ErrorText().toUtf8();
    ASSERT_TRUE(connection.ExecuteSql(T("insert into 通讯录 (姓名) values ('乙')")));
    ASSERT_EQ(sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(reader);
    ASSERT_TRUE(connection.CommitTrans()) << connection.ErrorText().toUtf8();
    EXPECT_EQ(RawValue(book.path(), "select group_concat(姓名) from 通讯录"), "乙");
}

TEST(Transactions, WritesAfterTheEngineRolledTheTransactionBackFailWithIt) {
    AddressBookCopy book;
    DBConnection connection;
    ASSERT_TRUE(connection.ConnectAccess(book.pathText()));
    // The book may grow by a few pages only: a long enough transaction fills it.
    const int pages = std::stoi(RawValue(book.path(), "pragma page_count"));
    ASSERT_TRUE(connection.ExecuteSql(T("pragma max_page_count = " + std::to_string(pages + 4))));
    const Text insert = T("insert into 通讯录 (姓名, 备注) values ('甲', printf('%.2000c', 'x'))");
    ASSERT_TRUE(connection.BeginTrans());
    int written = 0;
    while (written < 100 && connection.ExecuteSql(insert)) ++written;
    ASSERT_LT(written, 100) << "the book never filled";
    EXPECT_NE(connection.ErrorText().toUtf8().find("full"), std::string::npos) << connection.ErrorText().toUtf8();
    // The engine dropped the whole transaction; a write now must not be
    // stored on its own, outside it.
    EXPECT_FALSE(connection.ExecuteSql(insert));
    EXPECT_FALSE(connection.CommitTrans());
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "0");
    // The connection is usable again.
    ASSERT_TRUE(connection.BeginTrans()) << connection.ErrorText().toUtf8();
    ASSERT_TRUE(connection.ExecuteSql(insert));
    ASSERT_TRUE(connection.CommitTrans()) << connection.ErrorText().toUtf8();
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "1");
}

TEST(Transactions, RefusedWithoutAConnection) {
    DBConnection connection;
    EXPECT_FALSE(connection.BeginTrans());
    EXPECT_FALSE(connection.CommitTrans());
    EXPECT_FALSE(connection.RollbackTrans());
}

}  // namespace
