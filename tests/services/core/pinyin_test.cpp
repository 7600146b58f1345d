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

}  // namespace

TEST(PinyinTest, FirstCharacterOfTheArea) {
    EXPECT_EQ(kPinyinEntries[PinyinEntryIndex(0xB0, 0xA1)], 33);
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
    EXPECT_EQ(Pinyin(Text::fromBytes("\xB0")), Text());      // half a character
    EXPECT_EQ(Pinyin(Text::fromBytes("\xD7\xFA")), Text());  // unassigned
    EXPECT_EQ(Pinyin(Text::fromBytes("\xA1\xA1")), Text());  // full-width space
    EXPECT_EQ(Pinyin(Text::fromBytes("\xF8\xA1")), Text());  // user-defined area
    EXPECT_EQ(Pinyin(Text::fromBytes("\xA1\x40")), Text());  // user-defined area
    EXPECT_EQ(Pinyin(Text::fromBytes("\xA8\x40")), Text());  // signs (GBK/5)
    EXPECT_EQ(Pinyin(Text::fromBytes("\x81\x7F")), Text());
    EXPECT_EQ(Pinyin(Text::fromBytes("\xFE\xFF")), Text());
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

// The GBK extension and traditional forms read as their simplified
// counterparts do; level-2 surnames have their own readings.
TEST(PinyinTest, EveryChineseCharacterOfGbk) {
    EXPECT_EQ(Reading("張"), "zhang");
    EXPECT_EQ(Reading("陳"), "chen");
    EXPECT_EQ(Reading("學"), "xue");
    EXPECT_EQ(Reading("劉"), "liu");
    EXPECT_EQ(Reading("佟"), "tong");
    EXPECT_EQ(Reading("晏"), "yan");
    EXPECT_EQ(Reading("瞿"), "qu");
    EXPECT_EQ(Reading("丂"), "kao");  // first character of GBK/3 (0x8140)
    EXPECT_EQ(Initials("張學友"), "zxy");
    EXPECT_EQ(Initials("瞿秋白"), "qqb");
    EXPECT_EQ(Initials("歐陽鋒"), "oyf");
    // Every ideograph the code page holds has a reading, but for 23 the Han
    // database gives none (unit characters such as 兙, and twelve of the
    // compatibility block that stand for no other character).
    int withReading = 0, without = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            const std::string utf8 = Text::fromBytes(bytes, 2).toUtf8();
            // U+3400-U+9FFF (the unified ideographs and their extension A,
            // E3 90 80 - E9 BF BF) and the compatibility ideographs U+F900-U+FAFF.
            const auto first = utf8.size() == 3 ? static_cast<unsigned char>(utf8[0]) : 0;
            const bool ideograph = (first == 0xE3 && static_cast<unsigned char>(utf8[1]) >= 0x90) ||
                                   (first >= 0xE4 && first <= 0xE9) ||
                                   (first == 0xEF && static_cast<unsigned char>(utf8[1]) >= 0xA4 &&
                                    static_cast<unsigned char>(utf8[1]) <= 0xAB);
            const bool read = !Pinyin(Text::fromBytes(bytes, 2)).empty();
            if (read) EXPECT_TRUE(ideograph) << std::hex << lead << trail << " " << utf8;
            if (ideograph) (read ? withReading : without) += 1;
        }
    }
    EXPECT_EQ(without, 23);
    EXPECT_GT(withReading, 20800);
}
