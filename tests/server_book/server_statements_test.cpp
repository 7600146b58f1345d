#include "server_book_fixture.h"

#include "services/core/pinyin_match.h"
#include "services/db/detail/pg_dialect.h"
#include "services/db/record_set.h"

namespace {

// The names a statement finds, joined by ',' in its order.
std::string namesFound(DBConnection& book, const Text& sql, const char* field = "姓名") {
    RecordSet found;
    if (!found.SetConnection(book) || !found.Open(sql, RecordSet::kSqlText))
        return "(failed) " + book.ErrorText().toUtf8();
    std::string names;
    for (int i = 0; i < found.RecordCount(); ++i) names += (i ? "," : "") + found.ReadTextAt(i, T(field)).toUtf8();
    return names;
}

class ServerStatements : public ServerBookFixture {
protected:
    void SetUp() override {
        ServerBookFixture::SetUp();
        ASSERT_EQ(
            db.psql("insert into 通讯录 (姓名, 首字母, 手机, 分组, \"QQ\") values "
                    "('张三', 'zs', '13800000001', '同事', '1001'), ('Amy 李', '', '13900000002', 'friends', ''), "
                    "('O''Brien', '', '13700000003', 'Friends', ''), ('C:\\temp', '', '13600000004', '', ''), "
                    "('李四', 'ls', '13800000005', '同学', ''), ('百分之%', '', '', NULL, '')"),
            "");
    }
};

}  // namespace

// The translation to the server's SQL, text by text.
TEST(PostgresDialect, TranslatesNamesLikeAndFunctionsOutsideLiterals) {
    dbdetail::ServerSchema names;
    names.capitalised = {"QQ", "QQ备"};
    EXPECT_EQ(dbdetail::ToPostgres("select [姓名], `qq` from [通讯录] where qq == 'x' and [qq备] like '%[a]%'", names),
              "select \"姓名\", \"qq\" from \"通讯录\" where \"QQ\" = 'x' and \"qq备\" ILIKE '%[a]%' ESCAPE '' ");
    EXPECT_EQ(dbdetail::ToPostgres("SELECT ifnull(a, 'like'), INSTR(b, 'x') FROM t WHERE c NOT LIKE d", names),
              "SELECT coalesce(a, 'like'), strpos(b, 'x') FROM t WHERE c NOT ILIKE d");
    EXPECT_EQ(dbdetail::ToPostgres("insert into t (QQ备, 备注) values ('it''s -- [x]', 'QQ')", names),
              "insert into t (\"QQ备\", 备注) values ('it''s -- [x]', 'QQ')");
    // Text columns sort in the program's name order, nulls first as in the book file.
    names.textColumns = {"姓名", "分组"};
    names.nameSortKey = true;
    EXPECT_EQ(
        dbdetail::ToPostgres("select * from t where a like 'x' order by [姓名], 编号 desc, t.分组 DESC limit 1", names),
        "select * from t where a ILIKE 'x' ESCAPE ''  order by name_sort_key(\"姓名\") NULLS FIRST , 编号 desc, "
        "name_sort_key(t.分组) DESC NULLS LAST limit 1");
    EXPECT_EQ(dbdetail::ToPostgres("select distinct 分组 from t order by 分组 ASC", names),
              "select distinct 分组 from t order by 分组 ASC");
    // The server's own texts: arrays and function bodies stay as written.
    EXPECT_EQ(dbdetail::ToPostgres("create table r (a text[]); select x[1] from $$ [qq] like $$", names),
              "create table r (a text[]); select x[1] from $$ [qq] like $$");
}

// No password reaches an error text, in any of the forms a connection text gives it.
TEST(PostgresDialect, MasksPasswordsInTexts) {
    const std::string text = "Driver=x;Server=h;PWD={se;cret};Uid=u;password = p4ss ;";
    EXPECT_EQ(dbdetail::PasswordsOf(text), (std::set<std::string>{"se;cret", "p4ss"}));
    EXPECT_EQ(dbdetail::MaskedPasswords("failed for Pwd=abc;x and se;cret, p4ss", dbdetail::PasswordsOf(text)),
              "failed for Pwd=***;x and ***, ***");
}

