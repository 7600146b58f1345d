// The contacts' name order kept in the book: names in pinyin order through
// the program's own statements, checked against an ordering built here from
// the pinyin readings; the stock sqlite3 shell still writes the file; lost
// structures come back; the list, search and group statements walk an index.

#include "db_fixture.h"

#include "data/address_book.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/detail/name_order.h"
#include "services/db/detail/spelling_function.h"
#include "services/db/detail/stored_order.h"
#include "services/db/record_set.h"
#include "support/recording_presenter.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <tuple>

namespace {

// ---- the independent ordering ----

// One character as the order sees it: a one-byte character by its code
// (letters in lower case), before any Chinese character; a Chinese
// character by its usual reading's spelling, then its GBK code.
using CharacterPlace = std::tuple<int, std::string, unsigned>;

std::vector<CharacterPlace> PlacesOf(const std::string& utf8) {
    const std::string gbk = Text::fromUtf8(utf8).bytes();
    std::vector<CharacterPlace> places;
    for (std::size_t i = 0; i < gbk.size();) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (c < 0x80) {
            places.emplace_back(0, "", static_cast<unsigned>(std::tolower(c)));
            ++i;
            continue;
        }
        const std::string spelling = Pinyin(Text::fromBytes(gbk.substr(i, 2)), 1).bytes();
        EXPECT_FALSE(spelling.empty()) << utf8;
        places.emplace_back(1, spelling, (c << 8) | static_cast<unsigned char>(gbk[i + 1]));
        i += 2;
    }
    return places;
}

bool NameBefore(const std::string& a, const std::string& b) {
    const auto pa = PlacesOf(a), pb = PlacesOf(b);
    if (pa != pb) return std::lexicographical_compare(pa.begin(), pa.end(), pb.begin(), pb.end());
    return a < b;
}

std::vector<std::string> InNameOrder(std::vector<std::string> names) {
    std::stable_sort(names.begin(), names.end(), NameBefore);
    return names;
}

// Level-1 and level-2 characters, the GBK extension and traditional forms,
// letters of both cases and digits.
const std::vector<std::string> kPieces = {"张", "章", "王", "李", "阿", "赵", "左", "查", "陈", "程", "车",
                                          "佟", "晏", "瞿", "亓", "邝", "張", "陳", "學", "劉", "丂", "鍾",
                                          "a",  "A",  "b",  "B",  "z",  "Z",  "0",  "9",  "1"};

std::vector<std::string> RandomNames(std::mt19937& random, int count) {
    std::vector<std::string> names;
    while (static_cast<int>(names.size()) < count) {
        if (!names.empty() && random() % 10 == 0) {
            names.push_back(names[random() % names.size()]);  // an equal name
            continue;
        }
        // Now and then a name of 255 characters.
        const int length = random() % 50 == 0 ? 255 : 1 + static_cast<int>(random() % 4);
        std::string name;
        for (int n = 0; n < length; ++n) name += kPieces[random() % kPieces.size()];
        names.push_back(name);
    }
    return names;
}

// ---- the bare file ----

