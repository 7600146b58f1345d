#include "transfer/vcard.h"

#include "transfer/exchange_text.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <vector>

namespace {

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && Upper(s.substr(0, prefix.size())) == prefix;
}

std::string_view TrimmedView(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The physical lines of the file, without their ends (CRLF, LF or CR).
std::vector<std::string_view> PhysicalLines(std::string_view file) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] != '\r' && file[i] != '\n') continue;
        lines.push_back(file.substr(start, i - start));
        if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < file.size()) lines.push_back(file.substr(start));
    return lines;
}

bool IsQuotedPrintable(std::string_view line) {
    const std::size_t colon = line.find(':');
    return Upper(line.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
}

// Folded lines joined: a line starting with a blank or a tab continues the
// one before it; otherwise a quoted-printable value ending in "=" (a soft
// line break) continues on the next line whatever that starts with.
std::vector<std::string> LogicalLines(std::string_view file) {
    std::vector<std::string> lines;
    bool softBreak = false;
    for (std::string_view line : PhysicalLines(file)) {
        // A fold comes first: writers that fold quoted-printable values may
        // cut right after an "=" that begins an escape.
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty()) {
            lines.back().append(line.substr(1));
        } else if (softBreak && !lines.empty()) {
            lines.back().pop_back();  // the "="
            lines.back().append(line);
        } else if (line.empty()) {
            softBreak = false;
            continue;
        } else {
            lines.emplace_back(line);
        }
        softBreak = !lines.back().empty() && lines.back().back() == '=' && IsQuotedPrintable(lines.back());
    }
    return lines;
}

struct Property {
    std::string name;                                        // upper case, group removed
    std::map<std::string, std::vector<std::string>> params;  // upper-case names; TYPE values upper case
    std::string value;                                       // raw, still encoded
    bool has(const std::string& param, const std::string& value) const {
        auto it = params.find(param);
        return it != params.end() && std::find(it->second.begin(), it->second.end(), value) != it->second.end();
    }
    std::string first(const std::string& param) const {
        auto it = params.find(param);
        return it == params.end() || it->second.empty() ? std::string() : it->second.front();
    }
};

// Splits at `separator` outside double quotes.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view s, char separator) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') quoted = !quoted;
        else if (s[i] == separator && !quoted) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(s.substr(start));
    return parts;
}

