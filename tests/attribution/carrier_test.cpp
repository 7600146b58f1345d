// carrier_of_number on a real SQLite book through the database layer.
#include "attribution/carrier.h"
#include "services/db/record_set.h"
#include "support/recording_presenter.h"
#include "test_book.h"

#include <gtest/gtest.h>

namespace {

class CarrierOfNumber : public ::testing::Test {
protected:
    void SetUp() override {
        book.replaceSegments({{"130", "联通"}, {"138", "移动"}, {"139", "移动"}, {"133", "电信"}, {"153", "电信"},
                          {"1700", "电信"}, {"1705", "移动"}, {"166", "移动 "}, {"199", "广电"}});
        carriers.SetConnection(book.connection());
    }
    std::string carrierOf(const std::string& number) {
        return carrier_of_number(carriers, Text::fromUtf8(number)).toUtf8();
    }

    TestBook book;
    RecordSet carriers;
};

} // namespace

TEST_F(CarrierOfNumber, FindsTheCarrierOfTheNumbersSegment) {
    EXPECT_EQ(carrierOf("13812345678"), "移动");
    EXPECT_EQ(carrierOf("13012345678"), "联通");
    EXPECT_EQ(carrierOf("13312345678"), "电信");
    EXPECT_EQ(carrierOf("19912345678"), "广电");  // whatever the table holds
}

TEST_F(CarrierOfNumber, PrefixInsideALongerSegmentMatchesAndTheFirstInOrderWins) {
    EXPECT_EQ(carrierOf("17012345678"), "电信");  // 1700 sorts before 1705
}

TEST_F(CarrierOfNumber, ShortAndEmptyNumbers) {
    EXPECT_EQ(carrierOf("13"), "联通");  // '%13%': 130 sorts first
    EXPECT_EQ(carrierOf("53"), "电信");  // only 153 contains 53
    EXPECT_EQ(carrierOf(""), "联通");    // '%%' matches every segment
}

TEST_F(CarrierOfNumber, NoMatchingSegmentGivesNothing) {
    EXPECT_EQ(carrierOf("12012345678"), "");
    EXPECT_EQ(carrierOf("abc"), "");
}

TEST_F(CarrierOfNumber, CarrierTextIsReturnedAsStored) {
    EXPECT_EQ(carrierOf("16612345678"), "移动 ");  // the trailing blank is kept; the logo choice rejects it
}

TEST_F(CarrierOfNumber, QuotesCannotBreakTheStatement) {
    ScopedPresenter presenter;
    EXPECT_EQ(carrierOf("1'3"), "");
    EXPECT_EQ(carrierOf("'"), "");
    EXPECT_EQ(carrierOf("' o"), "");
    EXPECT_TRUE(presenter->shown.empty()) << presenter->lastText();  // no provider error box
    EXPECT_EQ(carrierOf("13812345678"), "移动");  // and the record set still works
}

TEST_F(CarrierOfNumber, GbkNumbersAreMatchedAsText) {
    EXPECT_EQ(carrierOf("一三八"), "");  // first three bytes cut a character in half
    EXPECT_EQ(carrierOf("１３８"), "");
}

TEST(CarrierOfNumberDeliveredBook, KnowsTheThreeCarriers) {
    TestBook book;
    RecordSet carriers;
    carriers.SetConnection(book.connection());
    EXPECT_EQ(carrier_of_number(carriers, T("13812345678")), T("移动"));
    EXPECT_EQ(carrier_of_number(carriers, T("13012345678")), T("联通"));
    EXPECT_EQ(carrier_of_number(carriers, T("13312345678")), T("电信"));
    EXPECT_EQ(carrier_of_number(carriers, T("17012345678")), T("电信"));  // '%170%': 1700 sorts first
}

TEST(CarrierOfNumberEmptyTable, GivesNothing) {
    TestBook book;
    book.replaceSegments({});
    RecordSet carriers;
    carriers.SetConnection(book.connection());
    EXPECT_TRUE(carrier_of_number(carriers, T("13812345678")).empty());
    EXPECT_TRUE(carrier_of_number(carriers, Text()).empty());
}