std::vector<std::string> Column(const std::string& book, const std::string& sql) {
    std::vector<std::string> out;
    sqlite3* db = nullptr;
    sqlite3_open_v2(book.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql << ": " << sqlite3_errmsg(db);
    while (sqlite3_step(st) == SQLITE_ROW) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        out.push_back(text ? std::string(text, sqlite3_column_bytes(st, 0)) : "NULL");
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// Runs SQL in the stock sqlite3 shell, stopping at the first error; its exit status.
int Shell(const TempFolder& folder, const std::string& book, const std::string& sql) {
    const std::string script = folder.file("shell.sql");
    std::ofstream(script) << sql << "\n";
    return std::system(("sqlite3 -bail '" + book + "' < '" + script + "' > /dev/null 2>&1").c_str());
}

const std::string kSide = "通讯录_姓名_order";

// The structures the order keeps, by name.
std::vector<std::string> Structures(const std::string& book) {
    return Column(book, "select type || ' ' || name from sqlite_master where name like '" + kSide +
                            "%' or name = '通讯录_分组' order by name");
}

const std::vector<std::string> kAllStructures = {
    "index 通讯录_分组",
    "table " + kSide,
    "trigger " + kSide + "_delete",
    "trigger " + kSide + "_insert",
    "trigger " + kSide + "_rowid",
    "trigger " + kSide + "_update",
    "index " + kSide + "_key",
};

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

class StoredOrderTest : public RecordSetOnBook {
protected:
    // Each test opens the book itself, some only after changing the file.
    void SetUp() override {}

    void open() {
        rs.Close();
        connect();
        KeepContactOrder(db);
    }
    void close() {
        rs.Close();
        db.CloseConnection();
    }

    void addThroughTheProgram(const std::vector<std::string>& names) {
        ASSERT_TRUE(db.BeginTrans());
        ASSERT_TRUE(rs.Open(ContactByKeySql(Text()), 1));
        for (const auto& name : names) {
            ASSERT_TRUE(rs.AddNew());
            ASSERT_TRUE(rs.WriteText(T("姓名"), Text::fromUtf8(name)));
            ASSERT_TRUE(rs.Update());
        }
        ASSERT_TRUE(db.CommitTrans());
    }

    std::vector<std::string> listed(const Text& sql) {
        EXPECT_TRUE(rs.Open(sql, 1)) << db.ErrorText().toUtf8();
        return names();
    }
    std::vector<std::string> listedByName() { return listed(T("select * from 通讯录 order by 姓名 ASC")); }

    // Every name of the book in the order built here.
    std::vector<std::string> expectedOrder() { return InNameOrder(Column(book.path(), "select 姓名 from 通讯录")); }
};

TEST(NameOrderKnownCases, LevelTwoAndTraditionalCharactersSortByTheirReading) {
    using dbdetail::CompareNames;
    // Level-2 surnames before 左 (zuo), as their readings say.
    for (const char* name : {"佟大为", "晏殊", "瞿秋白", "亓官", "邝美云"})
        EXPECT_LT(CompareNames(name, "左明"), 0) << name;
    // Traditional forms among the simplified names of their reading.
    EXPECT_LT(CompareNames("查理", "張學友"), 0);  // zha, zhang
    EXPECT_LT(CompareNames("張學友", "赵六"), 0);  // zhang, zhao
    EXPECT_LT(CompareNames("车", "陳奕迅"), 0);    // che, chen
    EXPECT_LT(CompareNames("陳奕迅", "程"), 0);    // chen, cheng
    EXPECT_GT(CompareNames("張學友", "阿明"), 0);
    // One surname's names stay together.
    std::vector<std::string> names{"张四", "張三", "章一", "张一", "張二"};
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return CompareNames(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"張二", "張三", "章一", "张四", "张一"}));  // 張 8F88, 章 D5C2, 张 D5C5
    // Latin letters and digits before every Chinese name, as before.
    EXPECT_LT(CompareNames("Zed", "阿"), 0);
    EXPECT_LT(CompareNames("99", "丂"), 0);
}

