// The carrier of a number by the longest segment of 所属网络 that begins it,
// on real SQLite books through the database layer; the delivered segments
// checked against a table written out here, and an older book brought up to
// date the way the program does when it opens the book.
#include "attribution/carrier.h"
#include "services/db/record_set.h"
#include "support/recording_presenter.h"
#include "test_book.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>

namespace {

class CarrierOfNumber : public ::testing::Test {
protected:
    void SetUp() override {
        book.replaceSegments({{"130", "联通"},
                              {"138", "移动"},
                              {"139", "移动"},
                              {"133", "电信"},
                              {"153", "电信"},
                              {"170", "电信"},
                              {"1705", "移动"},
                              {"17051", "联通"},
                              {"166", "移动 "},
                              {"199", "广电"},
                              {" 186 ", "联通"},
                              {"", "电信"},
                              {"   ", "移动"}});
        carriers.SetConnection(book.connection());
    }
    std::string carrierOf(const std::string& number) {
        return carrier_of_number(carriers, Text::fromUtf8(number)).toUtf8();
    }

    TestBook book;
    RecordSet carriers;
};

// Every segment the delivered book must hold, with its carrier: the mainland
// segments in use today.
const std::map<std::string, std::string>& todaysSegments() {
    static const std::map<std::string, std::string> segments = {
        {"130", "联通"},  {"131", "联通"},  {"132", "联通"},  {"133", "电信"},  {"134", "移动"},  {"1349", "电信"},
        {"135", "移动"},  {"136", "移动"},  {"137", "移动"},  {"138", "移动"},  {"139", "移动"},  {"145", "联通"},
        {"146", "联通"},  {"147", "移动"},  {"148", "移动"},  {"149", "电信"},  {"150", "移动"},  {"151", "移动"},
        {"152", "移动"},  {"153", "电信"},  {"155", "联通"},  {"156", "联通"},  {"157", "移动"},  {"158", "移动"},
        {"159", "移动"},  {"162", "电信"},  {"165", "移动"},  {"166", "联通"},  {"167", "联通"},  {"1700", "电信"},
        {"1701", "电信"}, {"1702", "电信"}, {"1703", "移动"}, {"1704", "联通"}, {"1705", "移动"}, {"1706", "移动"},
        {"1707", "联通"}, {"1708", "联通"}, {"1709", "联通"}, {"171", "联通"},  {"172", "移动"},  {"173", "电信"},
        {"174", "电信"},  {"175", "联通"},  {"176", "联通"},  {"177", "电信"},  {"178", "移动"},  {"180", "电信"},
        {"181", "电信"},  {"182", "移动"},  {"183", "移动"},  {"184", "移动"},  {"185", "联通"},  {"186", "联通"},
        {"187", "移动"},  {"188", "移动"},  {"189", "电信"},  {"190", "电信"},  {"191", "电信"},  {"192", "广电"},
        {"193", "电信"},  {"195", "移动"},  {"196", "联通"},  {"197", "移动"},  {"198", "移动"},  {"199", "电信"},
    };
    return segments;
}

// The rows of 所属网络, read with SQLite itself.
std::multimap<std::string, std::string> segmentRows(const std::string& path) {
    std::multimap<std::string, std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "select 手机号, 运营商 from 所属网络", -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                auto text = [&](int i) {
                    const unsigned char* t = sqlite3_column_text(st, i);
                    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string("<null>");
                };
                rows.emplace(text(0), text(1));
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return rows;
}

// The carrier of a segment's row, "" when there is none.
std::string carrierIn(const std::multimap<std::string, std::string>& rows, const std::string& segment) {
    auto found = rows.find(segment);
    return found == rows.end() ? std::string() : found->second;
}

// A number of the segment: the segment, then digits up to eleven.
std::string numberIn(const std::string& segment, char fill = '5') {
    return segment + std::string(11 - segment.size(), fill);
}

}  // namespace

TEST_F(CarrierOfNumber, FindsTheCarrierOfTheNumbersSegment) {
    EXPECT_EQ(carrierOf("13812345678"), "移动");
    EXPECT_EQ(carrierOf("13012345678"), "联通");
    EXPECT_EQ(carrierOf("13312345678"), "电信");
    EXPECT_EQ(carrierOf("19912345678"), "广电");  // whatever the table holds
}

TEST_F(CarrierOfNumber, TheLongestSegmentThatBeginsTheNumberWins) {
    EXPECT_EQ(carrierOf("17001234567"), "电信");
    EXPECT_EQ(carrierOf("17051234567"), "联通");
    EXPECT_EQ(carrierOf("17052234567"), "移动");
    EXPECT_EQ(carrierOf("17061234567"), "电信");
}

TEST_F(CarrierOfNumber, OnlyTheBeginningOfTheNumberCounts) {
    EXPECT_EQ(carrierOf("15313812345"), "电信");  // 138 inside the number does not match
    EXPECT_EQ(carrierOf("14013812345"), "");
}

TEST_F(CarrierOfNumber, TheNumberIsReadAsPeopleWriteIt) {
    EXPECT_EQ(carrierOf("+86 170 5123 4567"), "联通");
    EXPECT_EQ(carrierOf("138-1234-5678"), "移动");
    EXPECT_EQ(carrierOf("0086 13312345678"), "电信");
    EXPECT_EQ(carrierOf("18612345678"), "联通");  // blanks around a stored segment are ignored
}

TEST_F(CarrierOfNumber, WhatIsNotAMobileNumberHasNoCarrier) {
    // Empty and blank segments never match either.
    for (const char* number : {"", "13", "53", "abc", "1381234567", "138123456789", "12012345678", "+", "025-83123456",
                               "一三八", "1'3", "'", "' o"}) {
        EXPECT_EQ(carrierOf(number), "") << number;
    }
}

