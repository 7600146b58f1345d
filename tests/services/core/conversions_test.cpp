// ToText, ToInteger and FormatNumber.

#include "services/core/core.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

std::string Utf8(const Text& t) { return t.toUtf8(); }
std::string Formatted(double n, std::optional<int> d, bool sep = false) { return FormatNumber(n, d, sep).toUtf8(); }

}  // namespace

TEST(ToTextTest, Numbers) {
    EXPECT_EQ(Utf8(ToText(std::uint8_t{255})), "255");
    EXPECT_EQ(Utf8(ToText(std::int16_t{-32768})), "-32768");
    EXPECT_EQ(Utf8(ToText(std::int32_t{INT_MIN})), "-2147483648");
    EXPECT_EQ(Utf8(ToText(std::int64_t{-9223372036854775807LL - 1})), "-9223372036854775808");
    EXPECT_EQ(Utf8(ToText(1.5f)), "1.5");
    EXPECT_EQ(Utf8(ToText(0.1f)), "0.1");
    EXPECT_EQ(Utf8(ToText(1.0 / 3)), "0.3333333333333");
    EXPECT_EQ(Utf8(ToText(1e20)), "1e+20");
    EXPECT_FALSE(ToText(std::numeric_limits<double>::quiet_NaN()).empty());
}

TEST(ToTextTest, LogicalsAndTexts) {
    EXPECT_EQ(ToText(true), T("真"));
    EXPECT_EQ(ToText(false), T("假"));
    EXPECT_EQ(ToText(T("张三")), T("张三"));
    EXPECT_EQ(ToText(Subroutine{1234}), Text());
    EXPECT_EQ(ToText(OtherArray{}), Text());
}

TEST(ToTextTest, BytesUpToFirstZero) {
    EXPECT_EQ(ToText(Bytes{'a', 'b', 0, 'c'}), Text::fromBytes("ab"));
    EXPECT_EQ(ToText(Bytes{'a', 'b'}), Text::fromBytes("ab"));
    EXPECT_EQ(ToText(Bytes{}), Text());
    EXPECT_EQ(ToText(NumberArray{std::vector<std::int16_t>{0x6261, 0x63}}), Text::fromBytes("abc"));
}

TEST(ToTextTest, DateTimes) {
    // 2024-03-05 is day 45356.
    EXPECT_EQ(Utf8(ToText(DateTime{45356})), "2024年3月5日");
    EXPECT_EQ(Utf8(ToText(DateTime{45356 + 0.5})), "2024年3月5日12时");
    EXPECT_EQ(Utf8(ToText(DateTime{45356 + (12 * 60 + 30) / 1440.0})), "2024年3月5日12时30分");
    EXPECT_EQ(Utf8(ToText(DateTime{45356 + (12 * 3600 + 5) / 86400.0})), "2024年3月5日12时0分5秒");
    EXPECT_EQ(Utf8(ToText(DateTime{0})), "1899年12月30日");
    EXPECT_EQ(Utf8(ToText(DateTime{-1.25})), "1899年12月29日6时");
    EXPECT_EQ(Utf8(ToText(DateTime{2})), "1900年1月1日");
    EXPECT_EQ(Utf8(ToText(DateTime{60})), "1900年2月28日");
    // Clamped to years 100 to 9999.
    EXPECT_EQ(Utf8(ToText(DateTime{-1e9})), "100年1月1日");
    EXPECT_EQ(Utf8(ToText(DateTime{1e12})), "9999年12月31日");
    EXPECT_EQ(Utf8(ToText(DateTime{std::numeric_limits<double>::quiet_NaN()})), "1899年12月30日");
    // A time a hair before midnight rounds to the next day, not to "24时".
    EXPECT_EQ(Utf8(ToText(DateTime{45356.9999999})), "2024年3月6日");
}

TEST(ToIntegerTest, Texts) {
    EXPECT_EQ(ToInteger(T("１２")), 12);
    EXPECT_EQ(ToInteger(T("12abc")), 12);
    EXPECT_EQ(ToInteger(Text()), 0);
    EXPECT_EQ(ToInteger(T("abc")), 0);
    EXPECT_EQ(ToInteger(T("  -42")), -42);
    EXPECT_EQ(ToInteger(T("　－７")), -7);
    EXPECT_EQ(ToInteger(T("+5")), 5);
    EXPECT_EQ(ToInteger(T("\t\r\n9")), 9);
    EXPECT_EQ(ToInteger(T("1 2")), 1);
    EXPECT_EQ(ToInteger(T("张12")), 0);
    EXPECT_EQ(ToInteger(Text::fromBytes("12\xA3")), 12);  // ends in half a character
}

