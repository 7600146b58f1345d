#pragma once
// Finding keywords in an SQL text outside its quoted names, literals and
// parenthesised parts, for the statements the SQLite source rewrites.

#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>

namespace dbdetail {

inline bool IsNameChar(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    return c >= 0x80 || std::isalnum(c) || c == '_' || c == '$';
}

// True when the lower-case `word` stands at `at` as a whole word, in any case.
inline bool KeywordAt(const std::string& s, std::size_t at, std::string_view word) {
    if (at + word.size() > s.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[at + i])) != word[i]) return false;
    if (at > 0 && IsNameChar(s[at - 1])) return false;
    return at + word.size() == s.size() || !IsNameChar(s[at + word.size()]);
}

// Where "<word> BY" at `at` ends ("ORDER BY", "GROUP BY"); npos when it is not there.
inline std::size_t ByClauseAt(const std::string& s, std::size_t at, std::string_view word) {
    if (!KeywordAt(s, at, word)) return std::string::npos;
    std::size_t k = at + word.size();
    while (k < s.size() && std::isspace(static_cast<unsigned char>(s[k]))) ++k;
    return KeywordAt(s, k, "by") ? k + 2 : std::string::npos;
}

// Calls onWord(i) for every position of s[from, to) at the top level:
// outside quotes, brackets and parentheses.
template <class OnWord>
void ScanTopLevel(const std::string& s, std::size_t from, std::size_t to, OnWord onWord) {
    int depth = 0;
    for (std::size_t i = from; i < to; ++i) {
        char ch = s[i];
        if (ch == '\'' || ch == '"' || ch == '`' || ch == '[') {
            char close = ch == '[' ? ']' : ch;
            for (++i; i < to; ++i) {
                if (s[i] == close) {
                    if (close != ']' && i + 1 < to && s[i + 1] == close) {
                        ++i;
                        continue;
                    }
                    break;
                }
            }
            continue;
        }
        if (ch == '(') ++depth;
        else if (ch == ')') --depth;
        else if (depth == 0) onWord(i);
    }
}

}  // namespace dbdetail