// The program's statements find on the server what they find in the book file.
TEST_F(ServerStatements, TheProgramsStatementsMeanTheSameOnTheServer) {
    // The search's LIKE ignores the case of Latin letters; its text is taken literally.
    EXPECT_EQ(namesFound(book, ContactSearchSql(T("amy"))), "Amy 李");
    EXPECT_EQ(namesFound(book, ContactSearchSql(T("o'b"))), "O'Brien");
    EXPECT_EQ(namesFound(book, ContactSearchSql(T("\\t"))), "C:\\temp");
    EXPECT_EQ(namesFound(book, ContactSearchSql(T("ZS"))), "张三");
    EXPECT_EQ(namesFound(book, ContactSearchSql(T("138"))), "李四,张三");
    EXPECT_EQ(namesFound(book, GroupFilterSql(T("friends"))), "Amy 李,O'Brien");
    EXPECT_EQ(namesFound(book, DuplicateMobileSql(T("13900000002"))), "Amy 李");
    EXPECT_EQ(namesFound(book, ContactGroupsSql(), "分组"), "Friends,friends,同事,同学");
    EXPECT_EQ(namesFound(book, ContactOfGroupSql(T("同学")), "编号"),
              db.psql("select 编号 from 通讯录 where 姓名 = '李四'"));
    const std::string zhang = db.psql("select 编号 from 通讯录 where 姓名 = '张三'");
    EXPECT_EQ(namesFound(book, ContactByKeySql(Text::fromUtf8(zhang))), "张三");
    EXPECT_EQ(namesFound(book, ContactByKeySql(Text())), "");
    EXPECT_EQ(namesFound(book, ContactPhotosSql(), "编号"), "");
    EXPECT_EQ(namesFound(book, CarrierSegmentsSql(), "手机号").substr(0, 12), "130,131,132,");

    // The spreadsheet's fields, by the names the book file gives them.
    RecordSet contacts;
    ASSERT_TRUE(contacts.SetConnection(book));
    ASSERT_TRUE(contacts.OpenTable(ContactsTable(), ContactsByName()));
    ASSERT_EQ(contacts.FieldCount(), int(ContactFields().size()) + 1);
    for (int i = 1; i < contacts.FieldCount(); ++i) EXPECT_EQ(contacts.FieldName(i), ContactFields()[i - 1]);
    // In name order: Latin before Chinese, as the book file orders them.
    EXPECT_EQ(namesFound(book, T("select * from 通讯录 order by 姓名")), "Amy 李,C:\\temp,O'Brien,百分之%,李四,张三");
    EXPECT_EQ(contacts.ReadTextAt(contacts.RecordCount() - 1, T("qq")), T("1001"));

    // Writes: the text import's insert, the batch's attributions, the
    // carrier segments brought up to date, the book's indexes.
    ASSERT_TRUE(book.ExecuteSql(TextImportInsertSql(T("王五"), T("13500000006"), T("77"), T("w@x"), T("ww"))))
        << book.ErrorText().toUtf8();
    EXPECT_EQ(db.psql("select \"QQ\", 邮箱 from 通讯录 where 姓名 = '王五'"), "77|w@x");
    const std::string li = db.psql("select 编号 from 通讯录 where 姓名 = '李四'");
    ASSERT_TRUE(book.ExecuteSql(
        StoreAttributionsSql({{Text::fromUtf8(zhang), T("北京 移动")}, {Text::fromUtf8(li), T("O'Hare")}})))
        << book.ErrorText().toUtf8();
    EXPECT_EQ(db.psql("select string_agg(归属地, ',' order by 编号) from 通讯录 where 归属地 is not null"),
              "北京 移动,O'Hare");
    const std::string segments = db.psql("select count(*) from 所属网络");
    ASSERT_TRUE(book.ExecuteSql(DeliveredCarrierSegmentsSql())) << book.ErrorText().toUtf8();
    EXPECT_EQ(db.psql("select count(*) from 所属网络"), segments);
    KeepContactOrder(book);
    EXPECT_EQ(db.psql("select count(*) from pg_indexes where tablename = '通讯录'"), "3");

    // The users' table opened by name, and emptied whole.
    RecordSet users;
    ASSERT_TRUE(users.SetConnection(book));
    ASSERT_TRUE(users.Open(UsersTable(), RecordSet::kTableName));
    ASSERT_EQ(users.RecordCount(), 1);
    EXPECT_EQ(users.ReadTextAt(0, T("用户名")), T("admin"));
    ASSERT_TRUE(users.Delete(RecordSet::kWholeTable));
    EXPECT_EQ(db.psql("select count(*) from 用户"), "0");
}

// The contact list's search by full pinyin runs the server's spelling_match,
// which agrees with the program's matcher.
TEST_F(ServerStatements, TheServersSpellingMatchAgreesWithTheProgramsMatcher) {
    const std::vector<std::string> names = {
        "张三",   "曾小单",   "单田芳", "Amy张",    "O'Brien", "阿卜杜·热合曼", "西安",    "先生",
        "林妮",   "ＡＢＣ王", "β李",    "张 三 丰", "诸葛亮",  "长孙无忌",      "欧阳 修", "张三李四王五赵六钱七孙八",
        "1号楼王"};
    const std::vector<std::string> typed = {"zhangsan", "zs",         "zsan", "zhangs",        "zengxiao", "cengxd",
                                            "shantf",   "dantf",      "amyz", "obrien",        "xian",     "xi'an",
                                            "ni",       "abcw",       "li",   "zsf",           "zhuge",    "zgl",
                                            "changsun", "zhangsunwj", "oyx",  "wangwuzhaoliu", "1hl",      "lw",
                                            "q",        "sanlisiw"};
    ASSERT_EQ(db.psql("create table 名字 (姓名 text); insert into 名字 values " + SqlNameRows(names)), "");
    for (const auto& keys : typed) {
        const SpellingQuery query(keys);
        std::string expected;
        for (const auto& name : names)
            if (query.MatchesUtf8(name)) expected += (expected.empty() ? "" : ",") + name;
        EXPECT_EQ(
            db.psql("select coalesce(string_agg(姓名, ',' order by ctid), '') from 名字 where spelling_match(姓名, '" +
                    SpellingKeys(Text::fromUtf8(keys)).toUtf8() + "')"),
            expected)
            << keys;
    }
    // Through the contact list's own statement.
    EXPECT_EQ(namesFound(book, ContactSearchWithSpellingSql(T("zhangs"))), "张三");
    EXPECT_EQ(namesFound(book, ContactSearchWithSpellingSql(T("ls"))), "李四");
}