TEST(ToIntegerTest, OverflowSaturates) {
    EXPECT_EQ(ToInteger(T("2147483647")), INT_MAX);
    EXPECT_EQ(ToInteger(T("-2147483648")), INT_MIN);
    EXPECT_EQ(ToInteger(T("99999999999999999999")), INT_MAX);
    EXPECT_EQ(ToInteger(T("-99999999999999999999")), INT_MIN);
}

TEST(ToIntegerTest, OtherValues) {
    EXPECT_EQ(ToInteger(2.9), 2);
    EXPECT_EQ(ToInteger(-2.9), -2);
    EXPECT_EQ(ToInteger(2.9f), 2);
    EXPECT_EQ(ToInteger(true), 1);
    EXPECT_EQ(ToInteger(false), 0);
    EXPECT_EQ(ToInteger(std::uint8_t{200}), 200);
    EXPECT_EQ(ToInteger(std::int16_t{-3}), -3);
    EXPECT_EQ(ToInteger(std::int64_t{0x100000005LL}), 5);
    EXPECT_EQ(ToInteger(std::int64_t{0xFFFFFFFFLL}), -1);
    EXPECT_EQ(ToInteger(Subroutine{0xFFFFFFFEu}), -2);
    EXPECT_EQ(ToInteger(DateTime{45356}), 0);
    EXPECT_EQ(ToInteger(Bytes{'1', '2'}), 0);
    EXPECT_EQ(ToInteger(1e300), INT_MAX);
    EXPECT_EQ(ToInteger(-1e300), INT_MIN);
    EXPECT_EQ(ToInteger(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(FormatNumberTest, Rounding) {
    EXPECT_EQ(Formatted(0.125, 2), "0.13");
    EXPECT_EQ(Formatted(-0.125, 2), "-0.13");
    EXPECT_EQ(Formatted(2.5, 0), "3");
    EXPECT_EQ(Formatted(-2.5, 0), "-3");
    EXPECT_EQ(Formatted(1234.5, -2), "1200");
    EXPECT_EQ(Formatted(1250, -2), "1300");
    EXPECT_EQ(Formatted(0, 2), "0.00");
    EXPECT_EQ(Formatted(-0.001, 2), "0.00");
    EXPECT_EQ(Formatted(1.005, 2), "1.01");
    EXPECT_EQ(Formatted(3.14159, std::nullopt), "3.14159");
}

TEST(FormatNumberTest, Padding) {
    EXPECT_EQ(Formatted(5, 2), "5.00");
    EXPECT_EQ(Formatted(5.1, 3), "5.100");
    EXPECT_EQ(Formatted(5.123, 0), "5");
    // Exponent forms and non-numbers are not padded into nonsense.
    EXPECT_EQ(Formatted(1e20, 2), "1e+20");
    EXPECT_EQ(Formatted(std::numeric_limits<double>::infinity(), 2), "inf");
}

TEST(FormatNumberTest, Separators) {
    EXPECT_EQ(Formatted(1234567.891, 2, true), "1,234,567.89");
    EXPECT_EQ(Formatted(-1234.5, 0, true), "-1,235");
    EXPECT_EQ(Formatted(123, std::nullopt, true), "123");
    EXPECT_EQ(Formatted(123456, std::nullopt, true), "123,456");
    EXPECT_EQ(Formatted(-123456.5, 1, true), "-123,456.5");
    EXPECT_EQ(Formatted(1e20, std::nullopt, true), "1e+20");
}

TEST(FormatNumberTest, HugeCountsDoNotExhaustMemory) {
    EXPECT_EQ(Formatted(1.5, INT_MIN), "0");
    EXPECT_EQ(Formatted(1e300, -400), "0");
    Text wide = FormatNumber(1.5, INT_MAX);
    EXPECT_GT(wide.size(), 100u);
    EXPECT_LT(wide.size(), 1000u);
    EXPECT_EQ(wide.bytes().substr(0, 4), "1.50");
    EXPECT_EQ(Formatted(123.456, 400), "123.456" + std::string(340 - 3, '0'));
}
