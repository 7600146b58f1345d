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

TEST(Transactions, RefusedWithoutAConnection) {
    DBConnection connection;
    EXPECT_FALSE(connection.BeginTrans());
    EXPECT_FALSE(connection.CommitTrans());
    EXPECT_FALSE(connection.RollbackTrans());
}

}  // namespace
