// The contact search with the pinyin spelling term: it finds every contact
// the search statement finds, in the statement's order, and besides them
// exactly the contacts whose name matches the typed spelling, each in its
// place in name order. The statement's own rows are read with the bare
// SQLite library, which knows none of the program's functions.

#include "data/address_book.h"
#include "services/core/pinyin_match.h"
#include "services/db/db_connection.h"
#include "services/db/field_ref.h"
#include "services/db/record_set.h"
#include "support/address_book_copy.h"
#include "support/recording_presenter.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// Keys (编号) of the rows a statement gives, in its order, through the record set.
std::vector<long long> KeysThroughRecordSet(RecordSet& rs, const Text& sql) {
    std::vector<long long> keys;
    EXPECT_TRUE(rs.Open(sql, 1)) << sql.toUtf8();
    const FieldRef key(T("编号"));
    for (rs.MoveFirst(); !rs.AtEnd(); rs.MoveNext()) keys.push_back(std::stoll(rs.ReadText(key).bytes()));
    return keys;
}

// Key -> name (UTF-8, absent for NULL) of the rows a statement gives, run
// directly on the file.
std::map<long long, std::optional<std::string>> RowsThroughSqlite(const std::string& book, const std::string& sql) {
    std::map<long long, std::optional<std::string>> rows;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(book.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
        rows[sqlite3_column_int64(statement, 0)] = name ? std::optional<std::string>(name) : std::nullopt;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

class SpellingSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db.ConnectAccess(book.pathText()));
        rs.SetConnection(db);
    }

    ScopedPresenter boxes;
    AddressBookCopy book;
    DBConnection db;
    RecordSet rs;
};

}  // namespace

TEST_F(SpellingSearch, TextsWithoutLatinLettersGiveExactlyTheStatement) {
    for (const char* typed : {"", "1", "138", "张", "张三", "%", "_", "'", "·", "３", "张 3", "~!@#"})
        EXPECT_EQ(ContactSearchWithSpellingSql(T(typed)), ContactSearchSql(T(typed))) << typed;
}

TEST_F(SpellingSearch, TheSpellingTermComesBeforeTheOrder) {
    EXPECT_EQ(ContactSearchWithSpellingSql(T("Zhang San")),
              T("select * from 通讯录 where 姓名 like  '%Zhang San%' or 首字母 like  '%Zhang San%'or 手机 like  "
                "'%Zhang San%' or spelling_match(姓名, 'zhangsan') order by 姓名 ASC"));
    // A text that spells the clause itself stays inside its quotes.
    const Text sql = ContactSearchWithSpellingSql(T("order by x"));
    EXPECT_TRUE(sql.toUtf8().ends_with("'%order by x%' or spelling_match(姓名, 'orderbyx') order by 姓名 ASC"))
        << sql.toUtf8();
}

TEST_F(SpellingSearch, ContainsTheStatementsResultInOrderAndExactlyTheSpellingMatches) {
    // Unique names, so that the name order is one total order.
    const std::vector<std::string> pool = {"张", "三", "长", "曾", "单", "西", "安", "先", "林", "尼", "李", "四", "王",
                                           "小", "晓", "明", "行", "乐", "A",  "b",  "Z",  "x",  "3",  " ",  "'"};
    std::mt19937 random(1913);
    std::set<std::string> names;
    while (names.size() < 500) {
        std::string name;
        for (int i = 0, n = 1 + static_cast<int>(random() % 4); i < n; ++i) name += pool[random() % pool.size()];
        names.insert(name);
    }
    std::vector<ContactColumns> contacts;
    for (const std::string& name : names) {
        std::string mobile = "1";
        for (int i = 0; i < 10; ++i) mobile += static_cast<char>('0' + random() % 10);
        std::string initials;
        for (int i = 0, n = static_cast<int>(random() % 4); i < n; ++i)
            initials += static_cast<char>('a' + random() % 26);
        ContactColumns row{{"姓名", name}, {"手机", mobile}};
        if (!initials.empty()) row["首字母"] = initials;
        contacts.push_back(row);
    }
    contacts.push_back({{"手机", "13800000000"}});  // one contact without a name
    AddContacts(book.path(), contacts);

    // Every contact's place in name order.
    const std::vector<long long> all = KeysThroughRecordSet(rs, T("select * from 通讯录 order by 姓名 ASC"));
    ASSERT_EQ(all.size(), contacts.size());
    std::map<long long, std::size_t> place;
    for (std::size_t i = 0; i < all.size(); ++i) place[all[i]] = i;

    const std::vector<std::string> typedPool = {
        "zhang", "zs",   "ZHANG SAN", "x",   "xian", "xi'an",    "li", "ni",  "a",     "sh",
        "s",     "zeng", "ceng",      "dan", "shan", "xiaoming", "xm", "3",   "13",    "b",
        "ab",    "z3",   "'",         "张",  "晓明", "%",        "_",  "o'b", "wang x"};
    int extraFound = 0;
    for (int round = 0; round < 120; ++round) {
        std::string typed = typedPool[random() % typedPool.size()];
        if (random() % 3 == 0) typed += static_cast<char>('a' + random() % 26);
        if (random() % 4 == 0) typed = typed.substr(0, 1 + random() % typed.size());
        SCOPED_TRACE(typed);

        const Text statement = ContactSearchSql(T(typed));
        const std::vector<long long> statementKeys = KeysThroughRecordSet(rs, statement);
        const std::vector<long long> found = KeysThroughRecordSet(rs, ContactSearchWithSpellingSql(T(typed)));
        EXPECT_EQ(rs.RecordCount(), static_cast<int>(found.size()));

        // The statement's rows, run on the bare library, are the record set's.
        std::string bare = statement.toUtf8();
        bare = "select 编号, 姓名" + bare.substr(bare.find(" from"));
        const auto statementRows = RowsThroughSqlite(book.path(), bare);
        std::set<long long> statementSet;
        for (const auto& [key, name] : statementRows) statementSet.insert(key);
        ASSERT_EQ(std::set<long long>(statementKeys.begin(), statementKeys.end()), statementSet);

        // The statement's rows, in the statement's order.
        std::vector<long long> kept;
        for (long long key : found) {
            if (statementSet.count(key)) kept.push_back(key);
        }
        EXPECT_EQ(kept, statementKeys);

        // Besides them, exactly the names that match by their spelling.
        const auto everyRow = RowsThroughSqlite(book.path(), "select 编号, 姓名 from 通讯录");
        std::set<long long> expected = statementSet;
        for (const auto& [key, name] : everyRow) {
            if (name && MatchesSpelling(T(typed), T(*name))) expected.insert(key);
        }
        EXPECT_EQ(std::set<long long>(found.begin(), found.end()), expected);
        EXPECT_EQ(found.size(), expected.size());  // none twice
        extraFound += static_cast<int>(found.size() - statementKeys.size());

        // All in name order.
        for (std::size_t i = 1; i < found.size(); ++i) EXPECT_LT(place[found[i - 1]], place[found[i]]);

        if (SpellingKeys(T(typed)).empty()) {
            EXPECT_EQ(found, statementKeys);
        }
    }
    EXPECT_GT(extraFound, 100);  // the spelling found many the statement did not
}
