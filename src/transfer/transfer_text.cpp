#include "transfer/transfer_text.h"

#include "services/core/core.h"
#include "services/window/window.h"

#include <QString>

#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Optional sign, digits, a point, then nothing but zeros (at least three).
bool IsWholeNumberWithZeroFraction(const std::string& s, std::size_t point) {
    std::size_t start = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    if (point <= start) return false;
    for (std::size_t i = start; i < point; ++i)
        if (!IsDigit(s[i])) return false;
    if (s.size() - point - 1 < 3) return false;
    for (std::size_t i = point + 1; i < s.size(); ++i)
        if (s[i] != '0') return false;
    return true;
}

// "YYYY-MM-DD" in the first ten bytes.
bool StartsWithDate(const std::string& s) {
    if (s.size() < 10) return false;
    for (std::size_t i = 0; i < 10; ++i) {
        if (i == 4 || i == 7) {
            if (s[i] != '-') return false;
        } else if (!IsDigit(s[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

Text NormaliseSheetCell(const Text& cell) {
    std::string s = cell.bytes();
    const std::size_t point = s.find('.');
    if (point != std::string::npos && IsWholeNumberWithZeroFraction(s, point)) s.resize(point);
    if (s.size() == 19 && StartsWithDate(s) && s[10] == ' ' && s.compare(11, 8, "00:00:00") == 0) s.resize(10);
    return Text::fromBytes(s);
}

std::optional<Text> PhotoFileName(const Text& folder, const Text& mobile) {
    const std::string& m = mobile.bytes();
    if (m.empty() || m == "." || m == ".." || m.find('/') != std::string::npos || m.find('\0') != std::string::npos)
        return std::nullopt;
    return folder + mobile + T(".bmp");
}

Text FolderOf(const Text& fileName) {
    const int slash = FindTextReverse(fileName, T("/"));
    return slash > 0 ? LeftText(fileName, slash) : Text();
}

namespace {

Text CutAtEndOfFileMark(Text text) {
    const std::size_t mark = text.bytes().find('\x1A');
    if (mark != std::string::npos) text.bytes().resize(mark);
    return text;
}

bool HasPrefix(const Bytes& b, std::initializer_list<unsigned char> prefix) {
    return b.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), b.begin());
}

// The text after the byte order mark; nothing when a unit is zero: a text
// holds no NUL character, so the file is not text (the zero-byte test of
// the single-byte encodings, made on characters).
std::optional<Text> FromUtf16(const Bytes& b, bool littleEndian) {
    QString s;
    s.reserve(static_cast<qsizetype>((b.size() - 2) / 2));
    for (std::size_t i = 2; i + 1 < b.size(); i += 2) {
        const char16_t unit = littleEndian ? char16_t(b[i] | (b[i + 1] << 8)) : char16_t((b[i] << 8) | b[i + 1]);
        if (unit == 0) return std::nullopt;
        s.append(QChar(unit));
    }
    return Text::fromQString(s);
}

DecodedTextFile FromUtf16File(const Bytes& b, bool littleEndian) {
    auto text = FromUtf16(b, littleEndian);
    if (!text) return {Text(), true};
    return {CutAtEndOfFileMark(std::move(*text)), false};
}

bool HasNonAscii(std::string_view bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

}  // namespace

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates, nothing above U+10FFFF, no sequence cut short at the end.
bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            code = c & 0x07;
        } else return false;
        if (i + length > bytes.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            code = (code << 6) | (t & 0x3F);
        }
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

DecodedTextFile DecodeTextFile(const Bytes& bytes) {
    if (HasPrefix(bytes, {0xFF, 0xFE})) return FromUtf16File(bytes, true);
    if (HasPrefix(bytes, {0xFE, 0xFF})) return FromUtf16File(bytes, false);
    std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (raw.find('\0') != std::string_view::npos) return {Text(), true};
    const bool bom = HasPrefix(bytes, {0xEF, 0xBB, 0xBF});
    if (bom) raw.remove_prefix(3);
    const std::size_t mark = raw.find('\x1A');
    if (mark != std::string_view::npos) raw = raw.substr(0, mark);
    if (bom || (HasNonAscii(raw) && IsValidUtf8(raw))) return {Text::fromUtf8(raw), false};
    return {Text::fromBytes(raw), false};
}

Text EditBoxText(const Control& box) {
    const std::string plain = box.text().bytes();
    std::string out;
    out.reserve(plain.size() + plain.size() / 16);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const char c = plain[i];
        if (c == '\n' && (i == 0 || plain[i - 1] != '\r')) out += '\r';
        out += c;
    }
    return Text::fromBytes(out);
}
