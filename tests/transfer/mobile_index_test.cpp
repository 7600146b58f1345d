// The in-memory containment test of an import against what the table scan
// "手机 like '%number%'" answered: SQLite itself is asked the same
// questions on the same numbers.

#include "transfer/mobile_index.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>

namespace {

// The answer of the LIKE statement over `stored` for `number`.
class LikeScan {
public:
    LikeScan() {
        sqlite3_open(":memory:", &db_);
        sqlite3_exec(db_, "CREATE TABLE t (手机 TEXT)", nullptr, nullptr, nullptr);
    }
    ~LikeScan() { sqlite3_close(db_); }

    void add(const std::string& number) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "INSERT INTO t VALUES (?)", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, number.data(), static_cast<int>(number.size()), SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_finalize(st);
    }

    bool contains(const std::string& number) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "SELECT count(*) FROM t WHERE 手机 LIKE '%' || ? || '%'", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, number.data(), static_cast<int>(number.size()), SQLITE_TRANSIENT);
        sqlite3_step(st);
        const bool found = sqlite3_column_int(st, 0) > 0;
        sqlite3_finalize(st);
        return found;
    }

private:
    sqlite3* db_ = nullptr;
};

TEST(MobileIndexTest, ContainedNumbersAreFoundAndLongerOnesAreNot) {
    MobileIndex index({"13800138000", "8613912345678"});
    EXPECT_TRUE(index.contains("13800138000"));    // the same number
    EXPECT_TRUE(index.contains("0013"));           // inside a stored one
    EXPECT_TRUE(index.contains("13912345678"));    // the end of a stored one
    EXPECT_FALSE(index.contains("138001380001"));  // contains a stored one: not a duplicate
    EXPECT_FALSE(index.contains("13700000000"));
    EXPECT_TRUE(index.contains(""));  // an empty number is in any stored one
    EXPECT_FALSE(MobileIndex({}).contains(""));
}

TEST(MobileIndexTest, NumbersAddedDuringTheImportCountFromThen) {
    MobileIndex index({});
    EXPECT_FALSE(index.contains("13800138000"));
    index.add("13800138000");
    EXPECT_TRUE(index.contains("13800138000"));  // the same number twice in one workbook
    EXPECT_TRUE(index.contains("380013"));
    EXPECT_FALSE(index.contains("1380013800012"));
}

TEST(MobileIndexTest, LatinLettersMatchInEitherCaseAndOtherCharactersExactly) {
    MobileIndex index({"Tel138ABC", "电话138"});
    EXPECT_TRUE(index.contains("tel138abc"));
    EXPECT_TRUE(index.contains("BC"));
    EXPECT_TRUE(index.contains("话13"));
    EXPECT_FALSE(index.contains("电活"));
    index.add("qq10001");
    EXPECT_TRUE(index.contains("QQ1"));
}

TEST(MobileIndexTest, PercentAndUnderscoreAreLiteral) {
    MobileIndex index({"138%00", "139_11", "o'neil"});
    EXPECT_TRUE(index.contains("8%0"));
    EXPECT_TRUE(index.contains("9_1"));
    EXPECT_TRUE(index.contains("o'n"));
    EXPECT_FALSE(index.contains("1%0"));  // as a pattern it would match 138%00
    EXPECT_FALSE(index.contains("13_"));  // as a pattern it would match 139_11
}

// Random numbers of digits, letters of both cases and a Chinese character,
// stored and added in turns: every answer is the one the LIKE scan gives.
TEST(MobileIndexTest, AnswersAsTheLikeScanOverRandomNumbers) {
    const std::vector<std::string> alphabet = {"1", "3", "8", "0", "a", "A", "b", "B", "-", "电", " "};
    std::mt19937 random(6);
    auto randomNumber = [&] {
        std::string n;
        for (int len = static_cast<int>(random() % 6); len > 0; --len) n += alphabet[random() % alphabet.size()];
        return n;
    };
    std::vector<std::string> initial;
    LikeScan scan;
    for (int i = 0; i < 200; ++i) {
        initial.push_back(randomNumber());
        scan.add(initial.back());
    }
    MobileIndex index(initial);
    int found = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string number = randomNumber();
        const bool expected = scan.contains(number);
        ASSERT_EQ(index.contains(number), expected) << "number \"" << number << "\"";
        found += expected;
        if (!expected && i % 3 == 0) {
            index.add(number);
            scan.add(number);
        }
    }
    EXPECT_GT(found, 300);
    EXPECT_LT(found, 2700);
}

TEST(MobileIndex, ANumberWhoseRowWasRolledBackLeavesAndSharedPartsStay) {
    MobileIndex index({"13800000000"});
    index.add("15912345678");
    index.add("2345");
    index.remove("15912345678");
    EXPECT_FALSE(index.contains("159"));
    EXPECT_TRUE(index.contains("2345"));  // shares suffixes with the removed one
    EXPECT_TRUE(index.contains("345"));
    EXPECT_TRUE(index.contains("13800"));  // numbers stored from the start stay
}

}  // namespace
