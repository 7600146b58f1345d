#include "services/db/detail/pg_dialect.h"

#include "services/db/detail/sql_words.h"

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

namespace dbdetail {

namespace {

// The end of the quoted part that starts at `at` (one past its closing
// quote); a doubled quote stands for itself.
std::size_t quotedEnd(const std::string& s, std::size_t at, char close) {
    for (std::size_t i = at + 1; i < s.size(); ++i) {
        if (s[i] != close) continue;
        if (close != ']' && i + 1 < s.size() && s[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return s.size();
}

std::size_t skipBlanks(const std::string& s, std::size_t at) {
    while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
    return at;
}

std::string quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// One past the closing $ of a dollar-quote tag ($$ or $name$) at `at`; npos when there is none.
std::size_t dollarTagEnd(const std::string& s, std::size_t at) {
    std::size_t i = at + 1;
    while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_')) ++i;
    if (i < s.size() && s[i] == '$' && (i == at + 1 || !std::isdigit(static_cast<unsigned char>(s[at + 1]))))
        return i + 1;
    return std::string::npos;
}

bool sameWord(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

}  // namespace

bool NameLess::operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

std::string ToPostgres(const std::string& sql, const ServerNames& capitalisedNames) {
    std::string out;
    out.reserve(sql.size() + 16);
    bool escapeAfterLiteral = false;  // a LIKE's pattern is next
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'') {
            const std::size_t end = quotedEnd(sql, i, '\'');
            out.append(sql, i, end - i);
            if (escapeAfterLiteral) out += " ESCAPE '' ";
            escapeAfterLiteral = false;
            i = end;
            continue;
        }
        if (!std::isspace(static_cast<unsigned char>(c))) {
            // Only a literal straight after LIKE is its pattern.
            const bool isLikeWord = IsNameChar(c) && KeywordAt(sql, i, "like");
            if (!isLikeWord) escapeAfterLiteral = false;
        }
        if (c == '"') {
            const std::size_t end = quotedEnd(sql, i, '"');
            out.append(sql, i, end - i);
            i = end;
        } else if (c == '$' && (i == 0 || !IsNameChar(sql[i - 1])) && dollarTagEnd(sql, i) != std::string::npos) {
            // A dollar-quoted text (a function's body) is the server's own SQL.
            const std::size_t tagEnd = dollarTagEnd(sql, i);
            const std::string tag = sql.substr(i, tagEnd - i);
            std::size_t end = sql.find(tag, tagEnd);
            end = end == std::string::npos ? sql.size() : end + tag.size();
            out.append(sql, i, end - i);
            i = end;
        } else if (c == '[' && (i + 1 >= sql.size() || sql[i + 1] == ']' ||
                                (i > 0 && (IsNameChar(sql[i - 1]) || sql[i - 1] == ']' || sql[i - 1] == ')')))) {
            // An array's brackets: after a name or a value, or empty.
            out += c;
            ++i;
        } else if (c == '[' || c == '`') {
            const std::size_t end = quotedEnd(sql, i, c == '[' ? ']' : '`');
            const std::size_t inner = end > i + 1 && end <= sql.size() ? end - i - 2 : 0;
            out += quoted(sql.substr(i + 1, inner));
            i = end;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            std::size_t end = sql.find('\n', i);
            end = end == std::string::npos ? sql.size() : end;
            out.append(sql, i, end - i);
            i = end;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            std::size_t end = sql.find("*/", i + 2);
            end = end == std::string::npos ? sql.size() : end + 2;
            out.append(sql, i, end - i);
            i = end;
        } else if (c == '=' && i + 1 < sql.size() && sql[i + 1] == '=') {
            out += '=';
            i += 2;
        } else if (IsNameChar(c) && !std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t end = i;
            while (end < sql.size() && IsNameChar(sql[end])) ++end;
            const std::string word = sql.substr(i, end - i);
            const bool call = skipBlanks(sql, end) < sql.size() && sql[skipBlanks(sql, end)] == '(';
            // A qualified part (after a dot) is a name too; a word before "(" is a function.
            if (sameWord(word, "like")) {
                out += "ILIKE";
                escapeAfterLiteral = true;
            } else if (call && sameWord(word, "ifnull")) {
                out += "coalesce";
            } else if (call && sameWord(word, "instr")) {
                out += "strpos";
            } else if (auto found = capitalisedNames.find(word); !call && found != capitalisedNames.end()) {
                out += quoted(*found);
            } else {
                out += word;
            }
            i = end;
        } else if (IsNameChar(c)) {
            // A number, with any letters that follow its digits (1e5, 0x1F).
            std::size_t end = i;
            while (end < sql.size() && IsNameChar(sql[end])) ++end;
            out.append(sql, i, end - i);
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::set<std::string> PasswordsOf(const std::string& connectionText) {
    const std::string& t = connectionText;
    std::set<std::string> found;
    for (std::size_t at = 0; at < t.size(); ++at) {
        std::size_t after = std::string::npos;
        for (std::string_view key : {"password", "pwd"}) {
            if (KeywordAt(t, at, key)) {
                after = at + key.size();
                break;
            }
        }
        if (after == std::string::npos) continue;
        std::size_t from = skipBlanks(t, after);
        if (from >= t.size() || t[from] != '=') continue;
        from = skipBlanks(t, from + 1);
        std::size_t end;
        std::string value;
        if (from < t.size() && t[from] == '{') {
            end = t.find('}', from);
            end = end == std::string::npos ? t.size() : end;
            value = t.substr(from + 1, end - from - 1);
        } else {
            end = t.find(';', from);
            end = end == std::string::npos ? t.size() : end;
            value = t.substr(from, end - from);
            while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) value.pop_back();
        }
        if (!value.empty()) found.insert(value);
        at = end;
    }
    return found;
}

std::string MaskedPasswords(std::string text, const std::set<std::string>& secrets) {
    // Longest first, so that a secret inside another is not left half shown.
    std::vector<std::string> all(secrets.begin(), secrets.end());
    for (const auto& s : PasswordsOf(text)) all.push_back(s);
    std::sort(all.begin(), all.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const auto& secret : all) {
        if (secret.empty() || secret == "***") continue;
        for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 3))
            text.replace(at, secret.size(), "***");
    }
    return text;
}

}  // namespace dbdetail