std::optional<Property> ParseProperty(std::string_view line) {
    bool quoted = false;
    std::size_t colon = std::string_view::npos;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon == std::string_view::npos) return std::nullopt;
    Property p;
    p.value = std::string(line.substr(colon + 1));
    const auto head = SplitOutsideQuotes(line.substr(0, colon), ';');
    std::string_view name = TrimmedView(head[0]);
    if (const auto dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
    p.name = Upper(name);
    for (std::size_t i = 1; i < head.size(); ++i) {
        std::string_view param = TrimmedView(head[i]);
        if (param.empty()) continue;
        const auto equals = param.find('=');
        std::string key =
            equals == std::string_view::npos ? std::string() : Upper(TrimmedView(param.substr(0, equals)));
        std::string_view values = equals == std::string_view::npos ? param : param.substr(equals + 1);
        if (key.empty()) {
            // 2.1 writes bare parameters: "TEL;CELL;VOICE", "PHOTO;BASE64;JPEG".
            const std::string bare = Upper(values);
            key = (bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "B" || bare == "8BIT" || bare == "7BIT")
                      ? "ENCODING"
                      : "TYPE";
        }
        for (std::string_view v : SplitOutsideQuotes(values, ',')) {
            v = TrimmedView(v);
            if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
            // Quoted TYPE lists ("cell,voice") split too.
            for (std::string_view part : SplitOutsideQuotes(v, ','))
                p.params[key].push_back(key == "CHARSET" || key == "ENCODING" || key == "TYPE" || key == "VALUE"
                                            ? Upper(TrimmedView(part))
                                            : std::string(TrimmedView(part)));
        }
    }
    return p;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string QuotedPrintableDecoded(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '=' && i + 2 < s.size()) {
            const int high = HexDigit(s[i + 1]), low = HexDigit(s[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// Splits a text value at unescaped `separator`s and removes the escapes.
std::vector<std::string> UnescapedParts(std::string_view s, char separator) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            const char next = s[++i];
            parts.back() += (next == 'n' || next == 'N') ? '\n' : next;
        } else if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::string Unescaped(std::string_view s) {
    std::string out;
    for (const auto& part : UnescapedParts(s, '\0')) out += part;
    return out;
}

// A card being read: its properties and why it failed, if it did.
class CardReader {
public:
    explicit CardReader(int number) : number_(number) {}

    void take(const std::string& line) {
        if (!failure_.empty()) return;
        std::optional<Property> p = ParseProperty(line);
        if (!p) return;  // not a property line: ignored, as readers do
        if (p->name == "VERSION") version_ = std::string(TrimmedView(p->value));
        properties_.push_back(std::move(*p));
    }

    void fail(const std::string& why) {
        if (failure_.empty()) failure_ = why;
    }

    // The contact, or nothing with the reason added to `result`.
    void finish(ReadContacts& result) {
        ContactDraft draft;
        std::vector<std::string> photoProblems;
        if (failure_.empty()) {
            for (const Property& p : properties_) {
                apply(p, draft, photoProblems);
                if (!failure_.empty()) break;
            }
        }
        if (failure_.empty()) {
            const bool named = !draft.formattedName.empty() || !draft.family.empty() || !draft.given.empty();
            const bool numbered = std::any_of(draft.numbers.begin(), draft.numbers.end(),
                                              [](const auto& n) { return !TrimmedView(n.number).empty(); });
            if (!named && !numbered) failure_ = "既没有姓名也没有号码";
        }
        if (!failure_.empty()) {
            ++result.failed;
            result.problems.push_back(label() + failure_);
            return;
        }
        for (const auto& why : photoProblems) result.problems.push_back(label() + why);
        result.contacts.push_back(ContactFromDraft(draft));
    }

private:
    std::string label() const { return "第 " + std::to_string(number_) + " 张名片："; }

    // The value as text in UTF-8: quoted-printable decoded, the charset converted.
    std::optional<std::string> textOf(const Property& p) {
        std::string bytes = p.has("ENCODING", "QUOTED-PRINTABLE") ? QuotedPrintableDecoded(p.value) : p.value;
        const std::string charset = p.first("CHARSET");
        if (!charset.empty()) {
            if (auto text = ConvertedToUtf8(bytes, charset)) return text;
            fail("无法按 " + charset + " 解码 " + p.name + " 的值");
            return std::nullopt;
        }
        if (IsValidUtf8(bytes)) return bytes;
        // Old phones write 2.1 cards in their own code page without saying so.
        if (version_ == "2.1")
            if (auto text = ConvertedToUtf8(bytes, "GB18030")) return text;
        fail(p.name + " 的值不是有效的 UTF-8 文本");
        return std::nullopt;
    }

    void apply(const Property& p, ContactDraft& d, std::vector<std::string>& photoProblems) {
        if (p.name == "PHOTO") {
            readPhoto(p, d, photoProblems);
            return;
        }
        if (p.name == "BEGIN" || p.name == "END" || p.name == "VERSION") return;
        auto text = textOf(p);
        if (!text) return;
        const std::string& v = *text;
        if (p.name == "FN") {
            d.formattedName = Unescaped(v);
        } else if (p.name == "N") {
            auto parts = UnescapedParts(v, ';');
            parts.resize(std::max<std::size_t>(parts.size(), 3));
            d.family = parts[0];
            d.given = parts[1];
            d.middle = parts[2];
        } else if (p.name == "TEL") {
            ContactDraft::Number n;
            n.number = Unescaped(v);
            if (StartsWithNoCase(n.number, "TEL:")) n.number = n.number.substr(4);
            for (const auto& type : p.params.count("TYPE") ? p.params.at("TYPE") : std::vector<std::string>{}) {
                if (type == "PREF" || type.empty()) continue;
                n.typed = true;
                if (type == "CELL" || type == "MOBILE" || type == "IPHONE") n.mobile = true;
                if (type == "FAX" || type == "PAGER") n.fax = true;
            }
            if (n.mobile || p.has("TYPE", "VOICE")) n.fax = false;
            d.numbers.push_back(n);
        } else if (p.name == "EMAIL") {
            d.emails.push_back(Unescaped(v));
        } else if (p.name == "ADR") {
            d.addresses.push_back(AddressText(UnescapedParts(v, ';')));
        } else if (p.name == "BDAY") {
            d.birthday = Unescaped(v);
        } else if (p.name == "NOTE") {
            d.note += (d.note.empty() ? "" : "\n") + Unescaped(v);
        } else if (p.name == "CATEGORIES") {
            for (auto& group : UnescapedParts(v, ',')) d.groups.push_back(group);
        } else if (p.name == "X-QQ") {
            d.qqs.push_back(Unescaped(v));
        } else if (p.name == "IMPP" || p.name == "X-IMPP") {
            const std::string address = Unescaped(v);
            if (StartsWithNoCase(address, "QQ:")) d.qqs.push_back(address.substr(3));
            else if (StartsWithNoCase(address, "X-QQ:")) d.qqs.push_back(address.substr(5));
        } else if (p.name == "GENDER" || p.name == "X-GENDER") {
            d.gender = UnescapedParts(v, ';')[0];
        } else if (p.name == "ORG") {
            std::string org;
            for (const auto& part : UnescapedParts(v, ';'))
                if (!part.empty()) org += (org.empty() ? "" : " ") + part;
            d.organisation = org;
        } else if (p.name == "TITLE") {
            d.title = Unescaped(v);
        } else if (p.name == "X-VARELO-HOMETOWN") {
            d.hometown = Unescaped(v);
        } else if (p.name == "X-VARELO-ATTRIBUTION") {
            d.attribution = Unescaped(v);
        }
    }

    void readPhoto(const Property& p, ContactDraft& d, std::vector<std::string>& problems) {
        if (!d.photo.empty()) return;  // the first picture is the contact's
        std::string_view data = p.value;
        bool base64 = p.has("ENCODING", "B") || p.has("ENCODING", "BASE64");
        if (StartsWithNoCase(data, "DATA:")) {
            // vCard 4.0: "data:image/jpeg;base64,...."
            const auto comma = data.find(',');
            if (comma == std::string_view::npos) {
                problems.push_back("照片的 data: 网址不完整，未导入照片");
                return;
            }
            base64 = Upper(data.substr(0, comma)).find(";BASE64") != std::string::npos;
            data.remove_prefix(comma + 1);
        }
        if (!base64) {
            if (!TrimmedView(data).empty()) problems.push_back("照片是网址而不是图片，未导入照片");
            return;
        }
        if (data.size() / 4 * 3 > kMaxPhotoBytes + 3) {
            problems.push_back("照片大于 " + std::to_string(kMaxPhotoBytes / (1024 * 1024)) + " MB，未导入照片");
            return;
        }
        std::optional<Bytes> photo = Base64Decoded(data);
        if (!photo) {
            problems.push_back("照片的 base64 数据无效，未导入照片");
            return;
        }
        if (std::string why = PhotoProblem(*photo); !why.empty()) {
            problems.push_back(why);
            return;
        }
        d.photo = std::move(*photo);
    }

    // ADR's parts (post office box, extended, street, locality, region, postal
    // code, country) as one address: Chinese addresses from the country down,
    // without separators; others from the street up, separated by ", ".
    static std::string AddressText(std::vector<std::string> parts) {
        parts.resize(std::max<std::size_t>(parts.size(), 7));
        std::string all;
        for (const auto& part : parts) all += part;
        std::string out;
        if (ContainsNonAscii(all)) {
            for (int i : {6, 4, 3, 2, 1, 0}) out += parts[static_cast<std::size_t>(i)];
            if (!parts[5].empty()) out += (out.empty() ? "" : " ") + parts[5];
            return out;
        }
        for (int i : {0, 1, 2, 3, 4, 5, 6}) {
            const std::string& part = parts[static_cast<std::size_t>(i)];
            if (!part.empty()) out += (out.empty() ? "" : (i == 5 ? " " : ", ")) + part;
        }
        return out;
    }

    int number_;
    std::string version_;
    std::string failure_;
    std::vector<Property> properties_;
};

}  // namespace

ReadContacts ReadVCards(std::string_view file) {
    ReadContacts result;
    if (file.size() >= 3 && file.substr(0, 3) == "\xEF\xBB\xBF") file.remove_prefix(3);
    std::optional<CardReader> card;
    int cards = 0;
    for (const std::string& line : LogicalLines(file)) {
        const std::string_view trimmed = TrimmedView(line);
        if (StartsWithNoCase(trimmed, "BEGIN:VCARD") && trimmed.size() == 11) {
            if (card) {
                card->fail("缺少 END:VCARD（下一张名片已开始）");
                card->finish(result);
            }
            card.emplace(++cards);
        } else if (StartsWithNoCase(trimmed, "END:VCARD") && trimmed.size() == 9) {
            if (card) card->finish(result);
            card.reset();
        } else if (card) {
            card->take(line);
        }
    }
    if (card) {
        card->fail("缺少 END:VCARD（文件在名片中结束）");
        card->finish(result);
    }
    if (cards == 0) result.error = "文件中没有 vCard 名片（BEGIN:VCARD）";
    return result;
}
