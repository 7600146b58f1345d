// The unixODBC path, against the SQLite ODBC driver (no server needed).

#include "db_fixture.h"

#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "support/recording_presenter.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

const char* kDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

class OdbcTest : public ::testing::Test {
protected:
    void SetUp() override {
        ExecOnBook(
            book.path(),
            "INSERT INTO 通讯录 (姓名,手机,生日,照片) VALUES ('张三','13800138000','1980-01-06 00:00:00',x'00FF10');"
            "INSERT INTO 通讯录 (姓名,手机) VALUES ('O''Brien','13900000000');");
        ASSERT_TRUE(db.Connect(T("ODBC;Driver=") + T(kDriver) + T(";Database=") + book.pathText() + T(";")))
            << db.ErrorText().toUtf8();
        rs.SetConnection(db);
    }

    ScopedPresenter boxes;  // a failed open shows its message here, not on a screen
    AddressBookCopy book;
    DBConnection db;
    RecordSet rs;
};

TEST_F(OdbcTest, ReadsRowsWithTheirTypes) {
    EXPECT_EQ(db.ProviderName().toUtf8().rfind("ODBC", 0), 0u) << db.ProviderName().toUtf8();
    ASSERT_TRUE(rs.Open(T("select * from 通讯录 where 姓名 like  '%三%'order by 姓名 ASC"), RecordSet::kSqlText))
        << boxes->lastText();
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.FieldName(1).toUtf8(), "姓名");
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "张三");
    EXPECT_EQ(rs.ReadText(0).toUtf8(), "1");
    EXPECT_EQ(rs.ReadText(T("生日")).toUtf8(), "1980-01-06 00:00:00");
    EXPECT_EQ(rs.ReadText(T("照片")).toUtf8(), "[BLOB]");
    Bytes photo;
    EXPECT_TRUE(rs.ReadBytes(T("照片"), photo));
    EXPECT_EQ(photo, (Bytes{0x00, 0xFF, 0x10}));
    EXPECT_TRUE(rs.ReadText(T("备注")).empty());
}

TEST_F(OdbcTest, DatesAndTimesReadAsDateTimes) {
    ExecOnBook(book.path(),
               "CREATE TABLE 时刻 (日 DATE, 时 TIME, 刻 TIMESTAMP);"
               "INSERT INTO 时刻 VALUES ('1980-01-06', '08:30:05', '1980-01-06 08:30:05.250')");
    ASSERT_TRUE(rs.Open(T("select * from 时刻"), RecordSet::kSqlText)) << boxes->lastText();
    EXPECT_EQ(rs.ReadText(T("日")).toUtf8(), "1980-01-06 00:00:00");
    EXPECT_EQ(rs.ReadText(T("时")).toUtf8(), "1899-12-30 08:30:05");
    EXPECT_EQ(rs.ReadText(T("刻")).toUtf8(), "1980-01-06 08:30:05");
}

TEST_F(OdbcTest, AddsChangesAndDeletesRows) {
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC"))) << boxes->lastText();
    ASSERT_TRUE(rs.AddNew());
    ASSERT_TRUE(rs.WriteText(T("姓名"), T("李四")));
    ASSERT_TRUE(rs.WriteText(T("生日"), T("1990/2/3")));
    ASSERT_TRUE(rs.Update()) << db.ErrorText().toUtf8();
    EXPECT_EQ(RawValue(book.path(), "select 生日 from 通讯录 where 姓名='李四'"), "1990-02-03 00:00:00");

    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    int zhang = -1;
    for (int i = 0; i < rs.RecordCount(); ++i) {
        rs.MoveTo(i);
        if (rs.ReadText(T("姓名")).toUtf8() == "张三") zhang = i;
    }
    ASSERT_GE(zhang, 0);
    ASSERT_TRUE(rs.MoveTo(zhang));
    ASSERT_TRUE(rs.WriteText(T("备注"), T("经 ODBC 修改")));
    ASSERT_TRUE(rs.Update()) << db.ErrorText().toUtf8();
    EXPECT_EQ(RawValue(book.path(), "select 备注 from 通讯录 where 姓名='张三'"), "经 ODBC 修改");
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录 where 备注 is not null"), "1");

    ASSERT_TRUE(rs.MoveTo(zhang));
    EXPECT_TRUE(rs.Delete(RecordSet::kCurrentRow));
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录 where 姓名='张三'"), "0");
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "2");
}

