// Finding a name by its pinyin spelling: a table of typed texts and names,
// and the matcher against a plain enumeration of every way to type a name.

#include "services/core/pinyin_match.h"
#include "services/core/core.h"
#include "services/core/gbk_walk.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

bool Finds(const char* typed, const char* name) { return MatchesSpelling(T(typed), T(name)); }

struct Case {
    const char* typed;
    const char* name;
    bool found;
};

// The readings of one character, straight from the pinyin table; a Latin
// letter or digit reads as itself, blanks and punctuation read as nothing.
enum class Kind { Readings, Skipped, Untypable };

Kind KindOf(const std::string& character, std::vector<std::string>& readings) {
    readings.clear();
    if (character.size() == 1) {
        const unsigned char c = static_cast<unsigned char>(character[0]);
        if (std::isalnum(c)) {
            readings.push_back(std::string(1, static_cast<char>(std::tolower(c))));
            return Kind::Readings;
        }
        return c < 0x80 ? Kind::Skipped : Kind::Untypable;
    }
    for (int r = 1; r <= 3; ++r) {
        const Text reading = Pinyin(Text::fromBytes(character), r);
        if (!reading.empty()) readings.push_back(reading.bytes());
    }
    if (!readings.empty()) return Kind::Readings;
    const std::string fullWidthBlank = T("　").bytes();
    const std::string middleDot = T("·").bytes();
    return (character == fullWidthBlank || character == middleDot) ? Kind::Skipped : Kind::Untypable;
}

// Whether `keys` from position k can be typed from character i on: every
// choice tried in turn, as a person would spell it out.
bool TypableFrom(const std::vector<std::string>& characters, std::size_t i, const std::string& keys, std::size_t k) {
    if (k == keys.size()) return true;
    if (i == characters.size()) return false;
    std::vector<std::string> readings;
    const Kind kind = KindOf(characters[i], readings);
    if (kind == Kind::Skipped) return TypableFrom(characters, i + 1, keys, k);
    if (kind == Kind::Untypable) return false;
    const std::string rest = keys.substr(k);
    for (const std::string& reading : readings) {
        // The last syllable typed: any start of its spelling.
        for (std::size_t n = 1; n <= reading.size(); ++n) {
            if (rest == reading.substr(0, n)) return true;
        }
        std::vector<std::size_t> typedLengths = {1, reading.size()};
        if (reading.size() > 2 && reading[1] == 'h' && (reading[0] == 'z' || reading[0] == 'c' || reading[0] == 's'))
            typedLengths.push_back(2);
        for (std::size_t n : typedLengths) {
            if (n < rest.size() && rest.compare(0, n, reading, 0, n) == 0 &&
                TypableFrom(characters, i + 1, keys, k + n))
                return true;
        }
    }
    return false;
}

bool FoundByEnumeration(const Text& typed, const Text& name) {
    const std::string keys = SpellingKeys(typed).bytes();
    if (keys.empty()) return false;
    std::vector<std::string> characters;
    const std::string& s = name.bytes();
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t n = gbk::CharLength(s, at);
        characters.push_back(s.substr(at, n));
        at += n;
    }
    for (std::size_t start = 0; start < characters.size(); ++start) {
        std::vector<std::string> readings;
        // A match starts at a character that can be typed, never at one passed over.
        if (KindOf(characters[start], readings) == Kind::Readings && TypableFrom(characters, start, keys, 0))
            return true;
    }
    return false;
}

}  // namespace

