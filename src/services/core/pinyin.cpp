// Pinyin: toneless readings of the Chinese characters of GBK from the pinyin table.

#include "services/core/core.h"
#include "services/core/pinyin_table.h"

namespace {

// Component codes 1..55: initials first, then finals.
constexpr const char* kComponents[] = {
    "",    "zh",  "ch",  "sh", "b",  "p",  "m",  "f",  "d",    "t",    "n",    "l",   "g",   "k",
    "h",   "j",   "q",   "x",  "r",  "z",  "c",  "s",  "y",    "w",    "ang",  "eng", "an",  "ai",
    "ao",  "ou",  "er",  "en", "ei", "a",  "o",  "e",  "uang", "iang", "iong", "ing", "ong", "uai",
    "uan", "iao", "ian", "ui", "iu", "ie", "ue", "in", "un",   "ia",   "ua",   "uo",  "i",   "u"};
constexpr int kComponentCount = sizeof kComponents / sizeof kComponents[0];

const char* ComponentText(int code) { return (code > 0 && code < kComponentCount) ? kComponents[code] : ""; }

}  // namespace

Text Pinyin(const Text& t, int reading) {
    if (t.size() < 2) return Text();
    const long index = PinyinEntryIndex(t.at(0), t.at(1));
    if (index < 0) return Text();
    std::uint16_t entry = kPinyinEntries[index];
    if (entry == 0) return Text();
    if (reading < 1) reading = 1;
    if (entry & kPinyinPolyphoneBit) {
        std::size_t index = entry & ~kPinyinPolyphoneBit;
        if (reading > 3 || index >= kPinyinPolyphoneCount) return Text();
        entry = kPinyinPolyphones[index][reading - 1];
        if (entry == 0) return Text();
    } else if (reading != 1) {
        return Text();
    }
    return Text::fromBytes(std::string(ComponentText(entry & 0xFF)) + ComponentText(entry >> 8));
}
