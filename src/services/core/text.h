#pragma once
// Text: the application's string type, a byte string in code page 936 (GBK).
// Lengths and positions count bytes. It is deliberately not std::string or
// QString, so that every crossing into UTF-8 or UTF-16 is an explicit call.

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>

class QString;

class Text {
public:
    Text() = default;

    // Raw GBK bytes, taken as they are.
    static Text fromBytes(std::string_view gbk) {
        Text t;
        t.bytes_.assign(gbk);
        return t;
    }
    static Text fromBytes(const char* data, std::size_t size) { return fromBytes(std::string_view(data, size)); }

    // UTF-8 in, GBK out; characters GBK lacks become "?", invalid UTF-8 bytes too.
    static Text fromUtf8(std::string_view utf8);
    // The same, counting in `lost` the characters that became "?" (those GBK
    // lacks and invalid UTF-8 sequences), so that a caller can report them.
    static Text fromUtf8(std::string_view utf8, int& lost);
    static Text fromQString(const QString& s);

    // GBK in, UTF-8/UTF-16 out; invalid GBK sequences become U+FFFD. Bytes a
    // file name carries (below) show as the characters they spell.
    std::string toUtf8() const;
    QString toQString() const;

    // File and folder names travel as the file system's own bytes, which need
    // be neither GBK nor even valid UTF-8. A name becomes a Text whose every
    // byte GBK cannot hold (each byte of a character GBK lacks, or of an
    // invalid sequence) is kept as one character of GBK's user-defined area,
    // which no converted text contains; toFileSystem gives the bytes back
    // exactly, so a name joined with "/" and a file name, cut at its last "/"
    // or kept in Peizhi.ini still names the same file.
    static Text fromFileSystem(std::string_view bytes);
    std::string toFileSystem() const;
    // The same for Qt's file classes and dialogs.
    static Text fromQFileName(const QString& name);
    QString toQFileName() const;

    const std::string& bytes() const { return bytes_; }
    std::string& bytes() { return bytes_; }
    const char* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    unsigned char at(std::size_t i) const { return static_cast<unsigned char>(bytes_[i]); }

    Text& operator+=(const Text& o) {
        bytes_ += o.bytes_;
        return *this;
    }
    friend Text operator+(Text a, const Text& b) {
        a += b;
        return a;
    }
    friend bool operator==(const Text&, const Text&) = default;
    friend std::strong_ordering operator<=>(const Text& a, const Text& b) { return a.bytes_ <=> b.bytes_; }

private:
    std::string bytes_;
};

// The one helper for literals in source: source files are UTF-8, so T("张三")
// converts the literal to GBK. Use it for every Chinese (or any) literal text.
inline Text T(std::string_view utf8) { return Text::fromUtf8(utf8); }

// Decimal text of an integer (plain ASCII, the same in GBK).
Text TextOf(long long n);

// Text spliced into an SQL literal: every single quote doubled, NUL bytes
// (which no SQL text can hold) dropped.
Text SqlQuoted(const Text& t);
