#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "support/server_database.h"

#include <gtest/gtest.h>

namespace {

// The server book's fields, in the order psql lists them.
std::string serverFields(const ServerDatabase& db, const std::string& table) {
    return db.psql(
        "select string_agg(column_name || ':' || data_type, ',' order by ordinal_position) "
        "from information_schema.columns where table_name = '" +
        table + "'");
}

}  // namespace

// The server book has the local book's tables with the same fields in the
// same order, the delivered carrier segments and the starting account, and
// a second creation changes nothing.
TEST(ServerBookSchema, CreatesTheLocalBooksTablesOnceAndRefusesASecondTime) {
    ServerDatabase db;
    ASSERT_TRUE(db.ready());
    DBConnection book;
    ASSERT_TRUE(book.Connect(Text::fromUtf8(db.connection()))) << book.ErrorText().toUtf8();
    EXPECT_EQ(book.DatabaseSystem(), T("PostgreSQL"));
    Text error;
    ASSERT_TRUE(CreateServerBook(book, error)) << error.toUtf8();

    std::string contacts = "编号:integer";
    for (const Text& field : ContactFields()) {
        const std::string name = field.toUtf8();
        contacts += "," + name + ":" +
                    (name == "照片"   ? "bytea"
                     : name == "生日" ? "timestamp without time zone"
                                      : "text");
    }
    EXPECT_EQ(serverFields(db, "通讯录"), contacts);
    EXPECT_EQ(serverFields(db, "用户"), "用户名:text,密码:text,头像:bytea");
    EXPECT_EQ(serverFields(db, "所属网络"), "手机号:text,运营商:text");
    EXPECT_EQ(db.psql("select attidentity from pg_attribute where attrelid = '通讯录'::regclass and attname = '编号'"),
              "d");
    EXPECT_EQ(db.psql("select 用户名, 密码, 头像 is null from 用户"), "admin|123456|t");
    // Every segment the delivered statement lists, once.
    const std::string delivered = DeliveredCarrierSegmentsSql().toUtf8();
    std::size_t segments = 0;
    for (std::size_t at = delivered.find("('1"); at != std::string::npos; at = delivered.find("('1", at + 1))
        ++segments;
    ASSERT_GT(segments, 60u);
    EXPECT_EQ(db.psql("select count(*) from 所属网络"), std::to_string(segments));
    EXPECT_EQ(db.psql("select count(distinct 手机号) from 所属网络"), std::to_string(segments));
    EXPECT_EQ(db.psql("select 运营商 from 所属网络 where 手机号 = '1349'"), "电信");

    ASSERT_TRUE(book.ExecuteSql(T("insert into 通讯录 (姓名) values ('张三')")));
    EXPECT_FALSE(CreateServerBook(book, error));
    EXPECT_NE(error.toUtf8().find("holds an address book already"), std::string::npos) << error.toUtf8();
    EXPECT_EQ(db.psql("select count(*) from 通讯录"), "1");
    EXPECT_EQ(db.psql("select count(*) from 用户"), "1");
    EXPECT_EQ(db.psql("select count(*) from 所属网络"), std::to_string(segments));
}
