#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "support/server_database.h"

#include <gtest/gtest.h>

namespace {

std::string withField(std::string connection, const std::string& key, const std::string& value) {
    const auto at = connection.find(";" + key + "=");
    const auto from = at + key.size() + 2;
    const auto end = connection.find(';', from);
    return connection.substr(0, from) + value + (end == std::string::npos ? std::string() : connection.substr(end));
}

// Ends every other connection to the test's database, as a server restart would.
void dropOtherConnections(const ServerDatabase& db) {
    EXPECT_NE(db.psql("select count(pg_terminate_backend(pid)) from pg_stat_activity "
                      "where datname = current_database() and pid <> pg_backend_pid()"),
              "0");
}

}  // namespace

// Neither a wrong password nor a server that cannot be reached shows the
// password in the error text.
TEST(ServerFailures, TheErrorTextNeverHoldsThePassword) {
    ServerDatabase db;
    ASSERT_TRUE(db.ready());
    const std::string secret = "Wrong-Secret-4711";
    for (const std::string& connection :
         {withField(db.connection(), "Pwd", secret), withField(withField(db.connection(), "Pwd", secret), "Port", "1"),
          withField(withField(db.connection(), "Pwd", "{" + secret + "}"), "Server", "no-such-host.invalid")}) {
        DBConnection book;
        EXPECT_FALSE(book.Connect(Text::fromUtf8(connection)));
        const std::string error = book.ErrorText().toUtf8();
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find(secret), std::string::npos) << error;
        EXPECT_EQ(error.find("4711"), std::string::npos) << error;
    }
    // A driver that echoes the connection text has its password masked too.
    DBConnection book;
    EXPECT_FALSE(book.Connect(Text::fromUtf8("ODBC;Driver={No such driver};Uid=u;Pwd=" + secret)));
    EXPECT_EQ(book.ErrorText().toUtf8().find(secret), std::string::npos) << book.ErrorText().toUtf8();
}

// The server ends the connection in the middle of the work: the save fails
// with a clear error, nothing is half stored, and the next connection works.
TEST(ServerFailures, AServerThatGoesAwayFailsTheSaveAndTheNextConnectWorks) {
    ServerDatabase db;
    ASSERT_TRUE(db.ready());
    DBConnection book;
    ASSERT_TRUE(book.Connect(Text::fromUtf8(db.connection()))) << book.ErrorText().toUtf8();
    Text error;
    ASSERT_TRUE(CreateServerBook(book, error)) << error.toUtf8();
    ASSERT_TRUE(book.ExecuteSql(T("insert into 通讯录 (姓名, 手机) values ('张三', '1')")));

    RecordSet contact;
    ASSERT_TRUE(contact.SetConnection(book));
    ASSERT_TRUE(contact.OpenTable(ContactsTable(), ContactsByName()));
    ASSERT_TRUE(contact.MoveTo(0));
    EXPECT_EQ(contact.ReadText(T("姓名")), T("张三"));
    ASSERT_TRUE(contact.WriteText(T("手机"), T("2")));
    dropOtherConnections(db);
    EXPECT_FALSE(contact.Update());
    EXPECT_EQ(contact.LastConflict(), RecordSet::RowConflict::kNone);
    EXPECT_FALSE(book.ErrorText().empty());
    EXPECT_FALSE(book.ExecuteSql(T("insert into 通讯录 (姓名) values ('李四')")));
    EXPECT_EQ(db.psql("select string_agg(姓名 || 手机, ',') from 通讯录"), "张三1");

    // Connected again, the same record set works on.
    ASSERT_TRUE(book.Connect()) << book.ErrorText().toUtf8();
    ASSERT_TRUE(contact.OpenTable(ContactsTable(), ContactsByName()));
    ASSERT_TRUE(contact.MoveTo(0));
    ASSERT_TRUE(contact.WriteText(T("手机"), T("2")));
    ASSERT_TRUE(contact.Update()) << book.ErrorText().toUtf8();

    // Gone inside a transaction: the commit fails and stores nothing.
    ASSERT_TRUE(book.BeginTrans());
    ASSERT_TRUE(book.ExecuteSql(T("insert into 通讯录 (姓名) values ('王五')")));
    dropOtherConnections(db);
    EXPECT_FALSE(book.CommitTrans());
    EXPECT_FALSE(book.ErrorText().empty());
    ASSERT_TRUE(book.Connect()) << book.ErrorText().toUtf8();
    EXPECT_TRUE(book.BeginTrans()) << book.ErrorText().toUtf8();
    EXPECT_TRUE(book.RollbackTrans());
    EXPECT_EQ(db.psql("select string_agg(姓名 || 手机, ',') from 通讯录"), "张三2");
}
