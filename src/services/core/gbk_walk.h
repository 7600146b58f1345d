#pragma once
// Walking a GBK byte string character by character. A byte of 0x80 or more
// starts a two-byte character; a lead byte at the very end stands alone, so
// a walk never reads past the end of a text that ends in half a character.

#include <cstddef>
#include <string>

namespace gbk {

inline bool IsLead(unsigned char c) { return c >= 0x80; }

// Length of the character starting at byte i (1 or 2).
inline std::size_t CharLength(const std::string& s, std::size_t i) {
    return (IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

inline unsigned char AsciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

// Compares `wanted` with `text` at byte offset `at` (the caller checks that
// enough bytes remain). With ignoreCase, ASCII letters match either case, but
// only where they are characters of their own: the trail byte of a two-byte
// character is compared exactly, so no two different Chinese characters match.
inline bool MatchesAt(const std::string& text, std::size_t at, const std::string& wanted, bool ignoreCase) {
    if (!ignoreCase) return text.compare(at, wanted.size(), wanted) == 0;
    for (std::size_t j = 0; j < wanted.size();) {
        std::size_t n = CharLength(wanted, j);
        if (n == 2) {
            if (text[at + j] != wanted[j] || text[at + j + 1] != wanted[j + 1]) return false;
        } else if (AsciiLower(static_cast<unsigned char>(text[at + j])) !=
                   AsciiLower(static_cast<unsigned char>(wanted[j]))) {
            return false;
        }
        j += n;
    }
    return true;
}

// Equality without regard to ASCII case, character-aware as above.
inline bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && MatchesAt(a, 0, b, true);
}

} // namespace gbk
