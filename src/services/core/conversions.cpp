// Conversions between the simple values and texts: ToText, ToInteger and
// FormatNumber.

#include "services/core/core.h"
#include "services/core/gbk_walk.h"
#include "services/core/value_bytes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

namespace {

// Widest decimals a formatted number is padded to: far beyond any double's
// precision, and small enough that a huge count cannot exhaust memory.
constexpr int kMaxPaddedDecimals = 340;

template <class... Args>
Text Printed(const char* format, Args... args) {
    char buffer[512];
    int n = std::snprintf(buffer, sizeof buffer, format, args...);
    if (n < 0) return Text();
    return Text::fromBytes(buffer, static_cast<std::size_t>(std::min<int>(n, sizeof buffer - 1)));
}

struct CivilTime {
    int year, month, day, hour, minute, second;
};

// Civil date of a day count since 1970-01-01 (proleptic Gregorian calendar).
void CivilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// The date form counts whole days from 1899-12-30; the fraction is the time
// of day whatever the sign (-1.25 is 1899-12-29 06:00).
CivilTime CivilFromDateTime(DateTime value) {
    double days = ClampedDays(value.days);
    double whole = std::trunc(days);
    long long seconds = std::llround(std::fabs(days - whole) * 86400.0);
    long long dayNumber = static_cast<long long>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++dayNumber;
    }
    CivilTime c{};
    CivilFromDays(dayNumber - 25569, c.year, c.month, c.day);
    c.hour = static_cast<int>(seconds / 3600);
    c.minute = static_cast<int>(seconds / 60 % 60);
    c.second = static_cast<int>(seconds % 60);
    return c;
}

Text DateTimeText(DateTime value) {
    CivilTime c = CivilFromDateTime(value);
    Text out = TextOf(c.year) + T("年") + TextOf(c.month) + T("月") + TextOf(c.day) + T("日");
    if (c.second != 0) return out + TextOf(c.hour) + T("时") + TextOf(c.minute) + T("分") + TextOf(c.second) + T("秒");
    if (c.minute != 0) return out + TextOf(c.hour) + T("时") + TextOf(c.minute) + T("分");
    if (c.hour != 0) return out + TextOf(c.hour) + T("时");
    return out;
}

Text UpToFirstZero(const Bytes& b) {
    std::size_t n = 0;
    while (n < b.size() && b[n] != 0) ++n;
    return Text::fromBytes(reinterpret_cast<const char*>(b.data()), n);
}

// Full-width ASCII, the full-width space and a few marks become their ASCII
// forms, so that numbers typed with a Chinese input method still read.
std::string NormalisedForNumber(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = gbk::CharLength(s, i);
        if (n == 2) {
            auto lead = static_cast<unsigned char>(s[i]);
            auto trail = static_cast<unsigned char>(s[i + 1]);
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                out += static_cast<char>(trail - 0x80);
            } else if (lead == 0xA1 && trail == 0xA1) {
                out += ' ';
            } else if (lead == 0xA1 && trail == 0xAB) {
                out += '~';
            } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
                out += '*';
            } else {
                out.append(s, i, 2);
            }
        } else {
            out += s[i];
        }
        i += n;
    }
    return out;
}

int DecimalPrefix(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > 1LL + INT_MAX) value = 1LL + INT_MAX;  // saturate; digits keep coming
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Truncation toward zero, saturated, so that out-of-range doubles and NaN
// give a defined integer.
int Truncated(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 2147483647.0) return INT_MAX;
    if (d <= -2147483648.0) return INT_MIN;
    return static_cast<int>(d);
}

double RoundedHalfAwayFromZero(double number, int decimals) {
    if (number == 0 || !std::isfinite(number)) return number;
    double magnitude = std::fabs(number);
    double scale = std::pow(10.0, std::fabs(static_cast<double>(decimals)));
    double scaled;
    if (decimals >= 0) {
        scaled = magnitude * scale;
        // Beyond 2^53 a double holds no fraction: nothing to round.
        if (!std::isfinite(scaled) || scaled >= 9007199254740992.0) return number;
    } else {
        if (!std::isfinite(scale)) return 0;
        scaled = magnitude / scale;
    }
    scaled += 1e-12;
    double whole = std::floor(scaled);
    if (scaled - whole >= 0.5) whole += 1;
    double result = decimals >= 0 ? whole / scale : whole * scale;
    return number < 0 ? -result : result;
}

