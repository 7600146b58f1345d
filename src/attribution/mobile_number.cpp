#include "attribution/mobile_number.h"

#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/locid.h>

#include <charconv>

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberOfflineGeocoder;
using i18n::phonenumbers::PhoneNumberUtil;

constexpr int kMainlandCountryCode = 86;
constexpr std::size_t kMobileDigits = 11;
// Longer than any way of writing a phone number; a longer text is not parsed at all.
constexpr std::size_t kLongestWrittenNumber = 48;

// Code page 936 full-width forms (lead byte A3) and the ideographic blank (A1 A1).
constexpr unsigned char kFullWidthLead = 0xA3;
constexpr unsigned char kFullWidthZero = 0xB0;
constexpr unsigned char kIdeographicBlankLead = 0xA1;

bool isSeparator(unsigned char c) { return c == ' ' || c == '\t' || c == '-' || c == '.' || c == '(' || c == ')'; }

// The ASCII form of a full-width character whose second byte is `trail`; 0 when it is none the number may hold.
unsigned char fromFullWidth(unsigned char trail) {
    if (trail >= kFullWidthZero && trail <= kFullWidthZero + 9)
        return static_cast<unsigned char>('0' + trail - kFullWidthZero);
    switch (trail) {
    case 0xAB: return '+';
    case 0xAD: return '-';
    case 0xA8: return '(';
    case 0xA9: return ')';
    case 0xAE: return '.';
    default: return 0;
    }
}

// The digits of the text with a leading "+" kept and separators dropped;
// empty when the text holds anything a phone number cannot.
std::string digitsWritten(const std::string& bytes) {
    std::string digits;
    bool plus = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) {
            if (i + 1 >= bytes.size()) return {};
            const auto trail = static_cast<unsigned char>(bytes[++i]);
            if (c == kIdeographicBlankLead && trail == kIdeographicBlankLead) continue;
            c = c == kFullWidthLead ? fromFullWidth(trail) : 0;
            if (c == 0) return {};
        }
        if (c >= '0' && c <= '9') {
            digits += static_cast<char>(c);
        } else if (c == '+') {
            if (plus || !digits.empty()) return {};
            plus = true;
        } else if (!isSeparator(c)) {
            return {};
        }
    }
    if (digits.empty()) return {};
    return plus ? "+" + digits : digits;
}

bool isMobileForm(std::string_view digits) { return digits.size() == kMobileDigits && digits.front() == '1'; }

const icu::Locale& chinese() {
    static const icu::Locale zh("zh");
    return zh;
}

const PhoneNumberOfflineGeocoder& geocoder() {
    static const PhoneNumberOfflineGeocoder instance;
    return instance;
}

// What the geocoder says when it knows no more than the country ("中国").
const std::string& countryName() {
    static const std::string name = [] {
        PhoneNumber any;
        any.set_country_code(kMainlandCountryCode);
        any.set_national_number(13800000000ULL);
        // Asked for a user elsewhere, it names the number's country.
        return geocoder().GetDescriptionForValidNumber(any, chinese(), "ZZ");
    }();
    return name;
}

}  // namespace

std::string mainland_mobile_digits(const Text& number) {
    if (number.size() > kLongestWrittenNumber) return {};
    const std::string written = digitsWritten(number.bytes());
    if (written.empty()) return {};
    // The usual form needs no parsing.
    if (isMobileForm(written)) return written;
    PhoneNumber parsed;
    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    if (util.Parse(written, "CN", &parsed) != PhoneNumberUtil::NO_PARSING_ERROR) return {};
    if (parsed.country_code() != kMainlandCountryCode || parsed.italian_leading_zero()) return {};
    std::string national = std::to_string(parsed.national_number());
    return isMobileForm(national) ? national : std::string();
}

void prepare_offline_attribution() { (void)offline_place("13800000000"); }

OfflinePlace offline_place(std::string_view digits) {
    if (!isMobileForm(digits)) return {};
    std::uint64_t value = 0;
    if (std::from_chars(digits.data(), digits.data() + digits.size(), value).ptr != digits.data() + digits.size())
        return {};
    PhoneNumber number;
    number.set_country_code(kMainlandCountryCode);
    number.set_national_number(value);
    const PhoneNumberUtil::PhoneNumberType type = PhoneNumberUtil::GetInstance()->GetNumberType(number);
    if (type != PhoneNumberUtil::MOBILE && type != PhoneNumberUtil::FIXED_LINE_OR_MOBILE) return {};
    std::string region = geocoder().GetDescriptionForValidNumber(number, chinese());
    if (region == countryName()) region.clear();
    return {true, Text::fromUtf8(region)};
}

Text attribution_text(const Text& region, const Text& carrier) {
    if (region.empty()) return carrier;
    if (carrier.empty()) return region;
    return region + Text::fromBytes(" ") + carrier;
}
