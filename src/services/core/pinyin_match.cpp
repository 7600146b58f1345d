#include "services/core/pinyin_match.h"

#include "services/core/core.h"
#include "services/core/gbk_walk.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

// A name is read as a row of units: each character that can be typed is a
// unit with up to three spellings (a Chinese character's readings, or a
// Latin letter or digit standing for itself). Unit 0 cannot be typed and
// stops a match; unit 1 is passed over (blanks, punctuation).
constexpr std::uint16_t kBarrier = 0;
constexpr std::uint16_t kPassedOver = 1;
constexpr std::size_t kMaxReadings = 3;

struct Syllable {
    std::array<char, 7> letters{};  // the longest, "zhuang", has 6
    std::uint8_t length = 0;
    bool hasTwoLetterInitial = false;  // zh, ch, sh: typed as an initial too
};

struct Unit {
    std::uint64_t firstKeys = 0;  // bit KeyIndex(c) for each spelling's first key c
    std::uint8_t count = 0;
    std::uint8_t longest = 0;  // letters of its longest spelling
    std::array<std::uint16_t, kMaxReadings> syllables{};
};

// Letters 0-25, digits 26-35, anything else 36 (no unit starts with it).
int KeyIndex(unsigned char c) {
    if (c >= 'a' && c <= 'z') return c - 'a';
    if (c >= '0' && c <= '9') return 26 + (c - '0');
    return 36;
}

bool IsAsciiAlnum(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Every GBK character and every code point of the basic plane mapped to its
// unit, built once from the pinyin readings.
class UnitTables {
public:
    static const UnitTables& get() {
        static const std::unique_ptr<UnitTables> tables(new UnitTables);
        return *tables;
    }

    const Unit& unit(std::uint16_t id) const { return units_[id]; }
    const Syllable& syllable(std::uint16_t id) const { return syllables_[id]; }
    std::uint16_t ofByte(unsigned char c) const { return byteUnits_[c]; }
    // A two-byte GBK character: lead 0x81-0xFE, trail 0x40-0xFE.
    std::uint16_t ofGbk(unsigned char lead, unsigned char trail) const {
        return gbkUnits_[(lead - 0x81) * kTrails + (trail - 0x40)];
    }
    std::uint16_t ofCodePoint(std::uint32_t cp) const { return cp < 0x10000 ? codePointUnits_[cp] : kBarrier; }

private:
    static constexpr std::size_t kTrails = 0xFF - 0x40;

    UnitTables()
        : byteUnits_(256, kBarrier), gbkUnits_((0xFF - 0x81) * kTrails, kBarrier), codePointUnits_(0x10000, kBarrier) {
        units_.resize(2);  // the barrier and the passed-over unit
        for (int c = 0; c < 0x80; ++c) {
            byteUnits_[c] =
                IsAsciiAlnum(c) ? unitOf({std::string(1, static_cast<char>(gbk::AsciiLower(c)))}) : kPassedOver;
            codePointUnits_[c] = byteUnits_[c];
        }
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) continue;
                const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                const Text character = Text::fromBytes(bytes, 2);
                const std::uint16_t id = twoByteUnit(character, lead, trail);
                gbkUnits_[(lead - 0x81) * kTrails + (trail - 0x40)] = id;
                if (id == kBarrier) continue;
                // The same unit for the character as SQLite holds it, in UTF-8.
                const std::string utf8 = character.toUtf8();
                if (const std::uint32_t cp = basicPlaneCodePoint(utf8); cp != 0 && cp != 0xFFFD)
                    codePointUnits_[cp] = id;
            }
        }
    }

    std::uint16_t twoByteUnit(const Text& character, int lead, int trail) {
        std::vector<std::string> readings;
        for (int r = 1; r <= static_cast<int>(kMaxReadings); ++r) {
            std::string reading = Pinyin(character, r).bytes();
            if (!reading.empty()) readings.push_back(std::move(reading));
        }
        if (!readings.empty()) return unitOf(readings);
        if (lead == 0xA3) {  // full-width ASCII: its letters and digits stand for themselves
            const unsigned char ascii = static_cast<unsigned char>(trail - 0x80);
            if (IsAsciiAlnum(ascii)) return byteUnits_[ascii];
            if (trail >= 0xA1) return kPassedOver;
        }
        if (lead == 0xA1 && trail >= 0xA1) return kPassedOver;  // full-width blank and punctuation
        return kBarrier;
    }

    // The code point of one UTF-8 character of the basic plane, 0 otherwise.
    static std::uint32_t basicPlaneCodePoint(const std::string& s) {
        const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
        if (s.size() == 2 && (b(0) >> 5) == 0x6) return ((b(0) & 0x1Fu) << 6) | (b(1) & 0x3Fu);
        if (s.size() == 3 && (b(0) >> 4) == 0xE) return ((b(0) & 0x0Fu) << 12) | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu);
        return 0;
    }

    std::uint16_t syllableOf(const std::string& letters) {
        auto [it, added] = syllableIds_.try_emplace(letters, static_cast<std::uint16_t>(syllables_.size()));
        if (added) {
            Syllable s;
            s.length = static_cast<std::uint8_t>(std::min(letters.size(), s.letters.size()));
            std::memcpy(s.letters.data(), letters.data(), s.length);
            s.hasTwoLetterInitial = s.length > 2 && s.letters[1] == 'h' &&
                                    (s.letters[0] == 'z' || s.letters[0] == 'c' || s.letters[0] == 's');
            syllables_.push_back(s);
        }
        return it->second;
    }

    // One unit per distinct set of readings, in the order the table gives them.
    std::uint16_t unitOf(const std::vector<std::string>& readings) {
        std::vector<std::uint16_t> key;
        for (const std::string& r : readings) key.push_back(syllableOf(r));
        auto [it, added] = unitIds_.try_emplace(key, static_cast<std::uint16_t>(units_.size()));
        if (added) {
            Unit u;
            for (std::uint16_t id : key) {
                if (u.count == kMaxReadings) break;
                u.syllables[u.count++] = id;
                u.firstKeys |= std::uint64_t{1} << KeyIndex(syllables_[id].letters[0]);
                u.longest = std::max(u.longest, syllables_[id].length);
            }
            units_.push_back(u);
        }
        return it->second;
    }

    std::vector<Unit> units_;
    std::vector<Syllable> syllables_;
    std::map<std::string, std::uint16_t> syllableIds_;
    std::map<std::vector<std::uint16_t>, std::uint16_t> unitIds_;
    std::vector<std::uint16_t> byteUnits_;
    std::vector<std::uint16_t> gbkUnits_;
    std::vector<std::uint16_t> codePointUnits_;
};