// Random names, written by the program and by another writer, listed by the
// program's statements in the order built here.
TEST_F(StoredOrderTest, RandomNamesListInPinyinOrder) {
    open();
    std::mt19937 random(13);
    const auto names = RandomNames(random, 1200);
    const std::vector<std::string> mine(names.begin(), names.begin() + 600);
    addThroughTheProgram(mine);
    EXPECT_EQ(listedByName(), InNameOrder(mine));
    // Another writer adds the rest while the book is open.
    std::vector<ContactColumns> others;
    for (std::size_t i = 600; i < names.size(); ++i)
        others.push_back({{"姓名", names[i]}, {"分组", i % 3 ? "同事" : "家人"}, {"手机", std::to_string(i)}});
    AddContacts(book.path(), others);

    const auto expected = expectedOrder();
    ASSERT_EQ(expected.size(), names.size());
    EXPECT_EQ(listedByName(), expected);
    EXPECT_EQ(listed(ContactSearchSql(T(""))), expected);
    auto reversed = listed(T("select * from 通讯录 order by 姓名 DESC"));
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(reversed, InNameOrder(reversed));
    EXPECT_EQ(Sorted(reversed), Sorted(expected));

    auto withOnlyMatching = [&](const std::string& sql) { return InNameOrder(Column(book.path(), sql)); };
    EXPECT_EQ(listed(GroupFilterSql(T("家人"))), withOnlyMatching("select 姓名 from 通讯录 where 分组 = '家人'"));
    EXPECT_EQ(listed(ContactSearchSql(T("张"))),
              withOnlyMatching("select 姓名 from 通讯录 where 姓名 like '%张%' or 手机 like '%张%'"));
    EXPECT_EQ(listed(ContactSearchSql(T("1"))),
              withOnlyMatching("select 姓名 from 通讯录 where 姓名 like '%1%' or 手机 like '%1%'"));

    // Renamed by the program: in its new place at once.
    ASSERT_TRUE(rs.Open(T("select * from 通讯录 order by 姓名 ASC"), 1));
    ASSERT_TRUE(rs.MoveTo(0));
    ASSERT_TRUE(rs.WriteText(T("姓名"), T("左左")));
    ASSERT_TRUE(rs.Update());
    EXPECT_EQ(listedByName(), expectedOrder());
    EXPECT_EQ(listedByName().back().substr(0, 6), "左左");

    // The same order at the next opening, and no key left to compute.
    close();
    open();
    EXPECT_EQ(listedByName(), expectedOrder());
    EXPECT_EQ(RawValue(book.path(), "select count(*) from \"" + kSide + "\" where order_key is null"), "0");
    EXPECT_EQ(IntegrityCheck(book.path()), "ok");
}

// 1,000 contacts of one name: all listed, in the order they were added.
TEST_F(StoredOrderTest, EqualNamesKeepTheOrderOfTheirRows) {
    open();
    std::vector<ContactColumns> same;
    for (int i = 0; i < 1000; ++i) same.push_back({{"姓名", "张三"}, {"手机", std::to_string(100000 + i)}});
    AddContacts(book.path(), same);
    ASSERT_TRUE(rs.Open(T("select * from 通讯录 order by 姓名 ASC"), 1));
    ASSERT_EQ(rs.RecordCount(), 1000);
    for (int i = 0; i < 1000; i += 111) {
        ASSERT_TRUE(rs.MoveTo(i));
        EXPECT_EQ(rs.ReadText(T("手机")).toUtf8(), std::to_string(100000 + i));
    }
}

TEST_F(StoredOrderTest, TheStockShellWritesTheBookAndItsRowsTakeTheirPlace) {
    open();
    addThroughTheProgram({"张三", "李四", "王五", "Bob"});
    close();
    ASSERT_EQ(Sorted(Structures(book.path())), Sorted(kAllStructures));

    EXPECT_EQ(Shell(book.folder(), book.path(),
                    "INSERT INTO 通讯录 (姓名, 手机) VALUES ('瞿秋白', '1'), ('張學友', '2'), ('alice', '3');\n"
                    "UPDATE 通讯录 SET 姓名 = '佟大为' WHERE 姓名 = '张三';\n"
                    "UPDATE 通讯录 SET 编号 = 1000 WHERE 姓名 = '王五';\n"
                    "DELETE FROM 通讯录 WHERE 姓名 = '李四';\n"
                    "INSERT OR REPLACE INTO 通讯录 (编号, 姓名) VALUES (1000, '晏殊');\n"),
              0);
    open();
    EXPECT_EQ(listedByName(), (std::vector<std::string>{"alice", "Bob", "瞿秋白", "佟大为", "晏殊", "張學友"}));
    EXPECT_EQ(listedByName(), expectedOrder());
    EXPECT_EQ(RawValue(book.path(), "select count(*) from \"" + kSide + "\""), "6");
    // The file stays whole for the shell too.
    EXPECT_EQ(Shell(book.folder(), book.path(), "PRAGMA integrity_check; DELETE FROM 通讯录;"), 0);
    EXPECT_TRUE(listedByName().empty());
}