bool IsPlainDecimal(const std::string& s) {
    std::size_t i = (!s.empty() && s[0] == '-') ? 1 : 0;
    if (i >= s.size()) return false;
    int points = 0;
    for (; i < s.size(); ++i) {
        if (s[i] == '.') {
            if (++points > 1) return false;
        } else if (s[i] < '0' || s[i] > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

Text ToText(const Value& v) {
    struct Visitor {
        Text operator()(std::uint8_t x) const { return Printed("%u", static_cast<unsigned>(x)); }
        Text operator()(std::int16_t x) const { return Printed("%d", static_cast<int>(x)); }
        Text operator()(std::int32_t x) const { return Printed("%d", x); }
        Text operator()(std::int64_t x) const { return Printed("%lld", static_cast<long long>(x)); }
        Text operator()(float x) const { return Printed("%.6g", static_cast<double>(x)); }
        Text operator()(double x) const { return Printed("%.13g", x); }
        Text operator()(bool x) const { return x ? T("真") : T("假"); }
        Text operator()(DateTime x) const { return DateTimeText(x); }
        Text operator()(Subroutine) const { return Text(); }
        Text operator()(const Text& x) const { return x; }
        Text operator()(const Bytes& x) const { return UpToFirstZero(x); }
        Text operator()(const NumberArray& x) const { return UpToFirstZero(StoredBytes(x)); }
        Text operator()(OtherArray) const { return Text(); }
    };
    return std::visit(Visitor{}, v);
}

int ToInteger(const Value& v) {
    struct Visitor {
        int operator()(std::uint8_t x) const { return x; }
        int operator()(std::int16_t x) const { return x; }
        int operator()(std::int32_t x) const { return x; }
        int operator()(std::int64_t x) const { return static_cast<std::int32_t>(static_cast<std::uint32_t>(x)); }
        int operator()(float x) const { return Truncated(x); }
        int operator()(double x) const { return Truncated(x); }
        int operator()(bool x) const { return x ? 1 : 0; }
        int operator()(DateTime) const { return 0; }
        int operator()(Subroutine x) const { return static_cast<std::int32_t>(x.address); }
        int operator()(const Text& x) const { return DecimalPrefix(NormalisedForNumber(x.bytes())); }
        int operator()(const Bytes&) const { return 0; }
        int operator()(const NumberArray&) const { return 0; }
        int operator()(OtherArray) const { return 0; }
    };
    return std::visit(Visitor{}, v);
}

Text FormatNumber(double number, std::optional<int> decimals, bool separators) {
    if (decimals) number = RoundedHalfAwayFromZero(number, *decimals);
    number += 0.0;  // no "-0" after rounding a small negative number
    std::string s = Printed("%.13g", number).bytes();

    // Padding only applies to plain decimals: "1e+20" or "inf" would be
    // corrupted by appended zeros.
    if (decimals && *decimals > 0 && IsPlainDecimal(s)) {
        std::size_t wanted = static_cast<std::size_t>(std::min(*decimals, kMaxPaddedDecimals));
        std::size_t point = s.find('.');
        if (point == std::string::npos) {
            s += '.';
            point = s.size() - 1;
        }
        std::size_t have = s.size() - point - 1;
        if (have < wanted) s.append(wanted - have, '0');
    }

    if (separators && IsPlainDecimal(s)) {
        std::size_t digitsStart = s[0] == '-' ? 1 : 0;
        std::size_t wholeEnd = s.find('.');
        if (wholeEnd == std::string::npos) wholeEnd = s.size();
        std::string grouped = s.substr(0, digitsStart);
        for (std::size_t i = digitsStart; i < wholeEnd; ++i) {
            if (i > digitsStart && (wholeEnd - i) % 3 == 0) grouped += ',';
            grouped += s[i];
        }
        grouped += s.substr(wholeEnd);
        s = grouped;
    }
    return Text::fromBytes(s);
}
