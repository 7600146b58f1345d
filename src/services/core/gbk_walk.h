#pragma once
// Walking a GBK byte string character by character, and comparing without
// letter case. Every walker of a GBK text steps with CharLength and every
// comparison without case folds with these helpers, so that all of them agree
// on where a character begins.
//
// A two-byte character is a lead byte 0x81-0xFE followed by a trail byte
// 0x40-0xFE other than 0x7F. Every other byte is a character of its own: ASCII,
// the code page's one-byte euro sign 0x80, the unassigned 0xFF, and a lead
// byte without a trail (at the very end, or before a byte that cannot follow
// it), so a walk never reads past the end or swallows the byte after a stray
// lead byte.

#include <cstddef>
#include <string>
#include <string_view>

namespace gbk {

inline bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
inline bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Length of the character starting at byte i (1 or 2).
inline std::size_t CharLength(std::string_view s, std::size_t i) {
    return (IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
            IsTrail(static_cast<unsigned char>(s[i + 1])))
               ? 2
               : 1;
}

inline unsigned char AsciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

// The bytes of a text one after the other, with the capitals of one-byte
// characters in lower case. The trail byte of a two-byte character keeps its
// value: 丄 (0x81 0x41) and 乤 (0x81 0x61) stay two characters.
class CaseFoldedBytes {
public:
    explicit CaseFoldedBytes(std::string_view s) : s_(s) {}
    bool done() const { return at_ >= s_.size(); }
    unsigned char next() {
        const auto c = static_cast<unsigned char>(s_[at_]);
        bool oneByte = false;
        if (at_ >= charEnd_) {
            charEnd_ = at_ + CharLength(s_, at_);
            oneByte = charEnd_ == at_ + 1;
        }
        ++at_;
        return oneByte ? AsciiLower(c) : c;
    }

private:
    std::string_view s_;
    std::size_t at_ = 0;
    std::size_t charEnd_ = 0;
};

// The whole text folded as CaseFoldedBytes reads it.
inline std::string FoldedCase(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (CaseFoldedBytes bytes(s); !bytes.done();) out += static_cast<char>(bytes.next());
    return out;
}

// Byte order of the folded texts (bytes unsigned, a prefix first): <0, 0, >0.
inline int CompareIgnoringCase(std::string_view a, std::string_view b) {
    CaseFoldedBytes x(a), y(b);
    while (!x.done() && !y.done()) {
        const unsigned char p = x.next(), q = y.next();
        if (p != q) return p < q ? -1 : 1;
    }
    if (x.done() && y.done()) return 0;
    return x.done() ? -1 : 1;
}

inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareIgnoringCase(a, b) == 0;
}

// Compares `wanted` with `text` at byte offset `at` (the caller checks that
// enough bytes remain and that `at` starts a character). With ignoreCase,
// one-byte letters match either case; two-byte characters match exactly, so
// no two different Chinese characters match.
inline bool MatchesAt(std::string_view text, std::size_t at, std::string_view wanted, bool ignoreCase) {
    if (!ignoreCase) return text.compare(at, wanted.size(), wanted) == 0;
    // The candidate is cut to the wanted length first: a lead byte that
    // ends `wanted` must not pair with the byte after the candidate.
    return EqualIgnoringCase(text.substr(at, wanted.size()), wanted);
}

}  // namespace gbk
