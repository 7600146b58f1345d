#include "db_fixture.h"

#include "services/db/db_connection.h"
#include "services/db/record_set.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

std::string errorOf(const DBConnection& c) { return c.ErrorText().toUtf8(); }

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

TEST(DBConnection, OpensTheDeliveredFileAsSQLite) {
    AddressBookCopy book;
    DBConnection c;
    ASSERT_TRUE(c.ConnectAccess(book.pathText()));
    EXPECT_TRUE(c.IsConnected());
    EXPECT_EQ(c.ProviderName().toUtf8(), "SQLite");
    EXPECT_FALSE(c.ProviderVersion().empty());
    EXPECT_TRUE(c.ErrorText().empty());
}

TEST(DBConnection, EmptyConnectWithoutEarlierTextFailsAndReopensTheStoredOne) {
    AddressBookCopy book;
    DBConnection c;
    EXPECT_FALSE(c.Connect());
    EXPECT_FALSE(c.IsConnected());
    ASSERT_TRUE(c.ConnectAccess(book.pathText(), Text()));
    EXPECT_TRUE(c.CloseConnection());
    EXPECT_FALSE(c.IsConnected());
    EXPECT_TRUE(c.Connect());
    EXPECT_TRUE(c.IsConnected());
}

TEST(DBConnection, JetConnectionTextWithPasswordClauseOpensTheFile) {
    AddressBookCopy book;
    DBConnection c;
    EXPECT_TRUE(c.ConnectAccess(book.pathText(), T("secret")));
    Text full = T("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=") + book.pathText() +
                T(";Jet OLEDB:Database Password=secret;");
    DBConnection d;
    EXPECT_TRUE(d.Connect(full));
}

TEST(DBConnection, RelativeFileNameIsResolvedAgainstTheCurrentFolder) {
    AddressBookCopy book;
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(book.folder().path());
    DBConnection c;
    bool ok = c.ConnectAccess(T("VRL3.mdb"));
    std::filesystem::current_path(previous);
    EXPECT_TRUE(ok) << errorOf(c);
}

TEST(DBConnection, MissingFileIsNotCreated) {
    TempFolder folder;
    DBConnection c;
    EXPECT_FALSE(c.ConnectAccess(folder.fileText("VRL3.mdb")));
    EXPECT_FALSE(c.IsConnected());
    EXPECT_NE(errorOf(c).find("no such file"), std::string::npos) << errorOf(c);
    EXPECT_NE(errorOf(c).find("Description: "), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.file("VRL3.mdb")));
}

TEST(DBConnection, ForeignAndDamagedFilesAreRefusedWithTheReason) {
    TempFolder folder;
    std::string access = std::string("\0\x01\0\0Standard Jet DB\0", 20) + std::string(2000, '\0');
    writeFile(folder.file("access.mdb"), access);
    writeFile(folder.file("text.mdb"), "name,mobile\r\nZhang,13800138000\r\n");
    writeFile(folder.file("empty.mdb"), "");

    DBConnection c;
    EXPECT_FALSE(c.ConnectAccess(folder.fileText("access.mdb")));
    EXPECT_NE(errorOf(c).find("Microsoft Access"), std::string::npos) << errorOf(c);
    EXPECT_FALSE(c.ConnectAccess(folder.fileText("text.mdb")));
    EXPECT_NE(errorOf(c).find("Not an SQLite database"), std::string::npos) << errorOf(c);
    EXPECT_FALSE(c.ConnectAccess(folder.fileText("empty.mdb")));
    EXPECT_NE(errorOf(c).find("Not an SQLite database"), std::string::npos) << errorOf(c);
    EXPECT_EQ(FileBytes(folder.file("empty.mdb")), "");
}

TEST(DBConnection, TruncatedFileIsDamaged) {
    AddressBookCopy book;
    std::string whole = FileBytes(book.path());
    ASSERT_GT(whole.size(), 8192u);
    writeFile(book.path(), whole.substr(0, whole.size() / 2));
    DBConnection c;
    EXPECT_FALSE(c.ConnectAccess(book.pathText()));
    EXPECT_NE(errorOf(c).find("damaged"), std::string::npos) << errorOf(c);
}