TEST_F(StoredOrderTest, StructuresDeletedByHandAreRebuilt) {
    open();
    addThroughTheProgram({"张三", "李四"});
    close();
    // A trigger and the index dropped, then rows changed with nothing to track them.
    ASSERT_EQ(
        Shell(book.folder(), book.path(),
              "DROP TRIGGER \"" + kSide + "_insert\"; DROP TRIGGER \"" + kSide + "_update\"; DROP INDEX \"" + kSide +
                  "_key\"; DROP INDEX 通讯录_分组;\n"
                  "INSERT INTO 通讯录 (姓名) VALUES ('瞿秋白'), ('陳奕迅');\n"
                  "UPDATE 通讯录 SET 姓名 = '晏殊' WHERE 姓名 = '张三';\n"),
        0);
    open();
    EXPECT_EQ(Sorted(Structures(book.path())), Sorted(kAllStructures));
    EXPECT_EQ(listedByName(), (std::vector<std::string>{"陳奕迅", "李四", "瞿秋白", "晏殊"}));
    close();

    // The side table itself dropped (its index with it; the triggers then fail
    // until the program is back, so the shell writes nothing meanwhile).
    ASSERT_EQ(Shell(book.folder(), book.path(), "DROP TABLE \"" + kSide + "\";"), 0);
    open();
    EXPECT_EQ(Sorted(Structures(book.path())), Sorted(kAllStructures));
    EXPECT_EQ(listedByName(), (std::vector<std::string>{"陳奕迅", "李四", "瞿秋白", "晏殊"}));

    // Dropped while the program has the book open: the next read notices.
    ASSERT_EQ(Shell(book.folder(), book.path(),
                    "DROP TRIGGER \"" + kSide +
                        "_delete\"; DELETE FROM 通讯录 WHERE 姓名 = '李四';\n"
                        "DROP TRIGGER \"" +
                        kSide + "_insert\"; INSERT INTO 通讯录 (姓名) VALUES ('阿明');\n"),
              0);
    EXPECT_EQ(listedByName(), (std::vector<std::string>{"阿明", "陳奕迅", "瞿秋白", "晏殊"}));
    EXPECT_EQ(Sorted(Structures(book.path())), Sorted(kAllStructures));
}

