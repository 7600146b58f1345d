#include "services/core/pinyin_order.h"

#include "services/core/core.h"
#include "services/core/gbk_walk.h"
#include "services/core/pinyin_table.h"

#include <algorithm>
#include <string>
#include <vector>

namespace pinyin_order {

namespace {

// The rank of every character with a reading among all of them, ordered by
// the usual reading's spelling, then by code; 0xFFFF where there is none.
// Built once from the table.
const std::vector<std::uint16_t>& readingRanks() {
    static const std::vector<std::uint16_t> ranks = [] {
        struct Entry {
            std::string spelling;
            unsigned code;
            std::size_t index;
        };
        std::vector<Entry> read;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                const long index =
                    PinyinEntryIndex(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
                if (index < 0 || kPinyinEntries[index] == 0) continue;
                const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                std::string spelling = Pinyin(Text::fromBytes(bytes, 2), 1).bytes();
                if (!spelling.empty()) read.push_back({std::move(spelling), (lead << 8) | trail, std::size_t(index)});
            }
        }
        std::sort(read.begin(), read.end(), [](const Entry& a, const Entry& b) {
            return a.spelling != b.spelling ? a.spelling < b.spelling : a.code < b.code;
        });
        std::vector<std::uint16_t> out(kPinyinEntryCount, 0xFFFF);
        for (std::size_t rank = 0; rank < read.size(); ++rank) out[read[rank].index] = static_cast<std::uint16_t>(rank);
        return out;
    }();
    return ranks;
}

}  // namespace

bool IsChineseArea(unsigned char lead, unsigned char trail) {
    if (!gbk::IsLead(lead) || !gbk::IsTrail(trail)) return false;
    if (lead <= 0xA0) return true;           // GBK/3
    if (trail <= 0xA0) return lead >= 0xAA;  // GBK/4
    return lead >= 0xB0 && lead <= 0xF7;     // GB2312 levels 1 and 2
}

std::uint32_t OneByteWeight(unsigned char c) {
    if (c <= 0x80) return gbk::AsciiLower(c);
    return kStrayByte + c;
}

std::uint32_t TwoByteWeight(unsigned char lead, unsigned char trail) {
    const unsigned code = (unsigned(lead) << 8) | trail;
    if (!IsChineseArea(lead, trail)) return kSignBase + code;
    const std::uint16_t rank = readingRanks()[static_cast<std::size_t>(PinyinEntryIndex(lead, trail))];
    return rank != 0xFFFF ? kReadingBase + rank : kUnreadBase + code;
}

namespace {

// The weight of the character at `at`; advances `at`.
std::uint32_t nextWeight(std::string_view s, std::size_t& at) {
    const auto c = static_cast<unsigned char>(s[at]);
    if (gbk::CharLength(s, at) == 2) {
        const auto trail = static_cast<unsigned char>(s[at + 1]);
        at += 2;
        return TwoByteWeight(c, trail);
    }
    ++at;
    return OneByteWeight(c);
}

}  // namespace

int CompareGbkNames(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const std::uint32_t x = nextWeight(a, i), y = nextWeight(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
}

}  // namespace pinyin_order
