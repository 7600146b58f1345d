#pragma once
// Finding a name by the pinyin typed for it, as phone contact lists do:
// "zhangsan", "zhang san", "zhangs", "zsan" and "zs" all find 张三.
//
// The typed text, without blanks and letter case, must be a prefix of the
// spelling of the name read from any of its characters on, syllable by
// syllable: each syllable typed whole, as its first letter, or as its
// two-letter initial zh/ch/sh; the last syllable typed may be any start of
// its spelling. A match starts at a character, never inside a syllable
// ("ni" does not find 林 lin). A character with several readings matches by
// any of them (曾 zeng/ceng, 单 dan/shan).
//
// Characters of a name that have no reading:
// - Latin letters and digits (full-width ones too) match themselves, one
//   letter each, so "amyz" finds "Amy张";
// - blanks and punctuation (ASCII and full-width, the middle dot of 阿卜杜·热合曼)
//   are passed over, so "obrien" finds "O'Brien";
// - any other character (a Chinese character without a known reading, Greek,
//   kana, a character the code page lacks) cannot be typed: no match runs
//   across it.
// The typed text may hold letters, digits, blanks and apostrophes (the
// syllable separator of "xi'an", right after a letter or digit; it is passed
// over, so "xi'an" also finds 先 xian); a text holding anything else finds
// nothing by its spelling.

#include "services/core/text.h"

#include <cstdint>
#include <string>
#include <string_view>

// The SQL function that SQLite connections register: spelling_match(name, keys)
// is 1 when the name matches the keys SpellingKeys gave, 0 otherwise.
inline constexpr const char* kSpellingMatchFunction = "spelling_match";

// The typed text reduced to what the spelling match compares: lower-case
// letters and digits, without blanks and apostrophes. Empty when the text
// holds no Latin letter or holds a character that cannot be part of a
// spelling; such a text finds nothing by its spelling.
Text SpellingKeys(const Text& typed);

// A typed text prepared once and matched against many names. Matching
// allocates nothing for texts of up to 255 letters and names of up to 255
// characters. One object may serve several threads at once.
class SpellingQuery {
public:
    // `typed` is ASCII (SpellingKeys' result, or any text: it is reduced the
    // same way), which reads the same in GBK and UTF-8.
    explicit SpellingQuery(std::string_view typed);

    bool MatchesNothing() const { return keys_.empty(); }
    bool MatchesGbk(std::string_view gbkName) const;
    bool MatchesUtf8(std::string_view utf8Name) const;

private:
    template <typename Decoder>
    bool matches(std::string_view name) const;
    bool matchesFrom(const std::uint16_t* units, std::size_t count, std::size_t start, std::uint64_t* bits) const;

    std::string keys_;
    std::uint64_t firstKey_ = 0;  // the bit of the first key among a unit's first letters
    std::size_t words_ = 0;       // 64-bit words of a set of positions in keys_
};

// One-off form of SpellingQuery(SpellingKeys(typed)).MatchesGbk(name).
bool MatchesSpelling(const Text& typed, const Text& name);