TEST_F(OdbcTest, ARowItsValuesCannotTellFromAnotherIsLeftAlone) {
    // 用户 has no key: two identical accounts are found by the same values.
    ExecOnBook(book.path(), "INSERT INTO 用户 (用户名, 密码) VALUES ('twin', '1'), ('twin', '1'), ('solo', '2')");
    ASSERT_TRUE(rs.OpenTable(T("用户"), T("用户名 ASC"))) << boxes->lastText();
    ASSERT_EQ(rs.RecordCount(), 4);
    ASSERT_TRUE(rs.MoveTo(2));
    ASSERT_EQ(rs.ReadText(T("用户名")).toUtf8(), "twin");
    ASSERT_TRUE(rs.WriteText(T("密码"), T("9")));
    EXPECT_FALSE(rs.Update());
    EXPECT_EQ(RawValue(book.path(), "select group_concat(密码) from 用户 where 用户名='twin'"), "1,1");
    ASSERT_TRUE(rs.MoveTo(2));
    EXPECT_FALSE(rs.Delete(RecordSet::kCurrentRow));
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 用户 where 用户名='twin'"), "2");

    // A row of its own is still changed and deleted.
    ASSERT_TRUE(rs.MoveTo(1));
    ASSERT_EQ(rs.ReadText(T("用户名")).toUtf8(), "solo");
    ASSERT_TRUE(rs.WriteText(T("密码"), T("3")));
    EXPECT_TRUE(rs.Update()) << db.ErrorText().toUtf8();
    EXPECT_EQ(RawValue(book.path(), "select 密码 from 用户 where 用户名='solo'"), "3");
    ASSERT_TRUE(rs.MoveTo(1));
    EXPECT_TRUE(rs.Delete(RecordSet::kCurrentRow)) << db.ErrorText().toUtf8();
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 用户"), "3");
}

TEST_F(OdbcTest, ExecuteSqlAndItsErrors) {
    EXPECT_TRUE(db.ExecuteSql(T("INSERT INTO 通讯录 (姓名,手机,QQ,邮箱,首字母)VALUES('王五','1','2','3','ww')")));
    EXPECT_EQ(RawValue(book.path(), "select 首字母 from 通讯录 where 姓名='王五'"), "ww");
    EXPECT_FALSE(db.ExecuteSql(T("INSERT INTO 没有 VALUES (1)")));
    std::string error = db.ErrorText().toUtf8();
    EXPECT_NE(error.find("Source: ODBC"), std::string::npos) << error;
    EXPECT_NE(error.find("no such table"), std::string::npos) << error;

    EXPECT_FALSE(rs.Open(T("select * from 没有"), RecordSet::kSqlText));
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_NE(boxes->lastText().find("no such table"), std::string::npos) << boxes->lastText();
}

TEST(OdbcConnection, DataSourceFilesNameDriverAndDatabase) {
    ScopedPresenter boxes;
    AddressBookCopy book;
    TempFolder settings;
    std::ofstream(settings.file("book.dsn")) << "[ODBC]\nDriver=" << kDriver << "\nDatabase=" << book.path() << "\n";
    DBConnection db;
    ASSERT_TRUE(db.Connect(T("FILEDSN=") + settings.fileText("book.dsn"))) << db.ErrorText().toUtf8();
    RecordSet rs;
    rs.SetConnection(db);
    ASSERT_TRUE(rs.OpenTable(T("用户"), T("用户名 ASC")));
    EXPECT_EQ(rs.ReadText(T("用户名")).toUtf8(), "admin");

    DBConnection missing;
    EXPECT_FALSE(missing.Connect(T("ODBC;DSN=no such source")));
    EXPECT_FALSE(missing.IsConnected());
    EXPECT_NE(missing.ErrorText().toUtf8().find("State: IM002"), std::string::npos) << missing.ErrorText().toUtf8();
}

TEST(OdbcConnection, AbsentDriverFails) {
    DBConnection db;
    EXPECT_FALSE(db.Connect(T("ODBC;Driver=/nonexistent/driver.so;Database=x")));
    EXPECT_FALSE(db.IsConnected());
    EXPECT_FALSE(db.ErrorText().empty());
}

}  // namespace
