#include "services/db/detail/name_order.h"

#include "services/core/pinyin_order.h"
#include "services/core/text.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

using dbdetail::CompareNames;
using dbdetail::WithNameOrdering;

TEST(NameOrder, ChineseSortsByPinyinAfterLatin) {
    std::vector<std::string> names{"赵六", "张三", "阿明", "Zed", "李四", "王五", "陈晨", "abc", "", "张"};
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return CompareNames(a, b) < 0; });
    EXPECT_EQ(names,
              (std::vector<std::string>{"", "abc", "Zed", "阿明", "陈晨", "李四", "王五", "张", "张三", "赵六"}));
    EXPECT_EQ(CompareNames("张三", "张三"), 0);
}

TEST(NameOrder, LatinLettersSortWithoutRegardToCaseCapitalsFirstOnATie) {
    std::vector<std::string> names{"carol", "Bob", "alice", "bob", "Alice"};
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return CompareNames(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"Alice", "alice", "Bob", "bob", "carol"}));
    EXPECT_LT(CompareNames("a_", "B"), 0);
    EXPECT_LT(CompareNames("[", "A"), 0);  // letters fold to lower case, after the signs between the cases
    EXPECT_NE(CompareNames("Bob", "bob"), 0);
}

TEST(NameOrder, CharactersOutsideGbkComeLastAndStrayBytesDoNotBreakIt) {
    EXPECT_LT(CompareNames("张", "😀"), 0);
    EXPECT_LT(CompareNames("😀", "\xff"), 0);
    EXPECT_GT(CompareNames("\xe5\xbc", "a"), 0);  // cut UTF-8 sequence
    EXPECT_LT(CompareNames("a", "\xe5\xbc"), 0);
}

// The euro sign is the code page's one byte 0x80: after ASCII, before every
// two-byte character, as the bytes of the names order them.
TEST(NameOrder, TheEuroSignSortsByItsOneByteCode) {
    std::vector<std::string> names{"阿明", "€", "z", "张€"};
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return CompareNames(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"z", "€", "阿明", "张€"}));
    EXPECT_LT(CompareNames("€", "😀"), 0);
}

TEST(NameOrder, OrderTermsAreSortedByTheirGbkKey) {
    EXPECT_EQ(WithNameOrdering("select * from 通讯录 order by 姓名 ASC"),
              "select * from 通讯录 order by name_sort_key(姓名) ASC");
    EXPECT_EQ(WithNameOrdering("select * from t where a like  '%x%'order by 姓名 ASC"),
              "select * from t where a like  '%x%'order by name_sort_key(姓名) ASC");
    EXPECT_EQ(WithNameOrdering("select * from t ORDER  BY a desc, b, 2 LIMIT 5"),
              "select * from t ORDER  BY name_sort_key(a) desc, name_sort_key(b), 2 LIMIT 5");
    EXPECT_EQ(WithNameOrdering("select * from t order by a collate nocase"),
              "select * from t order by a collate nocase");
    EXPECT_EQ(WithNameOrdering("select * from t order by lower(a) nulls last"),
              "select * from t order by name_sort_key(lower(a)) nulls last");
}

// A compound select's ORDER BY may only name result columns: there the
// collation stands in for the sort key.
TEST(NameOrder, CompoundSelectsGetTheCollation) {
    EXPECT_EQ(WithNameOrdering("select a from t union select b from u order by a desc"),
              "select a from t union select b from u order by a COLLATE NAME_ORDER desc");
    EXPECT_EQ(WithNameOrdering("select a from (select a from t union select b from u) order by a"),
              "select a from (select a from t union select b from u) order by name_sort_key(a)");
}

TEST(NameOrder, OrderWordsInsideTextsAndSubqueriesAreLeftAlone) {
    EXPECT_EQ(WithNameOrdering("select * from t where a = 'order by x'"), "select * from t where a = 'order by x'");
    EXPECT_EQ(WithNameOrdering("select * from (select * from t order by a) where b = 1"),
              "select * from (select * from t order by a) where b = 1");
    EXPECT_EQ(WithNameOrdering("select * from [order by] order by [x y]"),
              "select * from [order by] order by name_sort_key([x y])");
    EXPECT_EQ(WithNameOrdering("select recorder by from t"), "select recorder by from t");
}

