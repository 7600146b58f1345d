// The settings file in the private-profile format: "[section]" lines and
// "key=value" lines, kept in code page 936 and written with CR LF. Sections
// and keys match without regard to ASCII case; every other line (comments,
// blank lines, lines without "=") is kept as it was.

#include "services/core/connection_text.h"
#include "services/core/core.h"
#include "services/core/files_registry.h"
#include "services/core/gbk_walk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// The reader answers into a 10,240-byte buffer that keeps room for its terminator.
constexpr std::size_t kValueBufferSize = 10240;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string TrimmedBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

// Position of the ASCII character c in s, never inside a two-byte character.
std::size_t FindChar(const std::string& s, char c) {
    for (std::size_t i = 0; i < s.size(); i += gbk::CharLength(s, i)) {
        if (s[i] == c) return i;
    }
    return std::string::npos;
}

std::vector<std::string> LinesOf(const std::vector<unsigned char>& content) {
    std::vector<std::string> lines;
    std::string all(content.begin(), content.end());
    // A file saved as UTF-8 by an editor is read as what it says; it is
    // written back in GBK like every settings file.
    if (all.rfind("\xEF\xBB\xBF", 0) == 0) all = Text::fromUtf8(std::string_view(all).substr(3)).bytes();
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        std::string line = all.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool SectionHeader(const std::string& line, std::string* name = nullptr) {
    std::string t = TrimmedBlanks(line);
    if (t.empty() || t[0] != '[') return false;
    std::size_t close = FindChar(t, ']');
    if (close == std::string::npos) return false;
    if (name) *name = TrimmedBlanks(std::string_view(t).substr(1, close - 1));
    return true;
}

bool KeyLine(const std::string& line, std::string& key, std::string& value) {
    std::string t = TrimmedBlanks(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') return false;
    std::size_t eq = FindChar(t, '=');
    if (eq == std::string::npos) return false;
    key = TrimmedBlanks(std::string_view(t).substr(0, eq));
    value = TrimmedBlanks(std::string_view(t).substr(eq + 1));
    return true;
}

// Lines [begin, end) of the first section called `name`; begin is the header.
struct SectionSpan {
    std::size_t begin = 0, end = 0;
    bool found = false;
};

SectionSpan FindSection(const std::vector<std::string>& lines, const std::string& name) {
    SectionSpan span;
    std::string header;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!SectionHeader(lines[i], &header)) continue;
        if (span.found) {
            span.end = i;
            return span;
        }
        if (gbk::EqualIgnoringCase(header, name)) {
            span.found = true;
            span.begin = i;
        }
    }
    span.end = lines.size();
    return span;
}

// Index of the first line of the span holding `key`, or npos.
std::size_t FindKey(const std::vector<std::string>& lines, const SectionSpan& span, const std::string& key,
                    std::string* fileKey = nullptr, std::string* value = nullptr) {
    std::string k, v;
    for (std::size_t i = span.begin + 1; i < span.end; ++i) {
        if (KeyLine(lines[i], k, v) && gbk::EqualIgnoringCase(k, key)) {
            if (fileKey) *fileKey = k;
            if (value) *value = v;
            return i;
        }
    }
    return std::string::npos;
}

std::string Unquoted(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// At most what the buffer holds, without leaving half a character at the end.
Text Bounded(const std::string& s) {
    std::size_t limit = kValueBufferSize - 1;
    if (s.size() <= limit) return Text::fromBytes(s);
    std::size_t end = 0;
    for (std::size_t i = 0; i < limit; i += gbk::CharLength(s, i)) end = i + gbk::CharLength(s, i);
    if (end > limit) end -= 2;
    return Text::fromBytes(std::string_view(s).substr(0, end));
}

// Leading bytes 1 to 32 are skipped in ReadIni's arguments.
std::string WithoutLeadingControls(const Text& t) {
    std::size_t i = 0;
    while (i < t.size() && t.at(i) >= 1 && t.at(i) <= 32) ++i;
    return t.bytes().substr(i);
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

bool Store(const Text& file, const std::vector<std::string>& lines) {
    // A settings file may come to hold a password (a connection text): one
    // created here is readable by its owner only. An existing file keeps its
    // mode, unless what is written holds a password: then it is made readable
    // by its owner only before the password reaches it.
    const std::string path = file.toFileSystem();
    if (const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); fd >= 0) ::close(fd);
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    if (HoldsPassword(Text::fromBytes(out)) && ::chmod(path.c_str(), 0600) != 0) return false;
    return WriteFile(file, Bytes(out.begin(), out.end()));
}

}  // namespace

Text ReadIni(const Text& file, const Text& section, const Text& key, const Text& defaultValue) {
    std::string path = WithoutLeadingControls(file);
    std::string sectionName = WithoutLeadingControls(section);
    std::string keyName = WithoutLeadingControls(key);
    if (path.empty() || sectionName.empty() || keyName.empty()) return Text();
    sectionName = TrimmedBlanks(sectionName);
    keyName = TrimmedBlanks(keyName);

    auto content = ReadWholeFile(Text::fromBytes(path).toFileSystem());
    if (!content) return Bounded(defaultValue.bytes());
    std::vector<std::string> lines = LinesOf(*content);
    SectionSpan span = FindSection(lines, sectionName);
    std::string value;
    if (!span.found || FindKey(lines, span, keyName, nullptr, &value) == std::string::npos)
        return Bounded(defaultValue.bytes());
    return Bounded(Unquoted(value));
}

bool WriteIni(const Text& file, const Text& section, const std::optional<Text>& key, const std::optional<Text>& value) {
    std::string sectionName = TrimmedBlanks(section.bytes());
    if (file.empty() || sectionName.empty() || HasLineBreak(sectionName) ||
        FindChar(sectionName, ']') != std::string::npos)
        return false;
    std::string keyName;
    if (key) {
        keyName = TrimmedBlanks(key->bytes());
        if (keyName.empty() || HasLineBreak(keyName) || FindChar(keyName, '=') != std::string::npos ||
            keyName[0] == '[' || keyName[0] == ';')
            return false;
    }
    // A value is one line: a line break would start new keys or sections.
    std::string newValue;
    if (value) newValue = value->bytes().substr(0, value->bytes().find_first_of("\r\n"));

    bool missing = false;
    auto content = ReadWholeFile(file.toFileSystem(), &missing);
    if (!content && !missing) return false;  // unreadable or in use: never overwrite what we cannot read
    std::vector<std::string> lines = content ? LinesOf(*content) : std::vector<std::string>();
    SectionSpan span = FindSection(lines, sectionName);

    if (!key) {
        if (!span.found) return true;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(span.begin),
                    lines.begin() + static_cast<std::ptrdiff_t>(span.end));
        return Store(file, lines);
    }

    std::string fileKey;
    std::size_t keyLine = span.found ? FindKey(lines, span, keyName, &fileKey) : std::string::npos;
    if (!value) {
        if (keyLine == std::string::npos) return true;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(keyLine));
        return Store(file, lines);
    }

    if (keyLine != std::string::npos) {
        lines[keyLine] = fileKey + "=" + newValue;
    } else if (span.found) {
        // After the section's last non-blank line, so blank separators stay below it.
        std::size_t at = span.end;
        while (at > span.begin + 1 && TrimmedBlanks(lines[at - 1]).empty()) --at;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), keyName + "=" + newValue);
    } else {
        if (!lines.empty() && !TrimmedBlanks(lines.back()).empty()) lines.push_back("");
        lines.push_back("[" + sectionName + "]");
        lines.push_back(keyName + "=" + newValue);
    }
    return Store(file, lines);
}
