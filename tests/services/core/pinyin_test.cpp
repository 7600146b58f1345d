// Pinyin readings from the generated table.

#include "services/core/core.h"
#include "services/core/pinyin_table.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::string Reading(const char* utf8, int reading = 1) { return Pinyin(T(utf8), reading).toUtf8(); }

std::string Initials(const char* utf8) {
    Text name = T(utf8);
    std::string out;
    for (std::size_t i = 0; i + 1 < name.size(); i += 2) {
        Text p = Pinyin(MidText(name, static_cast<int>(i) + 1, 2), 1);
        out += p.empty() ? '?' : p.bytes()[0];
    }
    return out;
}

} // namespace

TEST(PinyinTest, FirstCharacterOfTheArea) {
    EXPECT_EQ(kPinyinEntries[0], 33);
    EXPECT_EQ(Reading("啊"), "a");
    EXPECT_EQ(Reading("啊", 0), "a");
    EXPECT_EQ(Reading("啊", -5), "a");
    EXPECT_EQ(Reading("啊", 2), "");
}

TEST(PinyinTest, UsualReadings) {
    EXPECT_EQ(Reading("张"), "zhang");
    EXPECT_EQ(Reading("三"), "san");
    EXPECT_EQ(Reading("张三"), "zhang");  // the first character only
    EXPECT_EQ(Reading("二"), "er");
    EXPECT_EQ(Reading("鱼"), "yu");
    EXPECT_EQ(Reading("绿"), "lu");  // lü
    EXPECT_EQ(Reading("略"), "lue");
    EXPECT_EQ(Reading("窗"), "chuang");
    EXPECT_EQ(Reading("熊"), "xiong");
    EXPECT_EQ(Reading("齄"), "zha");  // last character of the area
    EXPECT_EQ(Initials("欧阳明日"), "oymr");
    EXPECT_EQ(Initials("王小二"), "wxe");
}

TEST(PinyinTest, Polyphones) {
    EXPECT_EQ(Reading("行"), "xing");
    EXPECT_EQ(Reading("行", 2), "hang");
    EXPECT_EQ(Reading("行", 4), "");
    std::set<std::string> chang{Reading("长", 1), Reading("长", 2)};
    EXPECT_EQ(chang, (std::set<std::string>{"chang", "zhang"}));
    EXPECT_EQ(Reading("长", 4), "");
    EXPECT_EQ(Reading("长", 1000000), "");
}

TEST(PinyinTest, OutsideTheArea) {
    EXPECT_EQ(Reading("a"), "");
    EXPECT_EQ(Reading("ab"), "");
    EXPECT_EQ(Reading(""), "");
    EXPECT_EQ(Pinyin(Text::fromBytes("\xB0")), Text());       // half a character
    EXPECT_EQ(Pinyin(Text::fromBytes("\xD7\xFA")), Text());   // unassigned
    EXPECT_EQ(Pinyin(Text::fromBytes("\xA1\xA1")), Text());   // full-width space
    EXPECT_EQ(Pinyin(Text::fromBytes("\xF8\xA1")), Text());   // beyond GB2312 hanzi
    EXPECT_EQ(Pinyin(Text::fromBytes("\xB0\xA0")), Text());
    EXPECT_EQ(Pinyin(Text::fromBytes("\xB0\xFF")), Text());
}

TEST(PinyinTest, EveryHanziHasAReading) {
    int withReading = 0;
    for (int row = 0xB0; row <= 0xF7; ++row) {
        for (int column = 0xA1; column <= 0xFE; ++column) {
            char bytes[2] = {static_cast<char>(row), static_cast<char>(column)};
            Text p = Pinyin(Text::fromBytes(bytes, 2));
            bool unassigned = row == 0xD7 && column >= 0xFA;
            EXPECT_EQ(p.empty(), unassigned) << std::hex << row << column;
            if (!p.empty()) ++withReading;
            // Every reading is lower-case letters only.
            for (char c : p.bytes()) EXPECT_TRUE(c >= 'a' && c <= 'z');
        }
    }
    EXPECT_EQ(withReading, 6763);
}