// Readers of the next character's unit: each advances `at`.
struct GbkUnits {
    static std::uint16_t next(const UnitTables& tables, std::string_view s, std::size_t& at) {
        const std::size_t n = gbk::CharLength(s, at);
        const auto lead = static_cast<unsigned char>(s[at]);
        at += n;
        return n == 2 ? tables.ofGbk(lead, static_cast<unsigned char>(s[at - 1])) : tables.ofByte(lead);
    }
};

struct Utf8Units {
    static std::uint16_t next(const UnitTables& tables, std::string_view s, std::size_t& at) {
        const auto c = static_cast<unsigned char>(s[at]);
        if (c < 0x80) {
            ++at;
            return tables.ofByte(c);
        }
        const std::size_t n = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
        if (n == 1 || at + n > s.size()) {
            ++at;
            return kBarrier;
        }
        std::uint32_t cp = c & (0x7Fu >> n);
        for (std::size_t i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[at + i]) & 0x3Fu);
        at += n;
        return tables.ofCodePoint(cp);
    }
};

// Reduces a typed text to its keys; empty when it has no letter or holds a
// character no spelling has. An apostrophe only separates syllables, right
// after a letter or digit: "xi'an" and "xi'" are spellings, "'", "o''" are not.
std::string ReduceTyped(std::string_view typed) {
    std::string keys;
    bool letter = false;
    bool afterKey = false;
    for (std::size_t at = 0; at < typed.size();) {
        const std::size_t n = gbk::CharLength(typed, at);
        const auto c = static_cast<unsigned char>(typed[at]);
        const bool fullWidthBlank = n == 2 && c == 0xA1 && static_cast<unsigned char>(typed[at + 1]) == 0xA1;
        at += n;
        if (c == ' ' || c == '\t' || fullWidthBlank) {
            afterKey = false;
            continue;
        }
        if (c == '\'') {
            if (!afterKey) return {};
            afterKey = false;
            continue;
        }
        if (n != 1 || !IsAsciiAlnum(c)) return {};
        keys += static_cast<char>(gbk::AsciiLower(c));
        letter = letter || (c > '9');
        afterKey = true;
    }
    return letter ? keys : std::string();
}

}  // namespace

