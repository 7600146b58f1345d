// Text operations: lengths, slices, searches, trimming and splitting, all
// counted in bytes of code page 936 and never matching inside a character.

#include "services/core/core.h"
#include "services/core/gbk_walk.h"

#include <algorithm>

namespace {

constexpr unsigned char kFullWidthSpace = 0xA1;  // the full-width space is 0xA1 0xA1

bool IsSpaceAt(const std::string& s, std::size_t i) {
    if (s[i] == ' ') return true;
    return static_cast<unsigned char>(s[i]) == kFullWidthSpace && i + 1 < s.size() &&
           static_cast<unsigned char>(s[i + 1]) == kFullWidthSpace;
}

// Offset from an optional 1-based start: start - 1, at least 0. Computed in
// 64 bits so INT_MIN does not overflow.
std::size_t OffsetOf(int start) {
    return static_cast<std::size_t>(std::max<long long>(0, static_cast<long long>(start) - 1));
}

}  // namespace

int TextLength(const Text& t) { return static_cast<int>(t.size()); }

Text LeftText(const Text& t, int n) {
    if (n <= 0) return Text();
    return Text::fromBytes(std::string_view(t.bytes()).substr(0, static_cast<std::size_t>(n)));
}

Text MidText(const Text& t, int start, int n) {
    if (start < 1 || n <= 0 || static_cast<std::size_t>(start) > t.size()) return Text();
    return Text::fromBytes(
        std::string_view(t.bytes()).substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

Text CharFromCode(std::uint8_t code) {
    if (code == 0) return Text();
    Text t;
    t.bytes().push_back(static_cast<char>(code));
    return t;
}

// Candidates are the character starts counted from the beginning of the whole
// text, so a start position that points into a two-byte character cannot
// make a match begin on its second byte.
int FindText(const Text& t, const Text& wanted, std::optional<int> start, bool ignoreCase) {
    const std::string& s = t.bytes();
    const std::string& w = wanted.bytes();
    std::size_t from = start ? OffsetOf(*start) : 0;
    if (from >= s.size()) return -1;
    if (w.empty()) return 1;
    for (std::size_t i = 0; i < s.size() && s.size() - i >= w.size(); i += gbk::CharLength(s, i)) {
        if (i >= from && gbk::MatchesAt(s, i, w, ignoreCase)) return static_cast<int>(i + 1);
    }
    return -1;
}

int FindTextReverse(const Text& t, const Text& wanted, std::optional<int> start, bool ignoreCase) {
    const std::string& s = t.bytes();
    const std::string& w = wanted.bytes();
    std::size_t covered = start ? std::min(OffsetOf(*start), s.size()) : s.size();
    if (covered == 0) return -1;
    if (w.empty()) return 1;
    int found = -1;
    for (std::size_t i = 0; i < covered && covered - i >= w.size(); i += gbk::CharLength(s, i)) {
        if (gbk::MatchesAt(s, i, w, ignoreCase)) found = static_cast<int>(i + 1);
    }
    return found;
}

Text TrimSpaces(const Text& t) {
    const std::string& s = t.bytes();
    std::size_t begin = 0;
    while (begin < s.size() && IsSpaceAt(s, begin)) begin += s[begin] == ' ' ? 1 : 2;
    // Walk the rest by characters, remembering where the last run of spaces began.
    std::size_t end = s.size();
    bool inRun = false;
    for (std::size_t i = begin; i < s.size(); i += gbk::CharLength(s, i)) {
        if (IsSpaceAt(s, i)) {
            if (!inRun) {
                end = i;
                inRun = true;
            }
        } else {
            inRun = false;
            end = s.size();
        }
    }
    return Text::fromBytes(std::string_view(s).substr(begin, end - begin));
}

TextArray SplitText(const Text& t, const Text& delimiter, std::optional<int> maximum) {
    TextArray parts;
    std::size_t limit = maximum ? static_cast<std::size_t>(std::max(0, *maximum)) : SIZE_MAX;
    const std::string& s = t.bytes();
    const std::string& d = delimiter.bytes();
    if (limit == 0 || s.empty()) return parts;
    if (d.empty()) {
        parts.push_back(t);
        return parts;
    }
    std::size_t partStart = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s.size() - i >= d.size() && s.compare(i, d.size(), d) == 0) {
            parts.push_back(Text::fromBytes(std::string_view(s).substr(partStart, i - partStart)));
            if (parts.size() >= limit) return parts;  // the remainder is dropped
            i += d.size();
            partStart = i;
        } else {
            i += gbk::CharLength(s, i);
        }
    }
    if (partStart < s.size()) parts.push_back(Text::fromBytes(std::string_view(s).substr(partStart)));
    return parts;
}