TEST(SpellingMatch, TableOfTypedTextsAndNames) {
    const Case cases[] = {
        // Whole syllables, initials, a mix, and the last syllable cut short.
        {"zhangsan", "张三", true},
        {"zhang", "张三", true},
        {"zsan", "张三", true},
        {"zs", "张三", true},
        {"zhangs", "张三", true},
        {"zhan", "张三", true},
        {"zhangsa", "张三", true},
        {"z", "张三", true},
        {"san", "张三", true},  // from any character on
        {"zhangsanx", "张三", false},
        {"zhans", "张三", false},  // only the last syllable typed may be cut short
        {"zhs", "张三", true},     // zh typed as the initial
        {"zhangsn", "张三", false},
        {"zzs", "张三", false},
        // Upper case and blanks are ignored.
        {"ZHANG SAN", "张三", true},
        {"Zhang San", "张三", true},
        {" z s ", "张三", true},
        {"ZhAnGsAn", "张三", true},
        // Syllable boundaries: a match never starts inside a syllable.
        {"ni", "林", false},
        {"in", "林", false},
        {"lin", "林", true},
        {"ang", "张三", false},
        {"an", "张三", false},
        {"hangs", "张三", false},
        {"xian", "西安", true},
        {"xian", "先", true},
        {"xian", "西安市", true},
        {"xia", "西安", true},
        {"xa", "西安", true},
        {"xi'an", "西安", true},
        {"xianshi", "西安市", true},
        {"anshi", "西安市", true},
        {"ians", "西安市", false},
        // Polyphones match by any of their readings.
        {"zeng", "曾", true},
        {"ceng", "曾", true},
        {"zengguofan", "曾国藩", true},
        {"cengguofan", "曾国藩", true},
        {"dan", "单", true},
        {"shan", "单", true},
        {"shanxiongxin", "单雄信", true},
        {"sxx", "单雄信", true},
        {"dxx", "单雄信", true},
        {"zhangsan", "长三", true},
        {"changsan", "长三", true},
        // Names with Latin letters, digits and punctuation.
        {"amyzhang", "Amy张", true},
        {"amyz", "Amy张", true},
        {"obrien", "O'Brien", true},
        {"zhang3", "张3", true},
        {"ahmadzhang", "Ahmad 张", true},
        {"abuduxiaoming", "阿卜杜·小明", true},
        {"wangxiaoer", "王　小二", true},
        {"tl", "Tom Lee", false},  // Latin words are typed letter by letter
        // Nothing typable: digits only, Chinese typed, symbols.
        {"138", "张三138", false},
        {"张", "张三", false},
        {"zh-s", "张三", false},
        {"", "张三", false},
        {"   ", "张三", false},
        {"z", "", false},
        {"a", "123", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Finds(c.typed, c.name), c.found) << '"' << c.typed << "\" against " << c.name;
        EXPECT_EQ(FoundByEnumeration(T(c.typed), T(c.name)), c.found) << '"' << c.typed << "\" against " << c.name;
    }
}

TEST(SpellingMatch, KeysAreLettersAndDigitsOnly) {
    EXPECT_EQ(SpellingKeys(T("ZHANG SAN")), T("zhangsan"));
    EXPECT_EQ(SpellingKeys(T("xi'an")), T("xian"));
    EXPECT_EQ(SpellingKeys(T("z　s")), T("zs"));  // a full-width blank
    EXPECT_EQ(SpellingKeys(T("zhang3")), T("zhang3"));
    // No Latin letter, or a character no spelling holds: no keys.
    EXPECT_EQ(SpellingKeys(T("138")), Text());
    EXPECT_EQ(SpellingKeys(T("张")), Text());
    EXPECT_EQ(SpellingKeys(T("张s")), Text());
    EXPECT_EQ(SpellingKeys(T("a%")), Text());
    EXPECT_EQ(SpellingKeys(T("a_b")), Text());
    // The apostrophe separates syllables, right after a letter or digit.
    EXPECT_EQ(SpellingKeys(T("xi'")), T("xi"));
    EXPECT_EQ(SpellingKeys(T("O'B")), T("ob"));
    EXPECT_EQ(SpellingKeys(T("'a")), Text());
    EXPECT_EQ(SpellingKeys(T("O''")), Text());
    EXPECT_EQ(SpellingKeys(T("o 'b")), Text());
    EXPECT_EQ(SpellingKeys(Text::fromBytes(std::string("a\0b", 3))), Text());
}

TEST(SpellingMatch, CharactersWithoutAReadingStopAMatch) {
    // A character without a reading cannot be typed, so no match runs across it.
    EXPECT_FALSE(Finds("zs", "张α三"));
    EXPECT_TRUE(Finds("s", "张α三"));
    EXPECT_FALSE(Finds("zs", "张\xe2\x82\xac三"));  // the euro sign, GBK's one-byte 0x80
    // A stray lead byte at the end swallows nothing.
    EXPECT_TRUE(MatchesSpelling(T("zs"), T("张三") + Text::fromBytes("\x81")));
}

