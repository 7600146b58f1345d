#include "services/core/text.h"

#include "services/core/gbk_walk.h"

#include <iconv.h>
#include <QFile>
#include <QString>

#include <cerrno>
#include <mutex>
#include <optional>

namespace {

// One iconv descriptor per direction and thread: iconv_t is not thread-safe,
// and the attribution worker converts texts too.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts one whole input; `bad` is called at every position iconv
    // refuses, and returns how many input bytes to skip and what to emit.
    template <class OnBad>
    std::string run(std::string_view in, OnBad bad) {
        std::string out;
        if (in.empty()) return out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t left = in.size();
        char buf[4096];
        while (left > 0) {
            char* dst = buf;
            size_t room = sizeof buf;
            size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (truncated sequence at the end)
            auto [skip, replacement] = bad(std::string_view(src, left));
            out += replacement;
            src += skip;
            left -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

Converter& utf8ToGbk() {
    thread_local Converter c("GBK", "UTF-8");
    return c;
}
Converter& gbkToUtf8() {
    thread_local Converter c("UTF-8", "GBK");
    return c;
}

// Length of the UTF-8 sequence starting at s (at least 1, at most what is left).
size_t utf8SequenceLength(std::string_view s) {
    unsigned char c = static_cast<unsigned char>(s[0]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    size_t i = 1;
    while (i < n && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    return i;
}

// Length of the well-formed UTF-8 sequence at the start of s; 0 when there
// is none (a stray byte, an overlong form, a surrogate, beyond U+10FFFF).
size_t wellFormedUtf8Length(std::string_view s) {
    auto at = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = at(0);
    if (c < 0x80) return 1;
    size_t n;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
    else return 0;
    if (s.size() < n || at(1) < low || at(1) > high) return 0;
    for (size_t i = 2; i < n; ++i)
        if ((at(i) & 0xC0) != 0x80) return 0;
    return n;
}

// A file-name byte GBK cannot hold (0x80-0xFF) is kept as the user-defined
// character 0xAA + (b - 0x80) / 64, 0xA1 + (b - 0x80) % 64; the converter
// neither produces nor accepts that area, so no other text contains it.
constexpr unsigned char kEscapeLead = 0xAA;
constexpr unsigned char kEscapeTrail = 0xA1;

void appendEscaped(std::string& out, unsigned char b) {
    out += static_cast<char>(kEscapeLead + (b - 0x80) / 64);
    out += static_cast<char>(kEscapeTrail + (b - 0x80) % 64);
}

// The byte an escape at the start of s stands for, or -1.
int escapedByte(std::string_view s) {
    if (s.size() < 2) return -1;
    const unsigned lead = static_cast<unsigned char>(s[0]);
    const unsigned trail = static_cast<unsigned char>(s[1]);
    if (lead < kEscapeLead || lead > kEscapeLead + 1 || trail < kEscapeTrail || trail >= kEscapeTrail + 64) return -1;
    return static_cast<int>(0x80 + (lead - kEscapeLead) * 64 + (trail - kEscapeTrail));
}

const std::string kReplacement = "\xEF\xBF\xBD";

// What iconv refused at the start of a GBK text: escaped bytes as the bytes
// they stand for (with `exact`), or as the characters they spell, U+FFFD for
// a byte that spells none; anything else is one U+FFFD per character.
std::pair<size_t, std::string> unconvertedGbk(std::string_view rest, bool exact) {
    std::string raw;
    size_t skip = 0;
    for (int b; (b = escapedByte(rest.substr(skip))) >= 0; skip += 2) raw += static_cast<char>(b);
    if (skip == 0) return {gbk::CharLength(rest, 0), kReplacement};
    if (exact) return {skip, raw};
    std::string shown;
    for (size_t i = 0; i < raw.size();) {
        const size_t n = wellFormedUtf8Length(std::string_view(raw).substr(i));
        shown += n ? raw.substr(i, n) : kReplacement;
        i += n ? n : 1;
    }
    return {skip, shown};
}

}  // namespace

Text Text::fromUtf8(std::string_view utf8) {
    int lost = 0;
    return fromUtf8(utf8, lost);
}

Text Text::fromUtf8(std::string_view utf8, int& lost) {
    lost = 0;
    return fromBytes(utf8ToGbk().run(utf8, [&lost](std::string_view rest) {
        ++lost;
        return std::pair<size_t, std::string>(utf8SequenceLength(rest), "?");
    }));
}

std::string Text::toUtf8() const {
    return gbkToUtf8().run(bytes_, [](std::string_view rest) { return unconvertedGbk(rest, false); });
}

Text Text::fromQString(const QString& s) {
    QByteArray u = s.toUtf8();
    return fromUtf8(std::string_view(u.constData(), static_cast<size_t>(u.size())));
}

QString Text::toQString() const {
    std::string u = toUtf8();
    return QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size()));
}

namespace {

// The GBK bytes of one well-formed UTF-8 character, when GBK holds it and
// gives the very same character back; nullopt otherwise.
std::optional<std::string> gbkOfCharacter(std::string_view character) {
    bool refused = false;
    auto refuse = [&refused](std::string_view rest) {
        refused = true;
        return std::pair<size_t, std::string>(rest.size(), std::string());
    };
    const std::string inGbk = utf8ToGbk().run(character, refuse);
    if (refused || inGbk.empty() || gbkToUtf8().run(inGbk, refuse) != character || refused) return std::nullopt;
    return inGbk;
}

}  // namespace

// Character by character, so that one character GBK lacks leaves the others
// readable.
Text Text::fromFileSystem(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const size_t n = c < 0x80 ? 1 : wellFormedUtf8Length(bytes.substr(i));
        if (n == 0) {  // a byte that starts no character
            appendEscaped(out, c);
            ++i;
            continue;
        }
        const std::string_view character = bytes.substr(i, n);
        if (n == 1) {
            out += character;
        } else if (auto inGbk = gbkOfCharacter(character)) {
            out += *inGbk;
        } else {
            for (char b : character) appendEscaped(out, static_cast<unsigned char>(b));
        }
        i += n;
    }
    return fromBytes(out);
}

std::string Text::toFileSystem() const {
    return gbkToUtf8().run(bytes_, [](std::string_view rest) { return unconvertedGbk(rest, true); });
}

Text Text::fromQFileName(const QString& name) {
    const QByteArray bytes = QFile::encodeName(name);
    return fromFileSystem(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

QString Text::toQFileName() const {
    const std::string bytes = toFileSystem();
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

Text TextOf(long long n) { return Text::fromBytes(std::to_string(n)); }

Text SqlQuoted(const Text& t) {
    std::string out;
    out.reserve(t.size());
    for (char c : t.bytes()) {
        // An SQL text cannot hold a NUL byte: the statement would end there.
        if (c == '\0') continue;
        out += c;
        if (c == '\'') out += '\'';
    }
    return Text::fromBytes(out);
}
