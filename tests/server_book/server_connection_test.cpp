#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "support/server_database.h"

#include <gtest/gtest.h>

// The server is reached through the ODBC driver, and what is written through
// it is what the server's own client reads.
TEST(ServerConnection, WritesThroughOdbcReadBackWithPsql) {
    ServerDatabase db;
    ASSERT_TRUE(db.ready());
    DBConnection connection;
    ASSERT_TRUE(connection.Connect(Text::fromUtf8(db.connection()))) << connection.ErrorText().toUtf8();
    ASSERT_TRUE(connection.ExecuteSql(Text::fromUtf8("create table t (n integer, s text)")));
    ASSERT_TRUE(connection.ExecuteSql(Text::fromUtf8("insert into t values (1, '张三')")));
    EXPECT_EQ(db.psql("select n, s from t"), "1|张三");
}