// The whole list walks the key index: SQLite sorts nothing. A search or
// group filter reads the table once in row order, finds each match's stored
// key by row id and sorts only the matches by it: no sort key is computed.
TEST_F(StoredOrderTest, TheListWalksTheIndexAndFiltersSortTheirMatchesByStoredKeys) {
    open();
    addThroughTheProgram({"张三", "李四"});
    const dbdetail::StoredOrder order("通讯录", "姓名");
    sqlite3* bare = nullptr;
    ASSERT_EQ(sqlite3_open_v2(book.path().c_str(), &bare, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    dbdetail::RegisterNameOrder(bare);
    auto planOf = [&](const Text& sql) {
        const auto walked = order.rewrite(sql.toUtf8());
        EXPECT_TRUE(walked) << sql.toUtf8();
        std::string plan;
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(bare, ("EXPLAIN QUERY PLAN " + walked.value_or("")).c_str(), -1, &st, nullptr),
                  SQLITE_OK)
            << walked.value_or("") << ": " << sqlite3_errmsg(bare);
        while (sqlite3_step(st) == SQLITE_ROW)
            plan += reinterpret_cast<const char*>(sqlite3_column_text(st, 3)) + std::string("\n");
        sqlite3_finalize(st);
        EXPECT_EQ(walked.value_or("").find(dbdetail::kNameSortKey), std::string::npos);
        return plan;
    };
    for (const Text& sql :
         {T("select * from 通讯录 order by 姓名 ASC"), T("select rowid from 通讯录 order by 姓名 desc")}) {
        const std::string plan = planOf(sql);
        EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan;
        EXPECT_NE(plan.find("SCAN " + kSide + " USING COVERING INDEX " + kSide + "_key"), std::string::npos) << plan;
    }
    for (const Text& sql : {ContactSearchSql(T("张")), ContactSearchSql(T("")), GroupFilterSql(T("同事")),
                            DuplicateMobileSql(T("138"))}) {
        const std::string plan = planOf(sql);
        EXPECT_NE(plan.find("SCAN 通讯录"), std::string::npos) << plan;
        EXPECT_NE(plan.find("SEARCH " + kSide + " USING PRIMARY KEY"), std::string::npos) << plan;
    }
    sqlite3_close(bare);
}

// A search or group filter reads the copies of the searched fields in the
// key index: the shell's changes to them (by the triggers, or found
// untracked at the next opening) are in the next result, and an older side
// table without the copies is rebuilt.
TEST_F(StoredOrderTest, FiltersReadCopiesThatFollowEveryWriter) {
    open();
    addThroughTheProgram({"张三", "李四", "王五"});
    close();
    const std::string side = "\"" + kSide + "\"";
    ASSERT_EQ(Shell(book.folder(), book.path(),
                    "UPDATE 通讯录 SET 手机 = '13900001111', 分组 = '同事' WHERE 姓名 = '李四';\n"
                    "UPDATE 通讯录 SET 首字母 = 'ww' WHERE 姓名 = '王五';\n"
                    "INSERT INTO 通讯录 (姓名, 手机) VALUES ('阿明', '13900002222');\n"
                    "UPDATE 通讯录 SET 编号 = 500 WHERE 姓名 = '张三';\n"
                    "UPDATE 通讯录 SET 手机 = 13900003333 WHERE 编号 = 500;\n"),
              0);
    open();
    const std::vector<std::string> all139 = {"阿明", "李四", "张三"};
    EXPECT_EQ(listed(ContactSearchSql(T("139000"))), all139);
    EXPECT_EQ(listed(ContactSearchSql(T("WW"))), (std::vector<std::string>{"王五"}));
    EXPECT_EQ(listed(GroupFilterSql(T("同事"))), (std::vector<std::string>{"李四"}));
    // The number the shell wrote as an integer is text in the table, so in the copy.
    EXPECT_EQ(RawValue(book.path(), "select typeof(order_手机) from " + side + " where order_row = 500"), "text");
    EXPECT_EQ(listed(T("select * from 通讯录 where 手机 = '13900003333' order by 姓名")),
              (std::vector<std::string>{"张三"}));
    close();

    // A change while the update trigger was missing, then the side table of
    // an older book: keys only, and stale.
    ASSERT_EQ(Shell(book.folder(), book.path(),
                    "DROP TRIGGER \"" + kSide + "_update\"; UPDATE 通讯录 SET 手机 = '1' WHERE 姓名 = '阿明';\n"),
              0);
    open();
    EXPECT_EQ(listed(ContactSearchSql(T("139000"))), (std::vector<std::string>{"李四", "张三"}));
    close();
    ASSERT_EQ(Shell(book.folder(), book.path(),
                    "DROP TABLE " + side + "; CREATE TABLE " + side +
                        " (order_row INTEGER PRIMARY KEY, order_key BLOB) WITHOUT ROWID;\n"
                        "CREATE INDEX \"" +
                        kSide + "_key\" ON " + side + " (order_key, order_row);\n"),
              0);
    open();
    EXPECT_EQ(Sorted(Structures(book.path())), Sorted(kAllStructures));
    EXPECT_EQ(listed(ContactSearchSql(T("1"))), (std::vector<std::string>{"阿明", "李四", "张三"}));
    EXPECT_EQ(listed(ContactSearchSql(T("139000"))), (std::vector<std::string>{"李四", "张三"}));
    EXPECT_EQ(listedByName(), (std::vector<std::string>{"阿明", "李四", "王五", "张三"}));
    EXPECT_EQ(IntegrityCheck(book.path()), "ok");
}

// The row identities of a search or group filter come from the key index
// alone: the table's rows are not read and nothing is sorted. A filter that
// names another field reads the table.
TEST_F(StoredOrderTest, FilterIdentitiesWalkTheKeyIndexAlone) {
    open();
    addThroughTheProgram({"张三", "李四"});
    const dbdetail::StoredOrder order("通讯录", "姓名", {"首字母", "手机", "分组"});
    sqlite3* bare = nullptr;
    ASSERT_EQ(sqlite3_open_v2(book.path().c_str(), &bare, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    dbdetail::RegisterSpellingMatch(bare);
    auto planOf = [&](const std::string& sql) {
        std::string plan;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(bare, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &st, nullptr) != SQLITE_OK)
            return "does not compile: " + std::string(sqlite3_errmsg(bare));
        while (sqlite3_step(st) == SQLITE_ROW)
            plan += reinterpret_cast<const char*>(sqlite3_column_text(st, 3)) + std::string("\n");
        sqlite3_finalize(st);
        return plan;
    };
    auto identities = [](const Text& sql) {
        return "select 通讯录.rowid " + sql.toUtf8().substr(std::string("select * ").size());
    };
    for (const Text& sql : {ContactSearchSql(T("张")), ContactSearchWithSpellingSql(T("zs")), GroupFilterSql(T("同事")),
                            DuplicateMobileSql(T("138"))}) {
        const auto walked = order.narrowRewrite(identities(sql));
        ASSERT_TRUE(walked) << sql.toUtf8();
        const std::string plan = planOf(*walked);
        EXPECT_EQ(plan, "SCAN " + kSide + " USING COVERING INDEX " + kSide + "_key\n") << *walked;
    }
    // Other fields, the row id, the side table's own columns: no narrow walk.
    EXPECT_NE(planOf(order.narrowRewrite("select rowid from 通讯录 where 邮箱 like 'a%' order by 姓名").value())
                  .find("does not compile"),
              std::string::npos);
    for (const char* id : {"rowid", "OID", "_rowid_"})
        EXPECT_FALSE(order.narrowRewrite(std::string("select rowid from 通讯录 where ") + id + " > 1 order by 姓名"));
    EXPECT_FALSE(order.narrowRewrite("select rowid from 通讯录 where order_key is null order by 姓名"));
    EXPECT_FALSE(order.narrowRewrite("select * from 通讯录 where 姓名 = 'a' order by 姓名"));
    EXPECT_FALSE(order.narrowRewrite("select rowid from 通讯录 order by 姓名"));
    sqlite3_close(bare);
    EXPECT_EQ(listed(T("select * from 通讯录 where 邮箱 is null and 姓名 like '李%' order by 姓名")),
              (std::vector<std::string>{"李四"}));
    EXPECT_EQ(listed(T("select * from 通讯录 where rowid > 0 and 姓名 like '李%' order by 姓名")),
              (std::vector<std::string>{"李四"}));
}

TEST_F(StoredOrderTest, AnySelectListReadsTheTableOnly) {
    open();
    addThroughTheProgram({"张三", "李四", "阿明"});
    // "*" is the table's own columns, in their order.
    ASSERT_TRUE(rs.Open(T("select * from 通讯录 order by 姓名 ASC"), 1));
    EXPECT_EQ(rs.FieldCount(), 18);
    EXPECT_EQ(rs.FieldName(0).toUtf8(), "编号");
    EXPECT_EQ(rs.FieldName(17).toUtf8(), "性别");
    // A search text of 10,000 bytes (quotes among them) is one more statement of the shape.
    std::string longSearch(10000, 'x');
    longSearch[5000] = '\'';
    EXPECT_TRUE(
        dbdetail::StoredOrder("通讯录", "姓名").rewrite(ContactSearchSql(Text::fromBytes(longSearch)).toUtf8()));
    EXPECT_TRUE(listed(ContactSearchSql(Text::fromBytes(longSearch))).empty());
    EXPECT_EQ(listed(ContactSearchSql(T("张"))), (std::vector<std::string>{"张三"}));
    // The row identities in order.
    const auto ids = Column(book.path(),
                            "select 编号 from 通讯录 where 姓名 in ('阿明', '李四', '张三') order by "
                            "case 姓名 when '阿明' then 1 when '李四' then 2 else 3 end");
    for (const char* sql :
         {"select rowid from 通讯录 order by 姓名", "select 通讯录.rowid from 通讯录 order by 姓名 ASC",
          "select 编号 as id, 姓名 || '!' from \"通讯录\" where 编号 > 0 order by 通讯录.姓名;"}) {
        ASSERT_TRUE(rs.Open(T(sql), 1)) << sql << db.ErrorText().toUtf8();
        ASSERT_EQ(rs.RecordCount(), 3) << sql;
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(rs.MoveTo(i));
            EXPECT_EQ(rs.ReadText(0).toUtf8(), ids[i]) << sql;
        }
    }
}

// A searched field the table lacks is not copied; the order is kept all the same.
TEST(StoredOrderRewrite, ASearchedFieldTheTableLacksIsLeftOut) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    dbdetail::RegisterNameOrder(db);
    ASSERT_EQ(
        sqlite3_exec(db, "CREATE TABLE t (name TEXT, phone TEXT); INSERT INTO t VALUES ('李四', '12'), ('张三', '13')",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    dbdetail::StoredOrder order("t", "name", {"missing", "phone"});
    ASSERT_TRUE(order.prepare(db));
    ASSERT_TRUE(order.ready(db));
    const auto walked = order.narrowRewrite("select rowid from t where phone like '1%' order by name desc");
    ASSERT_TRUE(walked);
    std::vector<long long> ids;
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, walked->c_str(), -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    while (sqlite3_step(st) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    EXPECT_EQ(ids, (std::vector<long long>{2, 1}));
    sqlite3_close(db);
}

TEST(StoredOrderRewrite, OnlyStatementsOfTheListShapeAreRewritten) {
    const dbdetail::StoredOrder order("通讯录", "姓名");
    const std::string side = "\"" + kSide + "\"";
    EXPECT_EQ(order.rewrite("select * from 通讯录 where 分组 like  '%a%'order by 姓名 ASC"),
              "SELECT 通讯录.* FROM 通讯录 CROSS JOIN " + side + " ON " + side +
                  ".order_row = 通讯录.rowid WHERE ( 分组 like  '%a%') ORDER BY " + side + ".order_key ASC, " + side +
                  ".order_row ASC");
    EXPECT_EQ(order.rewrite("SELECT a, * , b FROM [通讯录] ORDER BY [姓名] DESC"),
              "SELECT a, [通讯录].*, b FROM " + side + " CROSS JOIN [通讯录] ON [通讯录].rowid = " + side +
                  ".order_row ORDER BY " + side + ".order_key DESC, " + side + ".order_row DESC");
    // A where clause holding the words of other clauses in texts and subqueries.
    EXPECT_TRUE(
        order.rewrite("select * from 通讯录 where 姓名 = 'x order by y limit 1' and 编号 in "
                      "(select 编号 from 通讯录 order by 姓名 limit 5) order by 姓名"));
    for (const char* other : {
             "select * from 通讯录 order by 手机",
             "select * from 通讯录 order by 姓名, 手机",
             "select * from 通讯录 order by 姓名 collate nocase",
             "select * from 通讯录 order by 姓名 limit 10",
             "select * from 通讯录 t order by 姓名",
             "select * from 通讯录, 用户 order by 姓名",
             "select * from 通讯录 join 用户 order by 姓名",
             "select distinct 姓名 from 通讯录 order by 姓名",
             "select 分组, count(*) from 通讯录 group by 分组 order by 姓名",
             "select 姓名 from 通讯录 union select 用户名 from 用户 order by 姓名",
             "select * from 用户 order by 姓名",
             "select * from 通讯录",
             "select * from 通讯录 order by 姓名 asc nulls last",
             "select * from (select * from 通讯录) order by 姓名",
             "delete from 通讯录 where 姓名 = 'x'",
         })
        EXPECT_FALSE(order.rewrite(other)) << other;
}

// A read-only book gets no structures and is left byte for byte; its names
// are still listed in pinyin order.
TEST_F(StoredOrderTest, AReadOnlyBookIsLeftAsItIsAndStillSortsByName) {
    AddContacts(book.path(), {{{"姓名", "左明"}}, {{"姓名", "瞿秋白"}}, {{"姓名", "張學友"}}, {{"姓名", "Bob"}}});
    ASSERT_EQ(chmod(book.path().c_str(), 0444), 0);
    const std::string before = FileBytes(book.path());
    open();
    EXPECT_EQ(listedByName(), (std::vector<std::string>{"Bob", "瞿秋白", "張學友", "左明"}));
    EXPECT_EQ(listed(ContactSearchSql(T(""))), (std::vector<std::string>{"Bob", "瞿秋白", "張學友", "左明"}));
    close();
    EXPECT_TRUE(Structures(book.path()).empty());
    EXPECT_EQ(FileBytes(book.path()), before);
    chmod(book.path().c_str(), 0644);
}

}  // namespace
