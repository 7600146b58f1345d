#include "services/core/text.h"

#include <QString>
#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace {

// One iconv descriptor per direction and thread: iconv_t is not thread-safe,
// and the attribution worker converts texts too.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() { if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_); }
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

Converter& utf8ToGbk() { thread_local Converter c("GBK", "UTF-8"); return c; }
Converter& gbkToUtf8() { thread_local Converter c("UTF-8", "GBK"); return c; }

// Length of the UTF-8 sequence starting at s (at least 1, at most what is left).
size_t utf8SequenceLength(std::string_view s) {
    unsigned char c = static_cast<unsigned char>(s[0]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    size_t i = 1;
    while (i < n && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    return i;
}

} // namespace

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
    return gbkToUtf8().run(bytes_, [](std::string_view rest) {
        // A lead byte takes its trail byte with it, unless that is ASCII.
        unsigned char c = static_cast<unsigned char>(rest[0]);
        size_t skip = (c >= 0x81 && rest.size() >= 2 && static_cast<unsigned char>(rest[1]) >= 0x40) ? 2 : 1;
        return std::pair<size_t, std::string>(skip, "\xEF\xBF\xBD");
    });
}

Text Text::fromQString(const QString& s) {
    QByteArray u = s.toUtf8();
    return fromUtf8(std::string_view(u.constData(), static_cast<size_t>(u.size())));
}

QString Text::toQString() const {
    std::string u = toUtf8();
    return QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size()));
}

Text TextOf(long long n) { return Text::fromBytes(std::to_string(n)); }

Text SqlQuoted(const Text& t) {
    std::string out;
    out.reserve(t.size());
    for (char c : t.bytes()) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return Text::fromBytes(out);
}
