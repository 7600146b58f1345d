// The delivered address book file and the application's SQL texts, run
// against a fresh copy of the file.

#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "support/address_book_copy.h"
#include "support/file_bytes.h"
#include "support/recording_presenter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include "build_paths.h"

namespace {

const std::string kDelivered = std::string(VARELO_PROGRAM_DIR) + "/VRL3.mdb";

std::string run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

class AddressBookTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyDeliveredBook(folder.file("VRL3.mdb")));
        ASSERT_TRUE(db.ConnectAccess(folder.fileText("VRL3.mdb")));
        rs.SetConnection(db);
    }

    ScopedPresenter boxes;
    TempFolder folder;
    DBConnection db;
    RecordSet rs;
};

TEST(SqlTexts, StatementsAreExactAndQuoteUserText) {
    EXPECT_EQ(
        ContactSearchSql(T("张")),
        T("select * from 通讯录 where 姓名 like  '%张%' or 首字母 like  '%张%'or 手机 like  '%张%'order by 姓名 ASC"));
    EXPECT_EQ(ContactSearchSql(T("O'Brien")),
              T("select * from 通讯录 where 姓名 like  '%O''Brien%' or 首字母 like  '%O''Brien%'or 手机 like  "
                "'%O''Brien%'order by 姓名 ASC"));
    EXPECT_EQ(GroupFilterSql(T("朋友")), T("select * from 通讯录 where 分组 like  '%朋友%'order by 姓名 ASC"));
    EXPECT_EQ(CarrierSegmentsSql(), T("select * from 所属网络 order by 手机号 ASC"));
    EXPECT_EQ(ContactByKeySql(T("12")), T("select * from 通讯录 where 编号 = '12'"));
    EXPECT_EQ(ContactByKeySql(T("1' or '1")), T("select * from 通讯录 where 编号 = '1'' or ''1'"));
    EXPECT_EQ(DuplicateMobileSql(T("13800138000")),
              T("select * from 通讯录 where 手机 like  '%13800138000%'order by 姓名 ASC"));
    EXPECT_EQ(TextImportInsertSql(T("张三"), T("138"), T("123"), T("a@b.c"), T("zs")),
              T("INSERT INTO 通讯录 (姓名,手机,QQ,邮箱,首字母)VALUES('张三','138','123','a@b.c','zs')"));
    EXPECT_EQ(TextImportInsertSql(T("'"), T(""), T(""), T(""), T("")),
              T("INSERT INTO 通讯录 (姓名,手机,QQ,邮箱,首字母)VALUES('''','','','','')"));
    EXPECT_EQ(AddressBookFile(), T("VRL3.mdb"));
    EXPECT_EQ(T("select * from ") + UsersTable() + T(" order by ") + UsersByName(),
              T("select * from 用户 order by 用户名 ASC"));
    EXPECT_EQ(ContactsByName(), T("姓名 ASC"));
    EXPECT_EQ(ContactsByGroup(), T("分组 ASC"));
}

TEST_F(AddressBookTest, TheSchemaHasTheTypedColumnsInTheExportOrder) {
    ASSERT_TRUE(rs.OpenTable(ContactsTable(), ContactsByName()));
    ASSERT_EQ(rs.FieldCount(), 18);
    for (int i = 1; i < rs.FieldCount(); ++i) EXPECT_EQ(rs.FieldName(i), ContactFields()[i - 1]);
    std::string schema = run("sqlite3 " + folder.file("VRL3.mdb") + " .schema");
    EXPECT_NE(schema.find("编号 INTEGER PRIMARY KEY AUTOINCREMENT"), std::string::npos) << schema;
    EXPECT_NE(schema.find("生日 DATETIME"), std::string::npos);
    EXPECT_NE(schema.find("照片 BLOB"), std::string::npos);
    EXPECT_NE(schema.find("头像 BLOB"), std::string::npos);
    EXPECT_EQ(schema.find("COLLATE"), std::string::npos);
}

TEST_F(AddressBookTest, TheStockShellReadsTheFileTheProgramWrote) {
    ASSERT_TRUE(db.ExecuteSql(TextImportInsertSql(T("张三"), T("13800138000"), T(""), T(""), T("zs"))));
    ASSERT_TRUE(db.ExecuteSql(TextImportInsertSql(T("阿明"), T("13900000000"), T(""), T(""), T("am"))));
    db.CloseConnection();
    EXPECT_EQ(run("sqlite3 " + folder.file("VRL3.mdb") +
                  " 'select 姓名 from 通讯录 order by 姓名 ASC; pragma integrity_check'"),
              "张三\n阿明\nok\n");  // the shell's own byte order
}

TEST_F(AddressBookTest, TheStartingAccount) {
    ASSERT_TRUE(rs.OpenTable(UsersTable(), UsersByName()));
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.ReadText(T("用户名")).toUtf8(), "admin");
    EXPECT_EQ(rs.ReadText(T("密码")).toUtf8(), "123456");
}

