// The Text type: explicit GBK conversions at the UTF-8 and QString boundaries.

#include "services/core/text.h"

#include <QString>

#include <gtest/gtest.h>

TEST(TextConversionTest, Utf8ToGbkAndBack) {
    Text t = T("张三abc");
    EXPECT_EQ(t.bytes(), "\xD5\xC5\xC8\xFD" "abc");
    EXPECT_EQ(t.toUtf8(), "张三abc");
    EXPECT_EQ(Text::fromQString(QStringLiteral("李四")).toQString(), QStringLiteral("李四"));
    EXPECT_EQ(T("　").bytes(), "\xA1\xA1");  // full-width space
}

TEST(TextConversionTest, CharactersGbkLacksBecomeQuestionMarks) {
    EXPECT_EQ(T("a😀b").bytes(), "a?b");
    EXPECT_EQ(Text::fromUtf8("a\xFF" "b").bytes(), "a?b");   // invalid UTF-8
    EXPECT_EQ(Text::fromUtf8("a\xE5\xBC").bytes(), "a?");    // truncated sequence
}

TEST(TextConversionTest, InvalidGbkBecomesReplacementCharacters) {
    EXPECT_EQ(Text::fromBytes("a\xB0").toUtf8(), "a\xEF\xBF\xBD");  // lead byte at the very end
    EXPECT_EQ(Text::fromBytes("\xFF\xFF" "b").toUtf8().back(), 'b');
    EXPECT_EQ(Text::fromBytes("\x81" "0a").toUtf8(), "\xEF\xBF\xBD" "0a");  // a digit after a lead byte survives
}

TEST(TextHelpersTest, NumbersAndSqlQuotes) {
    EXPECT_EQ(TextOf(-12).bytes(), "-12");
    EXPECT_EQ(SqlQuoted(Text::fromBytes("O'Brien")).bytes(), "O''Brien");
    EXPECT_EQ(SqlQuoted(Text()).bytes(), "");
}
