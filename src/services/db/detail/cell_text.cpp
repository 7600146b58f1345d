#include "services/db/detail/cell_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace dbdetail {

namespace {

void appendRaw(std::string& out, const void* data, std::size_t n) { out.append(static_cast<const char*>(data), n); }

template <class T>
T readRaw(const std::string& in, std::size_t& at) {
    T v;
    std::memcpy(&v, in.data() + at, sizeof v);
    at += sizeof v;
    return v;
}

// Skips one packed cell starting at `at`, or reads it when `out` is given.
void walkCell(const std::string& packed, std::size_t& at, Cell* out) {
    auto kind = static_cast<Cell::Kind>(packed[at++]);
    Cell c;
    c.kind = kind;
    switch (kind) {
    case Cell::Kind::Null: break;
    case Cell::Kind::Integer:
    case Cell::Kind::BlobSize: c.integer = readRaw<long long>(packed, at); break;
    case Cell::Kind::Boolean: c.integer = packed[at++] != 0; break;
    case Cell::Kind::Real:
    case Cell::Kind::Single: c.real = readRaw<double>(packed, at); break;
    case Cell::Kind::Text:
    case Cell::Kind::Date:
    case Cell::Kind::Blob: {
        auto n = readRaw<std::uint32_t>(packed, at);
        if (out) c.text.assign(packed, at, n);
        at += n;
        break;
    }
    }
    if (out) *out = std::move(c);
}

}  // namespace

void AppendCell(std::string& packed, const Cell& cell) {
    packed.push_back(static_cast<char>(cell.kind));
    switch (cell.kind) {
    case Cell::Kind::Null: break;
    case Cell::Kind::Integer:
    case Cell::Kind::BlobSize: appendRaw(packed, &cell.integer, sizeof cell.integer); break;
    case Cell::Kind::Boolean: packed.push_back(cell.integer ? 1 : 0); break;
    case Cell::Kind::Real:
    case Cell::Kind::Single: appendRaw(packed, &cell.real, sizeof cell.real); break;
    case Cell::Kind::Text:
    case Cell::Kind::Date:
    case Cell::Kind::Blob: {
        auto n = static_cast<std::uint32_t>(cell.text.size());
        appendRaw(packed, &n, sizeof n);
        packed += cell.text;
        break;
    }
    }
}

void AppendBytesCell(std::string& packed, Cell::Kind kind, const char* data, std::size_t size) {
    packed.push_back(static_cast<char>(kind));
    auto n = static_cast<std::uint32_t>(size);
    appendRaw(packed, &n, sizeof n);
    packed.append(data, size);
}

Cell CellAt(const std::string& packed, int column) {
    std::size_t at = 0;
    for (int i = 0; i < column && at < packed.size(); ++i) walkCell(packed, at, nullptr);
    Cell c;
    if (at < packed.size()) walkCell(packed, at, &c);
    return c;
}

std::string PackRow(const std::vector<Cell>& cells) {
    std::string packed;
    for (const auto& c : cells) AppendCell(packed, c);
    packed.shrink_to_fit();
    return packed;
}

std::string Source::quoteName(const std::string& name) const {
    std::string q = "\"";
    for (char ch : name) {
        if (ch == '"') q += '"';
        q += ch;
    }
    return q + "\"";
}

namespace {

// A real in fixed notation, whole however many digits it has (1e300 has 301).
Text FixedText(const char* format, double value) {
    const int length = std::snprintf(nullptr, 0, format, value);
    if (length <= 0) return Text();
    std::string out(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(out.data(), out.size(), format, value);
    out.resize(static_cast<std::size_t>(length));
    return Text::fromBytes(out);
}

}  // namespace

Text CellText(const Cell& cell) {
    char buf[32];
    switch (cell.kind) {
    case Cell::Kind::Null: return Text();
    case Cell::Kind::Integer:
        // Values beyond 32 bits are shown whole rather than cut to their low bits.
        std::snprintf(buf, sizeof buf, "%lld", cell.integer);
        return Text::fromBytes(buf);
    case Cell::Kind::Real: return FixedText("%.8f", cell.real);
    case Cell::Kind::Single: return FixedText("%.4f", cell.real);
    case Cell::Kind::Boolean: return Text::fromBytes(cell.integer ? "TRUE" : "FALSE");
    case Cell::Kind::Text:
    case Cell::Kind::Date: return Text::fromUtf8(cell.text);
    case Cell::Kind::Blob:
    case Cell::Kind::BlobSize: return Text::fromBytes("[BLOB]");
    }
    return Text::fromBytes("UN_KNOW");
}

namespace {

// Reads 1..maxDigits digits at `at`.
bool number(std::string_view s, std::size_t& at, int maxDigits, int& value) {
    std::size_t start = at;
    value = 0;
    while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])) && at - start < std::size_t(maxDigits))
        value = value * 10 + (s[at++] - '0');
    return at > start;
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

bool IsCanonicalDate(std::string_view s) {
    static constexpr std::string_view form = "0000-00-00 00:00:00";
    if (s.size() != form.size()) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (form[i] == '0' ? !std::isdigit(static_cast<unsigned char>(s[i])) : s[i] != form[i]) return false;
    }
    return true;
}

std::optional<std::string> NormalizedDate(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    std::size_t at = 0;
    int y, m, d, hh = 0, mm = 0, ss = 0;
    std::size_t yearStart = at;
    if (!number(s, at, 4, y) || at - yearStart != 4) return std::nullopt;
    if (at >= s.size() || (s[at] != '-' && s[at] != '/')) return std::nullopt;
    char sep = s[at++];
    if (!number(s, at, 2, m) || at >= s.size() || s[at++] != sep || !number(s, at, 2, d)) return std::nullopt;
    if (at < s.size()) {
        if (s[at] != ' ' && s[at] != 'T') return std::nullopt;
        while (at < s.size() && (s[at] == ' ' || s[at] == 'T')) ++at;
        if (!number(s, at, 2, hh) || at >= s.size() || s[at++] != ':' || !number(s, at, 2, mm)) return std::nullopt;
        if (at < s.size()) {
            if (s[at++] != ':' || !number(s, at, 2, ss)) return std::nullopt;
        }
        if (at != s.size()) return std::nullopt;
    }
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 100 || m < 1 || m > 12 || d < 1) return std::nullopt;
    if (d > days[m - 1] + (m == 2 && isLeap(y) ? 1 : 0)) return std::nullopt;
    if (hh > 23 || mm > 59 || ss > 59) return std::nullopt;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, hh, mm, ss);
    return std::string(buf);
}

std::vector<std::pair<long long, std::size_t>> AwaitKeyedRows(const long long* ids, std::size_t count,
                                                              std::vector<Row>& rows) {
    rows.assign(count, Row());
    std::vector<std::pair<long long, std::size_t>> wanted(count);
    for (std::size_t i = 0; i < count; ++i) {
        rows[i].rowid = ids[i];
        rows[i].gone = true;
        wanted[i] = {ids[i], i};
    }
    std::sort(wanted.begin(), wanted.end());
    return wanted;
}

}  // namespace dbdetail