Text SpellingKeys(const Text& typed) { return Text::fromBytes(ReduceTyped(typed.bytes())); }

SpellingQuery::SpellingQuery(std::string_view typed) : keys_(ReduceTyped(typed)) {
    if (keys_.empty()) return;
    UnitTables::get();  // built here, not in the first match
    firstKey_ = std::uint64_t{1} << KeyIndex(static_cast<unsigned char>(keys_[0]));
    words_ = (keys_.size() + 63) / 64;
}

bool SpellingQuery::MatchesGbk(std::string_view gbkName) const { return matches<GbkUnits>(gbkName); }
bool SpellingQuery::MatchesUtf8(std::string_view utf8Name) const { return matches<Utf8Units>(utf8Name); }

template <typename Decoder>
bool SpellingQuery::matches(std::string_view name) const {
    if (keys_.empty()) return false;
    const UnitTables& tables = UnitTables::get();
    // The name's units without those passed over; most names fit on the stack.
    constexpr std::size_t kOnStack = 256;
    std::array<std::uint16_t, kOnStack> stackUnits;
    std::vector<std::uint16_t> heapUnits;
    std::size_t count = 0;
    bool anyStart = false;
    std::size_t letters = 0;  // the most the whole name can spell
    for (std::size_t at = 0; at < name.size();) {
        const std::uint16_t id = Decoder::next(tables, name, at);
        if (id == kPassedOver) continue;
        if (count == kOnStack) heapUnits.assign(stackUnits.begin(), stackUnits.end());
        if (count < kOnStack) stackUnits[count] = id;
        else heapUnits.push_back(id);
        ++count;
        const Unit& unit = tables.unit(id);
        anyStart = anyStart || (unit.firstKeys & firstKey_);
        letters += unit.longest;
    }
    if (!anyStart || letters < keys_.size()) return false;
    const std::uint16_t* units = count > kOnStack ? heapUnits.data() : stackUnits.data();

    // Two sets of positions in keys_, each words_ words.
    std::array<std::uint64_t, 8> stackBits;
    std::vector<std::uint64_t> heapBits;
    std::uint64_t* bits = stackBits.data();
    if (2 * words_ > stackBits.size()) {
        heapBits.resize(2 * words_);
        bits = heapBits.data();
    }
    for (std::size_t start = 0; start < count; ++start) {
        if ((tables.unit(units[start]).firstKeys & firstKey_) && matchesFrom(units, count, start, bits)) return true;
    }
    return false;
}

// Walks the units from `start` on, keeping the set of positions in keys_
// that the units so far can have consumed exactly; true as soon as a unit
// can consume the rest of the keys.
bool SpellingQuery::matchesFrom(const std::uint16_t* units, std::size_t count, std::size_t start,
                                std::uint64_t* bits) const {
    const UnitTables& tables = UnitTables::get();
    const std::size_t length = keys_.size();
    std::uint64_t* reached = bits;
    std::uint64_t* next = bits + words_;
    std::fill(reached, reached + words_, 0);
    reached[0] = 1;
    const auto add = [&](std::size_t position) { next[position / 64] |= std::uint64_t{1} << (position % 64); };
    for (std::size_t u = start; u < count; ++u) {
        const Unit& unit = tables.unit(units[u]);
        std::fill(next, next + words_, 0);
        bool any = false;
        for (std::size_t w = 0; w < words_; ++w) {
            for (std::uint64_t word = reached[w]; word; word &= word - 1) {
                const std::size_t p = w * 64 + static_cast<std::size_t>(std::countr_zero(word));
                const char key = keys_[p];
                for (std::size_t r = 0; r < unit.count; ++r) {
                    const Syllable& s = tables.syllable(unit.syllables[r]);
                    if (s.letters[0] != key) continue;
                    std::size_t same = 1;
                    while (same < s.length && p + same < length && s.letters[same] == keys_[p + same]) ++same;
                    // The last unit typed may stop anywhere in its spelling.
                    if (p + same == length) return true;
                    add(p + 1);  // its first letter
                    if (s.hasTwoLetterInitial && same >= 2) add(p + 2);
                    if (same == s.length) add(p + s.length);  // whole
                    any = true;
                }
            }
        }
        if (!any) return false;
        std::swap(reached, next);
    }
    return false;
}

bool MatchesSpelling(const Text& typed, const Text& name) {
    return SpellingQuery(typed.bytes()).MatchesGbk(name.bytes());
}
