#include "attribution/lookup.h"

#include "attribution/carrier.h"
#include "attribution/mobile_number.h"
#include "services/core/core.h"
#include "services/db/record_set.h"
#include "services/net/fetch.h"
#include "ui/settings_address.h"

#include <QString>

namespace {

// Only the start of an answer is read: the attribution is near the top of a
// small page, and a huge answer is not worth decoding whole.
constexpr std::size_t kLongestAnswerRead = 64 * 1024;
// A region and a card type fit well within this many bytes.
constexpr std::size_t kLongestAttribution = 96;

// The service's answer carries the region between these two texts.
Text startMarker() { return T("卡号归属地：<em>"); }
Text endMarker() { return T("</em>   类型"); }

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

Text percentEncoded(const Text& t) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : t.bytes()) {
        if (isUnreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return Text::fromBytes(out);
}

// Composes each base character with the combining marks that follow it, so
// that "e" + U+0301 becomes the one character GBK has; everything else stays
// as it is (in particular compatibility ideographs are not replaced).
QString composeCombiningSequences(const QString& s) {
    QString out;
    out.reserve(s.size());
    qsizetype i = 0;
    while (i < s.size()) {
        qsizetype end = i + (s.at(i).isHighSurrogate() && i + 1 < s.size() ? 2 : 1);
        qsizetype marks = end;
        while (marks < s.size() && s.at(marks).category() == QChar::Mark_NonSpacing) ++marks;
        if (marks > end) out += s.mid(i, marks - i).normalized(QString::NormalizationForm_C);
        else out += s.mid(i, end - i);
        i = marks;
    }
    return out;
}

}  // namespace

Text attribution_service_address(const Text& settingsFile) {
    return ConfiguredAddress(settingsFile, kLookupSettingsSection, kLookupSettingsKey);
}

Text attribution_request(const Text& serviceAddress, const Text& number) {
    return serviceAddress + T("/api/mobile.php?m=") + percentEncoded(number) + T("&t=html");
}

Text offline_attribution(const Text& number, const CarrierSegments& segments) {
    const std::string digits = mainland_mobile_digits(number);
    if (digits.empty()) return Text();
    const OfflinePlace place = offline_place(digits);
    const Text carrier = segments.carrierOf(digits);
    if (!place.mobile && carrier.empty()) return Text();
    return attribution_text(place.region, carrier);
}

Text lookup_attribution(const Text& number, const Text& serviceAddress, std::stop_token cancel) {
    if (serviceAddress.empty()) return Text();
    const std::string digits = mainland_mobile_digits(number);
    if (digits.empty()) return Text();
    Bytes body = fetch_web_page(attribution_request(serviceAddress, Text::fromBytes(digits)), cancel);
    if (body.size() > kLongestAnswerRead) body.resize(kLongestAnswerRead);
    Text found = text_between(utf8_to_local_text(body), startMarker(), endMarker());
    return plausible_attribution(found) ? found : Text();
}

bool plausible_attribution(const Text& found) {
    if (found.empty() || found.size() > kLongestAttribution) return false;
    for (unsigned char c : found.bytes())
        if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '?') return false;
    return true;
}

Text utf8_to_local_text(const Bytes& body) {
    if (body.empty()) return Text();
    QString page = QString::fromUtf8(reinterpret_cast<const char*>(body.data()), static_cast<qsizetype>(body.size()));
    qsizetype nul = page.indexOf(QChar(u'\0'));
    if (nul >= 0) page.truncate(nul);
    return Text::fromQString(composeCombiningSequences(page));
}

Text text_between(const Text& text, const Text& startMarker, const Text& endMarker) {
    int start = FindText(text, startMarker);
    int end = FindText(text, endMarker);
    if (start < 1 || end < 1) return Text();
    int afterStart = start + TextLength(startMarker);
    if (end <= afterStart) return Text();
    return MidText(text, afterStart, end - afterStart);
}

Text attribution_of_current_contact(RecordSet& contacts, const CarrierSegments& segments) {
    Text stored = contacts.ReadText(T("归属地"));
    if (!stored.empty()) return stored;
    Text found = offline_attribution(contacts.ReadText(T("手机")), segments);
    // Stored now, not when the record set next moves: a reopen or a close
    // before that would drop it. A failed store still shows what was found;
    // the next display of the contact tries again.
    if (!found.empty()) (void)store_attribution(contacts, found);
    return found;
}

bool store_attribution(RecordSet& contacts, const Text& attribution) {
    return contacts.WriteText(T("归属地"), attribution) && contacts.Update();
}

Text attribution_status_text(const Text& attribution) {
    if (attribution.empty()) return Text();
    return T("      归属地：") + attribution;
}
