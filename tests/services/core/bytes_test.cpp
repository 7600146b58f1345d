// Byte arrays: stored forms of values and reading values back.

#include "services/core/core.h"
#include "support/recording_presenter.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ToBytesTest, StoredFormsLeastSignificantFirst) {
    EXPECT_EQ(ToBytes(std::uint8_t{0xAB}), (Bytes{0xAB}));
    EXPECT_EQ(ToBytes(std::int16_t{0x1234}), (Bytes{0x34, 0x12}));
    EXPECT_EQ(ToBytes(std::int32_t{-2}), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ToBytes(std::int64_t{1}), (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ToBytes(1.0f), (Bytes{0, 0, 0x80, 0x3F}));
    EXPECT_EQ(ToBytes(1.0), (Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    EXPECT_EQ(ToBytes(true), (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(ToBytes(false), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(ToBytes(DateTime{1.0}).size(), 8u);
    EXPECT_EQ(ToBytes(Subroutine{0x01020304}), (Bytes{4, 3, 2, 1}));
}

TEST(ToBytesTest, TextsArraysAndOthers) {
    EXPECT_EQ(ToBytes(T("张")), (Bytes{0xD5, 0xC5}));
    EXPECT_EQ(ToBytes(Text()), Bytes());
    EXPECT_EQ(ToBytes(Bytes{1, 2, 3}), (Bytes{1, 2, 3}));
    EXPECT_EQ(ToBytes(NumberArray{std::vector<std::int16_t>{1, 2}}), (Bytes{1, 0, 2, 0}));
    EXPECT_EQ(ToBytes(OtherArray{}), Bytes());
    EXPECT_EQ(BytesLength(Bytes{}), 0);
    EXPECT_EQ(BytesLength(Bytes{1, 2}), 2);
}

TEST(BytesValueTest, RoundTripsEveryType) {
    EXPECT_EQ(BytesValue(ToBytes(std::uint8_t{7}), 1), Value(std::uint8_t{7}));
    EXPECT_EQ(BytesValue(ToBytes(std::int16_t{-7}), 2), Value(std::int16_t{-7}));
    EXPECT_EQ(BytesValue(ToBytes(std::int32_t{INT_MIN}), 3), Value(std::int32_t{INT_MIN}));
    EXPECT_EQ(BytesValue(ToBytes(std::int64_t{-5}), 4), Value(std::int64_t{-5}));
    EXPECT_EQ(BytesValue(ToBytes(2.5f), 5), Value(2.5f));
    EXPECT_EQ(BytesValue(ToBytes(-2.5), 6), Value(-2.5));
    EXPECT_EQ(BytesValue(ToBytes(true), 7), Value(true));
    EXPECT_EQ(BytesValue(Bytes{0, 0, 0, 2}, 7), Value(true));
    EXPECT_EQ(BytesValue(Bytes{0, 0, 0, 0}, 7), Value(false));
    EXPECT_EQ(BytesValue(ToBytes(DateTime{45356.5}), 8), Value(DateTime{45356.5}));
    EXPECT_EQ(BytesValue(ToBytes(Subroutine{99}), 9), Value(Subroutine{99}));
    EXPECT_EQ(BytesValue(Bytes{'a', 'b', 0, 'c'}, 10), Value(Text::fromBytes("ab")));
}

TEST(BytesValueTest, ShortArraysFillHighBytesWithZero) {
    EXPECT_EQ(BytesValue(Bytes{0x34, 0x12}, 3), Value(std::int32_t{0x1234}));
    EXPECT_EQ(BytesValue(Bytes{}, 4), Value(std::int64_t{0}));
    EXPECT_EQ(BytesValue(Bytes{}, 10), Value(Text()));
    EXPECT_EQ(BytesValueAt(Bytes{1, 2, 3}, 2, 3), Value(std::int16_t{3}));
    EXPECT_EQ(BytesValueAt(Bytes{1, 2, 3}, 3, INT_MAX), Value(std::int32_t{0}));
}

TEST(BytesValueTest, DateTimesAreClamped) {
    EXPECT_EQ(BytesValue(ToBytes(1e10), 8), Value(DateTime{2958465}));
    EXPECT_EQ(BytesValue(ToBytes(-1e10), 8), Value(DateTime{-657434}));
}

TEST(BytesValueTest, PositionVariableAdvances) {
    Bytes b = ToBytes(std::int32_t{10});
    Bytes more = ToBytes(std::int16_t{20});
    b.insert(b.end(), more.begin(), more.end());
    b.push_back('h');
    b.push_back('i');
    b.push_back(0);
    b.push_back('x');
    int position = 1;
    EXPECT_EQ(BytesValue(b, 3, &position), Value(std::int32_t{10}));
    EXPECT_EQ(position, 5);
    EXPECT_EQ(BytesValue(b, 2, &position), Value(std::int16_t{20}));
    EXPECT_EQ(position, 7);
    EXPECT_EQ(BytesValue(b, 10, &position), Value(Text::fromBytes("hi")));
    EXPECT_EQ(position, 10);  // past the terminating zero
    EXPECT_EQ(BytesValue(b, 10, &position), Value(Text::fromBytes("x")));
    EXPECT_EQ(position, -1);  // at the end
    // A position of 0 or less reads nothing and stays.
    EXPECT_EQ(BytesValue(b, 3, &position), Value(std::int32_t{0}));
    EXPECT_EQ(position, -1);
    position = INT_MAX;
    EXPECT_EQ(BytesValue(b, 6, &position), Value(0.0));
    EXPECT_EQ(position, -1);
    position = 10;
    EXPECT_EQ(BytesValue(b, 1, &position), Value(std::uint8_t{'x'}));
    EXPECT_EQ(position, -1);
}

TEST(BytesValueTest, InvalidTypeIsFatal) {
    // Re-run in a fresh process: forking a process with Qt's threads is unsafe.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The report is answered by a recording presenter inside the dying process.
    EXPECT_EXIT(
        {
            ScopedPresenter presenter;
            BytesValue(Bytes{1}, 11);
        },
        ::testing::ExitedWithCode(255), "");
    EXPECT_EXIT(
        {
            ScopedPresenter presenter;
            BytesValueAt(Bytes{1}, 0, 1);
        },
        ::testing::ExitedWithCode(255), "");
}

TEST(ZeroBytesTest, Sizes) {
    EXPECT_EQ(ZeroBytes(3), (Bytes{0, 0, 0}));
    EXPECT_TRUE(ZeroBytes(0).empty());
    EXPECT_TRUE(ZeroBytes(INT_MIN).empty());
}