TEST(SpellingMatch, LongTextsAndNames) {
    // More keys than fit in one word of positions, and names past the stack's room.
    std::string typed, name;
    for (int i = 0; i < 100; ++i) {
        typed += "zhangsan";
        name += T("张三").bytes();
    }
    EXPECT_TRUE(MatchesSpelling(Text::fromBytes(typed), Text::fromBytes(name)));
    EXPECT_FALSE(MatchesSpelling(Text::fromBytes(typed + "x"), Text::fromBytes(name)));
    EXPECT_TRUE(MatchesSpelling(Text::fromBytes(typed.substr(8) + "z"), Text::fromBytes(name)));
    EXPECT_FALSE(MatchesSpelling(Text::fromBytes(std::string(10000, 'x')), Text::fromBytes(name)));
    EXPECT_TRUE(MatchesSpelling(T("zsx"), Text::fromBytes(name) + T("小")));
}

TEST(SpellingMatch, GbkAndUtf8NamesMatchAlike) {
    const char* names[] = {"张三", "曾国藩", "Amy张", "O'Brien", "阿卜杜·小明", "王　小二", "张α三", "ＡＢ张", "西安"};
    const char* typed[] = {"zs", "zhangsan", "cgf", "amyz", "obrien", "abuduxm", "wxe", "s", "abz", "xian", "ab"};
    for (const char* t : typed) {
        const SpellingQuery query(SpellingKeys(T(t)).bytes());
        for (const char* n : names) {
            EXPECT_EQ(query.MatchesUtf8(n), query.MatchesGbk(T(n).bytes())) << t << " against " << n;
        }
    }
    EXPECT_TRUE(SpellingQuery("abz").MatchesUtf8("ＡＢ张"));  // full-width letters stand for themselves
}

TEST(SpellingMatch, AgreesWithEveryWayToTypeRandomNames) {
    // Characters with one or several readings, sharing syllables and first
    // letters, Latin letters, digits, punctuation and untypable characters.
    const std::vector<std::string> pool = {"张", "三", "长", "曾", "单", "西", "安", "先", "林", "尼",
                                           "和", "行", "重", "乐", "传", "说", "沙", "山", "小", "晓",
                                           "a",  "N",  "x",  "3",  " ",  "·",  "'",  "α",  "伊", "恩"};
    std::mt19937 random(19);
    int found = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string utf8;
        const int length = 1 + static_cast<int>(random() % 5);
        for (int i = 0; i < length; ++i) utf8 += pool[random() % pool.size()];
        const Text name = T(utf8);
        // Typed texts built from the name's own readings, then altered.
        std::string typed;
        std::vector<std::string> characters;
        for (std::size_t at = 0; at < name.size();) {
            const std::size_t n = gbk::CharLength(name.bytes(), at);
            characters.push_back(name.bytes().substr(at, n));
            at += n;
        }
        for (std::size_t i = random() % characters.size(); i < characters.size(); ++i) {
            std::vector<std::string> readings;
            KindOf(characters[i], readings);
            if (readings.empty()) continue;
            const std::string& reading = readings[random() % readings.size()];
            typed += reading.substr(0, 1 + random() % reading.size());
        }
        switch (random() % 4) {
        case 0:
            if (!typed.empty()) typed.erase(random() % typed.size(), 1);
            break;
        case 1:
            typed.insert(typed.begin() + static_cast<long>(random() % (typed.size() + 1)),
                         static_cast<char>('a' + random() % 26));
            break;
        default: break;
        }
        const bool expected = FoundByEnumeration(Text::fromBytes(typed), name);
        found += expected;
        ASSERT_EQ(MatchesSpelling(Text::fromBytes(typed), name), expected) << '"' << typed << "\" against " << utf8;
        ASSERT_EQ(SpellingQuery(typed).MatchesUtf8(utf8), expected) << '"' << typed << "\" against " << utf8;
    }
    // Both outcomes were tried often.
    EXPECT_GT(found, 1000);
    EXPECT_LT(found, 3500);
}
