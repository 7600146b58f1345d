// Mainland mobile numbers as people write them, and the offline attribution
// from the numbering plan and the delivered carrier segments.
#include "attribution/mobile_number.h"
#include "attribution/carrier.h"
#include "attribution/lookup.h"
#include "services/db/record_set.h"
#include "test_book.h"

#include <gtest/gtest.h>

namespace {

std::string digitsOf(const std::string& utf8) { return mainland_mobile_digits(Text::fromUtf8(utf8)); }

std::string offlineOf(const std::string& utf8) {
    return offline_attribution(Text::fromUtf8(utf8), DeliveredSegments()).toUtf8();
}

}  // namespace

TEST(MainlandMobileDigits, TheWaysANumberIsWritten) {
    for (const char* written :
         {"13912345678", "+86 139 1234 5678", "139-1234-5678", "0086 13912345678", " 139 1234 5678 ", "+8613912345678",
          "86 13912345678", "(139) 1234.5678", "１３９１２３４５６７８", "＋８６　１３９－１２３４－５６７８"}) {
        EXPECT_EQ(digitsOf(written), "13912345678") << written;
    }
}

TEST(MainlandMobileDigits, WhatIsNotAMainlandMobileNumberGivesNothing) {
    const std::string fiftyThousand(50000, '1');
    for (const std::string& written : std::vector<std::string>{"",
                                                               "+",
                                                               "++8613912345678",
                                                               "139abcd5678",
                                                               "1391234567a",
                                                               "Tel 13912345678",
                                                               "1391234567",
                                                               "139123456789",
                                                               "0139123456789",
                                                               "+13912345678",
                                                               "+44 7911 123456",
                                                               "025-83123456",
                                                               "02583123456",
                                                               "010 12345678",
                                                               "8-6-1",
                                                               "13912345678+",
                                                               "1391234567８９",
                                                               "一三九一二三四五六七八",
                                                               "139'12345678",
                                                               "139\n12345678",
                                                               fiftyThousand,
                                                               "13912345678" + std::string(60, ' ')}) {
        EXPECT_EQ(digitsOf(written), "") << written.substr(0, 40);
    }
    // Bytes that are not code page 936 text, a lead byte cut off at the end.
    EXPECT_EQ(mainland_mobile_digits(Text::fromBytes("1391234567\xA3")), "");
    EXPECT_EQ(mainland_mobile_digits(Text::fromBytes("\xFF\xFF"
                                                     "13912345678")),
              "");
}

TEST(OfflinePlace, RegionOfAMobileNumber) {
    const OfflinePlace place = offline_place("13912345678");
    EXPECT_TRUE(place.mobile);
    EXPECT_EQ(place.region.toUtf8(), "江苏省常州市");
}

TEST(OfflinePlace, OnlyTheCountryKnownGivesNoRegion) {
    // A valid number the plan knows only as Chinese: not "中国".
    const OfflinePlace place = offline_place("19912345678");
    EXPECT_TRUE(place.mobile);
    EXPECT_EQ(place.region.toUtf8(), "");
}

TEST(OfflinePlace, NotAMobileNumber) {
    EXPECT_FALSE(offline_place("1391234567").mobile);
    EXPECT_FALSE(offline_place("15412345678").mobile);  // no such block
    EXPECT_FALSE(offline_place("2583123456").mobile);
    EXPECT_FALSE(offline_place("1391234567x").mobile);
    EXPECT_FALSE(offline_place("").mobile);
}

TEST(OfflineAttribution, RegionAndCarrier) {
    for (const char* written : {"13912345678", "+86 139 1234 5678", "139-1234-5678", "0086 13912345678"})
        EXPECT_EQ(offlineOf(written), "江苏省常州市 移动") << written;
}

TEST(OfflineAttribution, EitherPartMayBeMissing) {
    EXPECT_EQ(offlineOf("19912345678"), "电信");  // the plan names only the country
    EXPECT_EQ(offlineOf("19212345678"), "广电");
    EXPECT_EQ(offlineOf("14612345678"), "联通");  // a data-only block the plan does not list
    CarrierSegments none;
    EXPECT_EQ(offline_attribution(T("13912345678"), none).toUtf8(), "江苏省常州市");
}

TEST(OfflineAttribution, NothingForWhatIsNotAValidMainlandMobileNumber) {
    const std::string fiftyThousand(50000, '9');
    for (const std::string& written :
         std::vector<std::string>{"", "+", "139abcd5678", "1391234567", "139123456789", "025-83123456", "15412345678",
                                  "12012345678", "19412345678", fiftyThousand}) {
        EXPECT_EQ(offlineOf(written), "") << written.substr(0, 40);
    }
}

TEST(AttributionText, JoinsWithOneBlank) {
    EXPECT_EQ(attribution_text(T("北京市"), T("联通")).toUtf8(), "北京市 联通");
    EXPECT_EQ(attribution_text(T("北京市"), Text()).toUtf8(), "北京市");
    EXPECT_EQ(attribution_text(Text(), T("联通")).toUtf8(), "联通");
    EXPECT_EQ(attribution_text(Text(), Text()).toUtf8(), "");
}