TEST_F(CarrierOfNumber, CarrierTextIsReturnedAsStored) {
    EXPECT_EQ(carrierOf("16612345678"), "移动 ");  // the trailing blank is kept; the logo choice rejects it
}

TEST_F(CarrierOfNumber, AQuoteInTheTableOrTheNumberBreaksNothing) {
    ScopedPresenter presenter;
    book.replaceSegments({{"13'8", "移动"}, {"139", "移'动"}});
    EXPECT_EQ(carrierOf("13912345678"), "移'动");
    EXPECT_EQ(carrierOf("1'3"), "");
    EXPECT_TRUE(presenter->shown.empty()) << presenter->lastText();
}

TEST(CarrierOfNumberDeliveredBook, HoldsTodaysSegmentsAndNothingElse) {
    TestBook book;
    std::map<std::string, std::string> delivered;
    for (const auto& [segment, carrier] : segmentRows(book.path())) {
        EXPECT_TRUE(delivered.emplace(segment, carrier).second) << "twice: " << segment;
    }
    EXPECT_EQ(delivered, todaysSegments());
}

TEST(CarrierOfNumberDeliveredBook, EverySegmentMapsToItsCarrier) {
    TestBook book;
    RecordSet carriers;
    carriers.SetConnection(book.connection());
    for (const auto& [segment, carrier] : todaysSegments()) {
        for (char fill : {'0', '5', '9'}) {
            const std::string number = numberIn(segment, fill);
            // 13499999999 lies in the longer 1349, checked below.
            bool inLonger = false;
            for (const auto& [other, _] : todaysSegments())
                inLonger = inLonger || (other.size() > segment.size() && number.rfind(other, 0) == 0);
            if (inLonger) continue;
            EXPECT_EQ(carrier_of_number(carriers, Text::fromUtf8(number)).toUtf8(), carrier) << number;
        }
    }
    // The shared 170 block: each fourth digit its own carrier.
    EXPECT_EQ(carrier_of_number(carriers, T("17031234567")), T("移动"));
    EXPECT_EQ(carrier_of_number(carriers, T("17041234567")), T("联通"));
    EXPECT_EQ(carrier_of_number(carriers, T("17001234567")), T("电信"));
    EXPECT_EQ(carrier_of_number(carriers, T("13491234567")), T("电信"));
    EXPECT_EQ(carrier_of_number(carriers, T("13481234567")), T("移动"));
    // Blocks no carrier was given.
    for (const char* unused : {"14012345678", "15412345678", "16012345678", "19412345678", "12012345678"})
        EXPECT_EQ(carrier_of_number(carriers, T(unused)), Text()) << unused;
}

TEST(CarrierOfNumberEmptyTable, GivesNothing) {
    TestBook book;
    book.replaceSegments({});
    RecordSet carriers;
    carriers.SetConnection(book.connection());
    EXPECT_TRUE(carrier_of_number(carriers, T("13812345678")).empty());
    EXPECT_TRUE(carrier_of_number(carriers, Text()).empty());
}

TEST(BringCarrierSegmentsUpToDate, AnOlderBookGainsTheNewSegmentsAndKeepsItsOwnRows) {
    TestBook book;
    // An older delivery (no 1349, no 192), a row the user changed and two the user added.
    book.replaceSegments({{"130", "联通"},
                          {"134", "移动"},
                          {"138", "中国移动"},
                          {"170", "电信"},
                          {"1440", "移动物联网"},
                          {"00852", "香港"}});
    ASSERT_TRUE(bring_carrier_segments_up_to_date(book.connection())) << book.connection().ErrorText().toUtf8();

    const auto rows = segmentRows(book.path());
    EXPECT_EQ(rows.count("138"), 1u);
    EXPECT_EQ(carrierIn(rows, "138"), "中国移动");  // the user's text stays
    EXPECT_EQ(carrierIn(rows, "1440"), "移动物联网");
    EXPECT_EQ(carrierIn(rows, "00852"), "香港");
    EXPECT_EQ(carrierIn(rows, "170"), "电信");
    EXPECT_EQ(carrierIn(rows, "1349"), "电信");
    EXPECT_EQ(carrierIn(rows, "192"), "广电");
    EXPECT_EQ(carrierIn(rows, "1703"), "移动");
    for (const auto& [segment, carrier] : todaysSegments()) EXPECT_EQ(rows.count(segment), 1u) << segment;
    EXPECT_EQ(rows.size(), todaysSegments().size() + 3);  // 170, 1440 and 00852 besides today's

    // The longest segment now decides, the old 170 row notwithstanding.
    RecordSet carriers;
    carriers.SetConnection(book.connection());
    EXPECT_EQ(carrier_of_number(carriers, T("17031234567")), T("移动"));
    EXPECT_EQ(carrier_of_number(carriers, T("17101234567")), T("联通"));

    // A second start adds nothing.
    ASSERT_TRUE(bring_carrier_segments_up_to_date(book.connection()));
    EXPECT_EQ(segmentRows(book.path()), rows);
}

TEST(BringCarrierSegmentsUpToDate, AReadOnlyBookIsLeftAsItIs) {
    TestBook book;
    book.replaceSegments({{"130", "联通"}});
    const auto before = segmentRows(book.path());
    DBConnection readOnly;
    ASSERT_TRUE(readOnly.ConnectAccess(Text::fromUtf8(book.path())));
    ASSERT_TRUE(readOnly.ExecuteSql(T("PRAGMA query_only = 1")));
    ScopedPresenter presenter;
    EXPECT_FALSE(bring_carrier_segments_up_to_date(readOnly));
    EXPECT_TRUE(presenter->shown.empty());
    EXPECT_EQ(segmentRows(book.path()), before);
}
