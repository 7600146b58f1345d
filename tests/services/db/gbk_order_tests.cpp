#include "services/db/detail/gbk_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using dbdetail::CompareByGbk;
using dbdetail::WithGbkOrdering;

TEST(GbkOrder, ChineseSortsByPinyinAfterLatin) {
    std::vector<std::string> names{"赵六", "张三", "阿明", "Zed", "李四", "王五", "陈晨", "abc", "", "张"};
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return CompareByGbk(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"", "abc", "Zed", "阿明", "陈晨", "李四", "王五", "张", "张三", "赵六"}));
    EXPECT_EQ(CompareByGbk("张三", "张三"), 0);
}

TEST(GbkOrder, LatinLettersSortWithoutRegardToCaseCapitalsFirstOnATie) {
    std::vector<std::string> names{"carol", "Bob", "alice", "bob", "Alice"};
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return CompareByGbk(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"Alice", "alice", "Bob", "bob", "carol"}));
    EXPECT_LT(CompareByGbk("a_", "B"), 0);
    EXPECT_LT(CompareByGbk("[", "A"), 0);  // letters fold to lower case, after the signs between the cases
    EXPECT_NE(CompareByGbk("Bob", "bob"), 0);
}

TEST(GbkOrder, CharactersOutsideGbkComeLastAndStrayBytesDoNotBreakIt) {
    EXPECT_LT(CompareByGbk("张", "😀"), 0);
    EXPECT_LT(CompareByGbk("😀", "\xff"), 0);
    EXPECT_GT(CompareByGbk("\xe5\xbc", "a"), 0);  // cut UTF-8 sequence
    EXPECT_LT(CompareByGbk("a", "\xe5\xbc"), 0);
}

TEST(GbkOrder, OrderTermsGetTheCollation) {
    EXPECT_EQ(WithGbkOrdering("select * from 通讯录 order by 姓名 ASC"),
              "select * from 通讯录 order by 姓名 COLLATE GBK ASC");
    EXPECT_EQ(WithGbkOrdering("select * from t where a like  '%x%'order by 姓名 ASC"),
              "select * from t where a like  '%x%'order by 姓名 COLLATE GBK ASC");
    EXPECT_EQ(WithGbkOrdering("select * from t ORDER  BY a desc, b, 2 LIMIT 5"),
              "select * from t ORDER  BY a COLLATE GBK desc, b COLLATE GBK, 2 LIMIT 5");
    EXPECT_EQ(WithGbkOrdering("select * from t order by a collate nocase"), "select * from t order by a collate nocase");
}

TEST(GbkOrder, OrderWordsInsideTextsAndSubqueriesAreLeftAlone) {
    EXPECT_EQ(WithGbkOrdering("select * from t where a = 'order by x'"), "select * from t where a = 'order by x'");
    EXPECT_EQ(WithGbkOrdering("select * from (select * from t order by a) where b = 1"),
              "select * from (select * from t order by a) where b = 1");
    EXPECT_EQ(WithGbkOrdering("select * from [order by] order by [x y]"),
              "select * from [order by] order by [x y] COLLATE GBK");
    EXPECT_EQ(WithGbkOrdering("select recorder by from t"), "select recorder by from t");
}

}  // namespace
