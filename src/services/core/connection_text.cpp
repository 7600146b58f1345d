#include "services/core/connection_text.h"

#include <cctype>
#include <string>

namespace {

constexpr const char* kPasswordKeys[] = {"pwd", "password"};

bool StartsKeyAt(const std::string& s, std::size_t at, const std::string& key) {
    if (at + key.size() > s.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[at + i])) != key[i]) return false;
    // A whole key: at the start of a field, and followed by "=" (blanks allowed).
    if (at > 0 && std::isalnum(static_cast<unsigned char>(s[at - 1]))) return false;
    std::size_t after = at + key.size();
    while (after < s.size() && s[after] == ' ') ++after;
    return after < s.size() && s[after] == '=';
}

// Where the value of a password field starting at `at` begins and ends; npos when there is none.
bool PasswordValueAt(const std::string& s, std::size_t at, std::size_t& begin, std::size_t& end) {
    for (const std::string key : kPasswordKeys) {
        if (!StartsKeyAt(s, at, key)) continue;
        begin = s.find('=', at) + 1;
        while (begin < s.size() && s[begin] == ' ') ++begin;
        if (begin < s.size() && s[begin] == '{') {
            const std::size_t close = s.find('}', begin);
            end = close == std::string::npos ? s.size() : close + 1;
        } else {
            end = s.find_first_of(";\r\n", begin);
            if (end == std::string::npos) end = s.size();
            // A quoted report ("...Pwd=secret'") keeps its closing quote.
            while (end > begin && (s[end - 1] == '\'' || s[end - 1] == '"' || s[end - 1] == ' ')) --end;
        }
        return true;
    }
    return false;
}

}  // namespace

bool HoldsPassword(const Text& text) {
    const std::string& s = text.bytes();
    std::size_t begin = 0, end = 0;
    for (std::size_t at = 0; at < s.size(); ++at)
        if (PasswordValueAt(s, at, begin, end)) return true;
    return false;
}

Text PasswordHidden(const Text& text) {
    const std::string& s = text.bytes();
    std::string out;
    std::size_t at = 0;
    while (at < s.size()) {
        std::size_t begin = 0, end = 0;
        if (PasswordValueAt(s, at, begin, end)) {
            out.append(s, at, begin - at);
            out += "***";
            at = end;
        } else {
            out += s[at++];
        }
    }
    return Text::fromBytes(out);
}
