#include "attribution/lookup.h"

#include "services/core/core.h"
#include "services/db/record_set.h"
#include "services/net/fetch.h"
#include "ui/settings_address.h"

#include <QString>

namespace {

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
        if (marks > end)
            out += s.mid(i, marks - i).normalized(QString::NormalizationForm_C);
        else
            out += s.mid(i, end - i);
        i = marks;
    }
    return out;
}

} // namespace

Text attribution_service_address(const Text& settingsFile) {
    return ConfiguredAddress(settingsFile, kLookupSettingsSection, kLookupSettingsKey);
}

Text attribution_request(const Text& serviceAddress, const Text& number) {
    return serviceAddress + T("/api/mobile.php?m=") + percentEncoded(number) + T("&t=html");
}

Text lookup_attribution(const Text& number, const Text& serviceAddress, std::stop_token cancel) {
    if (LeftText(number, 1) != T("1") || TextLength(number) != 11) return Text();
    if (serviceAddress.empty()) return Text();
    Bytes body = fetch_web_page(attribution_request(serviceAddress, number), cancel);
    return text_between(utf8_to_local_text(body), startMarker(), endMarker());
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

Text attribution_of_current_contact(RecordSet& contacts, const Text& serviceAddress) {
    Text stored = contacts.ReadText(T("归属地"));
    if (!stored.empty()) return stored;
    Text found = lookup_attribution(contacts.ReadText(T("手机")), serviceAddress);
    // Stored now, not when the record set next moves: a reopen or a close
    // before that would drop it. A failed store still shows what was found;
    // the next display of the contact tries again.
    if (!found.empty() && contacts.WriteText(T("归属地"), found)) (void)contacts.Update();
    return found;
}

Text attribution_status_text(const Text& attribution) {
    if (attribution.empty()) return Text();
    return T("      归属地：") + attribution;
}