TEST_F(AddressBookTest, UserTextWithQuotesIsStoredAndFound) {
    ASSERT_TRUE(db.ExecuteSql(TextImportInsertSql(T("O'Brien"), T("13800138000"), T("1'2"), T("o'b@x.ie"), T("o"))));
    ASSERT_TRUE(rs.Open(ContactSearchSql(T("O'Brien")), RecordSet::kSqlText));
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "O'Brien");
    EXPECT_EQ(rs.ReadText(T("手机")).toUtf8(), "13800138000");  // no leading blank
    EXPECT_EQ(rs.ReadText(T("QQ")).toUtf8(), "1'2");
    ASSERT_TRUE(rs.WriteText(T("分组"), T("朋'友")));
    ASSERT_TRUE(rs.Update());
    ASSERT_TRUE(rs.Open(GroupFilterSql(T("朋'友")), RecordSet::kSqlText));
    EXPECT_EQ(rs.RecordCount(), 1);
    ASSERT_TRUE(rs.Open(DuplicateMobileSql(T("'")), RecordSet::kSqlText));
    EXPECT_EQ(rs.RecordCount(), 0);
    ASSERT_TRUE(rs.Open(DuplicateMobileSql(T("0013")), RecordSet::kSqlText));
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_TRUE(boxes->shown.empty());
}

TEST_F(AddressBookTest, CarrierSegmentsOfTheFourCarriers) {
    // Read with the sqlite3 shell: the rows the build wrote from carrier_segments.sql.
    const std::string rows = run("sqlite3 -separator '=' " + folder.file("VRL3.mdb") +
                                 " 'select 手机号, 运营商 from 所属网络 order by 手机号'");
    std::map<std::string, std::string> segments;
    std::set<std::string> carriers;
    std::size_t start = 0;
    while (start < rows.size()) {
        const std::size_t end = rows.find('\n', start);
        const std::string line = rows.substr(start, end - start);
        start = end == std::string::npos ? rows.size() : end + 1;
        const std::size_t eq = line.find('=');
        ASSERT_NE(eq, std::string::npos) << line;
        EXPECT_TRUE(segments.emplace(line.substr(0, eq), line.substr(eq + 1)).second) << "twice: " << line;
        carriers.insert(line.substr(eq + 1));
    }
    EXPECT_GE(segments.size(), 60u);
    EXPECT_EQ(segments["138"], "移动");
    EXPECT_EQ(segments["1703"], "移动");
    EXPECT_EQ(segments["192"], "广电");
    EXPECT_EQ(carriers, (std::set<std::string>{"联通", "移动", "电信", "广电"}));

    // Run again on the delivered book, the statement adds nothing.
    ASSERT_TRUE(db.ExecuteSql(DeliveredCarrierSegmentsSql())) << db.ErrorText().toUtf8();
    EXPECT_EQ(run("sqlite3 " + folder.file("VRL3.mdb") + " 'select count(*) from 所属网络'"),
              std::to_string(segments.size()) + "\n");
    EXPECT_TRUE(boxes->shown.empty());
}

// The generation step of the build, run on its own.
class AddressBookGeneration : public ::testing::Test {
protected:
    std::string generate(const std::string& sql, const std::string& out) {
        std::string source = std::string(VARELO_DATA_SOURCE);
        return run("cmake -DSQLITE3=sqlite3 -DSQL=" + sql + " -DSEGMENTS=" + source +
                   "/carrier_segments.sql -DOUT=" + out + " -P " + source + "/make_address_book.cmake 2>&1");
    }
    std::string sqlFile() const { return std::string(VARELO_DATA_SOURCE) + "/address_book.sql"; }
    TempFolder folder;
};

TEST_F(AddressBookGeneration, WritesANewFileAndNeverReplacesOne) {
    std::string fresh = folder.file("VRL3.mdb");
    generate(sqlFile(), fresh);
    EXPECT_TRUE(FileBytes(fresh) == FileBytes(kDelivered));  // (bytes, too many to print)
    std::ofstream(fresh, std::ios::app) << "the user's data";
    std::string before = FileBytes(fresh);
    generate(sqlFile(), fresh);
    EXPECT_EQ(FileBytes(fresh), before);
}

TEST_F(AddressBookGeneration, AFailedGenerationLeavesNoFile) {
    std::ofstream(folder.file("bad.sql")) << "CREATE TABLE t (a);\nthis is not sql;\n";
    std::string out = folder.file("VRL3.mdb");
    std::string log = generate(folder.file("bad.sql"), out);
    EXPECT_FALSE(std::filesystem::exists(out)) << log;
    EXPECT_FALSE(std::filesystem::exists(out + ".partial"));
}

}  // namespace