// The sort key against the collation: for random texts the byte order of
// their keys is CompareNames's order, and a statement sorted by the key
// lists rows (texts, numbers, NULL and BLOBs) as the collation did.
class NameSortKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        ASSERT_TRUE(dbdetail::RegisterNameOrder(db_));
    }
    void TearDown() override { sqlite3_close(db_); }

    std::string keyOf(const std::string& text) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "SELECT name_sort_key(?)", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        std::string key;
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) == SQLITE_BLOB)
            key.assign(static_cast<const char*>(sqlite3_column_blob(st, 0)), sqlite3_column_bytes(st, 0));
        sqlite3_finalize(st);
        return key;
    }

    // Every row of column v of `sql`, each as its type and its text.
    std::vector<std::string> rowsOf(const std::string& sql) {
        std::vector<std::string> rows;
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
        while (sqlite3_step(st) == SQLITE_ROW) {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            rows.push_back(std::to_string(sqlite3_column_type(st, 0)) + ":" +
                           (text ? std::string(text, sqlite3_column_bytes(st, 0)) : std::string()));
        }
        sqlite3_finalize(st);
        return rows;
    }

    sqlite3* db_ = nullptr;
};

int Sign(int v) { return (v > 0) - (v < 0); }

// SQLite's BLOB order: memcmp over the common length, then the shorter first.
int CompareBlobs(const std::string& a, const std::string& b) {
    const int r = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (r != 0) return r;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::vector<std::string> RandomTexts(int count) {
    // Chinese (one GBK lacks), Latin letters of both cases, digits, the signs
    // between the cases, stray and cut UTF-8, a NUL and an emoji.
    const std::vector<std::string> pieces = {"张",
                                             "王",
                                             "李",
                                             "阿",
                                             "赵",
                                             "啊",
                                             "䶮",
                                             "瞿",
                                             "張",
                                             "陳",
                                             "丂",
                                             "€",
                                             "、",
                                             "Ａ",
                                             "a",
                                             "A",
                                             "b",
                                             "B",
                                             "z",
                                             "Z",
                                             "0",
                                             "9",
                                             "[",
                                             "_",
                                             "`",
                                             " ",
                                             "\xff",
                                             "\xe5\xbc",
                                             std::string(1, '\0'),
                                             "😀"};
    std::mt19937 random(2013);
    std::vector<std::string> texts = {"", "a", "A", "张三", "张", "Bob", "bob"};
    while (static_cast<int>(texts.size()) < count) {
        std::string t;
        for (int n = static_cast<int>(random() % 6); n > 0; --n) t += pieces[random() % pieces.size()];
        texts.push_back(t);
    }
    return texts;
}

TEST_F(NameSortKeyTest, KeysCompareAsTheCollationForRandomTexts) {
    const auto texts = RandomTexts(400);
    std::vector<std::string> keys;
    for (const auto& t : texts) keys.push_back(keyOf(t));
    int ties = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_FALSE(keys[i].empty()) << "text " << i;
        for (std::size_t j = 0; j < texts.size(); ++j) {
            const int expected = Sign(CompareNames(texts[i], texts[j]));
            ASSERT_EQ(Sign(CompareBlobs(keys[i], keys[j])), expected) << "texts " << i << " and " << j;
            ties += i != j && expected == 0;
        }
    }
    EXPECT_LT(ties, static_cast<int>(texts.size() * texts.size() / 10));  // mostly different texts
}

TEST_F(NameSortKeyTest, StatementsListRowsAsTheCollationDid) {
    ASSERT_EQ(sqlite3_exec(db_, "CREATE TABLE t (v)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db_, "INSERT INTO t VALUES (?)", -1, &insert, nullptr);
    std::vector<std::string> texts = RandomTexts(300);
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    for (const auto& t : texts) {
        // Texts with a NUL are cut there by the text functions: left out.
        if (t.find('\0') != std::string::npos) continue;
        sqlite3_bind_text(insert, 1, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ASSERT_EQ(sqlite3_exec(db_, "INSERT INTO t VALUES (NULL), (12), (-3.5), (x'00ff'), (x''), (x'41')", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    for (const std::string direction : {"", " DESC", " ASC NULLS LAST"}) {
        const std::string sql = "SELECT v FROM t ORDER BY v" + direction;
        const std::string rewritten = WithNameOrdering(sql);
        ASSERT_NE(rewritten.find("name_sort_key(v)"), std::string::npos);
        EXPECT_EQ(rowsOf(rewritten), rowsOf("SELECT v FROM t ORDER BY v COLLATE NAME_ORDER" + direction)) << direction;
    }
}

// The list's comparison of GBK labels and the SQL order of UTF-8 names are
// one order: for random texts the code page can hold, both agree.
TEST(NameOrder, GbkLabelsCompareAsTheirUtf8Names) {
    int checked = 0;
    const auto texts = RandomTexts(300);
    for (const auto& a : texts) {
        for (const auto& b : texts) {
            const Text ga = Text::fromUtf8(a), gb = Text::fromUtf8(b);
            // Only texts that go to GBK and back unchanged.
            if (ga.toUtf8() != a || gb.toUtf8() != b) continue;
            ASSERT_EQ(Sign(pinyin_order::CompareGbkNames(ga.bytes(), gb.bytes())), Sign(CompareNames(a, b)))
                << a << " / " << b;
            ++checked;
        }
    }
    EXPECT_GT(checked, 10000);
}

}  // namespace
