// The Text type: explicit GBK conversions at the UTF-8 and QString boundaries.

#include "services/core/text.h"
#include "services/core/core.h"

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

TEST(TextConversionTest, Utf8ToGbkAndBack) {
    Text t = T("张三abc");
    EXPECT_EQ(t.bytes(),
              "\xD5\xC5\xC8\xFD"
              "abc");
    EXPECT_EQ(t.toUtf8(), "张三abc");
    EXPECT_EQ(Text::fromQString(QStringLiteral("李四")).toQString(), QStringLiteral("李四"));
    EXPECT_EQ(T("　").bytes(), "\xA1\xA1");  // full-width space
}

TEST(TextConversionTest, CharactersGbkLacksBecomeQuestionMarks) {
    EXPECT_EQ(T("a😀b").bytes(), "a?b");
    EXPECT_EQ(Text::fromUtf8("a\xFF"
                             "b")
                  .bytes(),
              "a?b");                                      // invalid UTF-8
    EXPECT_EQ(Text::fromUtf8("a\xE5\xBC").bytes(), "a?");  // truncated sequence
}

TEST(TextConversionTest, InvalidGbkBecomesReplacementCharacters) {
    EXPECT_EQ(Text::fromBytes("a\xB0").toUtf8(), "a\xEF\xBF\xBD");  // lead byte at the very end
    EXPECT_EQ(Text::fromBytes("\xFF\xFF"
                              "b")
                  .toUtf8()
                  .back(),
              'b');
    EXPECT_EQ(Text::fromBytes("\x81"
                              "0a")
                  .toUtf8(),
              "\xEF\xBF\xBD"
              "0a");  // a digit after a lead byte survives
}

TEST(TextHelpersTest, NumbersAndSqlQuotes) {
    EXPECT_EQ(TextOf(-12).bytes(), "-12");
    EXPECT_EQ(SqlQuoted(Text::fromBytes("O'Brien")).bytes(), "O''Brien");
    EXPECT_EQ(SqlQuoted(Text()).bytes(), "");
}

TEST(TextConversionTest, TheEuroSignIsTheOneByte0x80) {
    EXPECT_EQ(T("€,1").bytes(), "\x80,1");
    EXPECT_EQ(Text::fromBytes("\x80,1").toUtf8(), "€,1");
}

// File names as the file system holds them: whatever GBK lacks travels as
// escaped bytes and comes back byte for byte.
TEST(FileSystemNameTest, NamesOutsideTheCodePageComeBackByteForByte) {
    for (const std::string name : {"/home/jörg/varelo", "/tmp/Straße.txt", "/tmp/😀.xls", "/tmp/张三 €.txt",
                                   "/tmp/\xFF\xFE latin-1 \xE9.txt", "/tmp/a\xE5\xBC", "/tmp/\xC0\xAF.x"}) {
        const Text t = Text::fromFileSystem(name);
        EXPECT_EQ(t.toFileSystem(), name);
        // A folder joined with a file name, and cut again at its last "/".
        const Text joined = t + T("/Peizhi.ini");
        EXPECT_EQ(joined.toFileSystem(), name + "/Peizhi.ini");
        EXPECT_EQ(LeftText(joined, FindTextReverse(joined, T("/")) - 1).toFileSystem(), name);
    }
    // Through Qt's file classes (which hold names as UTF-16).
    for (const std::string name : {"/home/jörg/varelo", "/tmp/Straße.txt", "/tmp/😀.xls", "/tmp/张三 €.txt"}) {
        const Text t = Text::fromFileSystem(name);
        EXPECT_EQ(t.toQFileName(), QString::fromStdString(name));
        EXPECT_EQ(Text::fromQFileName(QString::fromStdString(name)), t);
    }
    // What GBK holds stays plain GBK, so such names read as before.
    EXPECT_EQ(Text::fromFileSystem("/tmp/张三€.txt"), T("/tmp/张三€.txt"));
}

TEST(FileSystemNameTest, ShownAsTheCharactersTheySpell) {
    EXPECT_EQ(Text::fromFileSystem("/home/jörg/Straße 😀.xls").toUtf8(), "/home/jörg/Straße 😀.xls");
    EXPECT_EQ(Text::fromFileSystem("/home/jörg").toQString(), QStringLiteral("/home/jörg"));
    EXPECT_EQ((Text::fromFileSystem("😀") + T("保存失败！")).toUtf8(), "😀保存失败！");
    // Bytes that spell nothing show as replacement characters.
    EXPECT_EQ(Text::fromFileSystem("a\xFF"
                                   "b")
                  .toUtf8(),
              "a\xEF\xBF\xBD"
              "b");
    // The converter never yields an escape, so an ordinary text never holds one.
    EXPECT_EQ(T("\xEE\x80\x80").bytes(), "?");
}