TEST(DBConnection, FailedReopenLeavesTheConnectionClosed) {
    AddressBookCopy book;
    TempFolder other;
    DBConnection c;
    ASSERT_TRUE(c.ConnectAccess(book.pathText()));
    EXPECT_FALSE(c.ConnectAccess(other.fileText("absent.mdb")));
    EXPECT_FALSE(c.IsConnected());
    EXPECT_FALSE(c.ExecuteSql(T("delete from 用户")));
}

TEST(DBConnection, UnknownProviderAndTextsWithoutOneFail) {
    DBConnection c;
    EXPECT_FALSE(c.Connect(T("Provider=SQLOLEDB; Data Source=server")));
    EXPECT_NE(errorOf(c).find("Provider cannot be found"), std::string::npos);
    EXPECT_FALSE(c.Connect(T("just some words")));
    EXPECT_FALSE(c.IsConnected());
}

TEST(DBConnection, CloseOnANeverOpenedConnectionIsTrue) {
    DBConnection c;
    EXPECT_TRUE(c.CloseConnection());
    EXPECT_FALSE(c.ExecuteSql(T("select 1")));
    EXPECT_TRUE(c.ProviderName().empty());
}

TEST(DBConnection, ExecuteSqlRunsOneStatementAndReportsFailures) {
    AddressBookCopy book;
    DBConnection c;
    ASSERT_TRUE(c.ConnectAccess(book.pathText()));
    EXPECT_TRUE(c.ExecuteSql(T("INSERT INTO 通讯录 (姓名,手机)VALUES('张三','13800138000')")));
    EXPECT_EQ(RawValue(book.path(), "select 姓名 from 通讯录"), "张三");

    EXPECT_FALSE(c.ExecuteSql(T("INSERT INTO 通讯录 (姓名)VALUES('unbalanced)")));
    EXPECT_NE(errorOf(c).find("Source: SQLite"), std::string::npos) << errorOf(c);
    // A second statement smuggled after the first is refused, and neither runs.
    EXPECT_FALSE(c.ExecuteSql(T("INSERT INTO 通讯录 (姓名)VALUES('a'); delete from 用户")));
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "1");
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 用户"), "1");
}

TEST(DBConnection, ReadOnlyFileRefusesWritesAndStaysUnchanged) {
    AddressBookCopy book;
    std::filesystem::permissions(book.path(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                                  std::filesystem::perms::others_read);
    std::string before = FileBytes(book.path());
    DBConnection c;
    ASSERT_TRUE(c.ConnectAccess(book.pathText()));
    EXPECT_FALSE(c.ExecuteSql(T("delete from 用户")));
    RecordSet rs;
    rs.SetConnection(c);
    ASSERT_TRUE(rs.OpenTable(T("用户"), T("用户名 ASC")));
    EXPECT_TRUE(rs.WriteText(T("密码"), T("changed")));
    EXPECT_FALSE(rs.Update());
    EXPECT_EQ(rs.RecordStatus(), RecordSet::kUnmodifiedRow);  // the failed edit is cancelled
    EXPECT_EQ(rs.ReadText(T("密码")).toUtf8(), "123456");
    rs.Close();
    c.CloseConnection();
    EXPECT_EQ(FileBytes(book.path()), before);
}

TEST(DBConnection, LockedFileFailsWritesCleanlyAndWorksOnceReleased) {
    AddressBookCopy book;
    DBConnection c;
    ASSERT_TRUE(c.ConnectAccess(book.pathText()));
    RecordSet rs;
    rs.SetConnection(c);
    ASSERT_TRUE(rs.OpenTable(T("用户"), T("用户名 ASC")));

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(book.path().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_TRUE(rs.WriteText(T("密码"), T("changed")));
    EXPECT_FALSE(rs.Update());
    EXPECT_FALSE(c.ExecuteSql(T("INSERT INTO 用户 (用户名) VALUES ('x')")));
    EXPECT_NE(errorOf(c).find("locked"), std::string::npos) << errorOf(c);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_EQ(RawValue(book.path(), "select 密码 from 用户"), "123456");
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 用户"), "1");
    EXPECT_TRUE(rs.WriteText(T("密码"), T("changed")));
    EXPECT_TRUE(rs.Update());
    EXPECT_EQ(RawValue(book.path(), "select 密码 from 用户"), "changed");
}

}  // namespace
