#pragma once
// Finding keywords in an SQL text outside its quoted names, literals and
// parenthesised parts, for the statements the sources rewrite.

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

// The statement's first word, in lower case.
inline std::string FirstKeyword(const std::string& sql) {
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    std::string word;
    for (; i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])); ++i)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(sql[i])));
    return word;
}

// Length of a leading "select" keyword (after blanks), 0 when there is none.
inline std::size_t selectKeywordEnd(const std::string& sql) {
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    if (sql.size() - i < 6) return 0;
    for (int k = 0; k < 6; ++k)
        if (std::tolower(static_cast<unsigned char>(sql[i + k])) != "select"[k]) return 0;
    if (i + 6 < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[i + 6])) || sql[i + 6] == '_')) return 0;
    return i + 6;
}

// For "select * from ..." (or "select <table>.* from ..."): where the FROM
// keyword starts, else npos.
inline std::size_t starFromAt(const std::string& sql, std::size_t afterSelect) {
    std::size_t i = afterSelect;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    if (i < sql.size() && sql[i] == '"') {
        std::size_t k = i + 1;
        while (k < sql.size() && !(sql[k] == '"' && (k + 1 >= sql.size() || sql[k + 1] != '"')))
            k += sql[k] == '"' ? 2 : 1;
        if (k + 1 >= sql.size() || sql[k + 1] != '.') return std::string::npos;
        i = k + 2;
    } else {
        std::size_t k = i;
        while (k < sql.size() && IsNameChar(sql[k])) ++k;
        if (k > i && k < sql.size() && sql[k] == '.') i = k + 1;
    }
    if (i >= sql.size() || sql[i] != '*') return std::string::npos;
    ++i;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    if (sql.size() - i < 4) return std::string::npos;
    for (int k = 0; k < 4; ++k)
        if (std::tolower(static_cast<unsigned char>(sql[i + k])) != "from"[k]) return std::string::npos;
    return i;
}

// True when the statement groups its rows (GROUP BY or HAVING outside
// quotes, brackets and parentheses): a grouped row stands for several rows
// of its table, so it has no identity of its own to be changed by.
inline bool groupsRows(const std::string& sql) {
    bool grouped = false;
    ScanTopLevel(sql, 0, sql.size(), [&](std::size_t i) {
        if (KeywordAt(sql, i, "having") || ByClauseAt(sql, i, "group") != std::string::npos) grouped = true;
    });
    return grouped;
}

// True when the statement joins several selects (UNION, INTERSECT, EXCEPT
// outside quotes and parentheses): its rows are not rows of the first table.
inline bool combinesSelects(const std::string& sql) {
    bool compound = false;
    ScanTopLevel(sql, 0, sql.size(), [&](std::size_t i) {
        if (KeywordAt(sql, i, "union") || KeywordAt(sql, i, "intersect") || KeywordAt(sql, i, "except"))
            compound = true;
    });
    return compound;
}

}  // namespace dbdetail
