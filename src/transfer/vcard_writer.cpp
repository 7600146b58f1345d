#include "transfer/vcard.h"

#include "services/core/core.h"
#include "transfer/exchange_text.h"

#include <array>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The UTF-8 characters of a text.
std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
        n = std::min(n, text.size() - i);
        out.push_back(text.substr(i, n));
        i += n;
    }
    return out;
}

// A Chinese character (of the unified ideographs most names use).
bool IsHanzi(const std::string& character) {
    if (character.size() != 3) return false;
    const unsigned char a = static_cast<unsigned char>(character[0]);
    const unsigned char b = static_cast<unsigned char>(character[1]);
    const unsigned int code =
        ((a & 0x0F) << 12) | ((b & 0x3F) << 6) | (static_cast<unsigned char>(character[2]) & 0x3F);
    return (code >= 0x4E00 && code <= 0x9FFF) || (code >= 0x3400 && code <= 0x4DBF);
}

constexpr std::array<std::string_view, 44> kCompoundSurnames = {
    "欧阳", "司马", "上官", "诸葛", "东方", "皇甫", "尉迟", "公孙", "慕容", "长孙", "宇文",
    "司徒", "夏侯", "轩辕", "令狐", "钟离", "闾丘", "端木", "独孤", "南宫", "西门", "百里",
    "呼延", "万俟", "司空", "单于", "太史", "申屠", "公冶", "澹台", "赫连", "淳于", "濮阳",
    "拓跋", "左丘", "东郭", "第五", "梁丘", "谷梁", "宗政", "巫马", "公羊", "亓官", "羊舌"};

// Family names whose reading is not a character's usual one. The reading is
// still taken from the table: it must be one of the character's readings.
constexpr std::array<std::pair<std::string_view, std::string_view>, 22> kSurnameReadings = {
    {{"曾", "zeng"},  {"单", "shan"}, {"解", "xie"},  {"仇", "qiu"},   {"朴", "piao"},  {"区", "ou"},
     {"查", "zha"},   {"乐", "yue"},  {"盖", "ge"},   {"缪", "miao"},  {"覃", "qin"},   {"召", "shao"},
     {"种", "chong"}, {"秘", "bi"},   {"尉", "yu"},   {"长", "zhang"}, {"重", "chong"}, {"柏", "bai"},
     {"翟", "zhai"},  {"万", "mo"},   {"沈", "shen"}, {"任", "ren"}}};

std::string ReadingOf(const std::string& character, bool surname) {
    const Text gbk = Text::fromUtf8(character);
    if (gbk.size() != 2) return std::string();
    if (surname) {
        for (const auto& [hanzi, wanted] : kSurnameReadings) {
            if (hanzi != character) continue;
            for (int reading = 1; reading <= 3; ++reading)
                if (Pinyin(gbk, reading).bytes() == wanted) return std::string(wanted);
        }
    }
    return Pinyin(gbk, 1).bytes();
}

// Text values: backslash, line breaks, commas and semicolons escaped.
std::string Escaped(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' || c == ',' || c == ';') {
            out += '\\';
            out += c;
        } else if (c == '\r') {
            if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
            out += "\\n";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

// One content line, folded at 75 bytes: a continuation starts with a blank
// and never splits a UTF-8 character.
void AppendLine(std::string& card, const std::string& line) {
    constexpr std::size_t kWidth = 75;
    std::size_t start = 0;
    std::size_t width = kWidth;
    while (line.size() - start > width) {
        std::size_t cut = start + width;
        while (cut > start && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        card.append(line, start, cut - start);
        card += "\r\n ";
        start = cut;
        width = kWidth - 1;
    }
    card.append(line, start, std::string::npos);
    card += "\r\n";
}

}  // namespace

std::string FamilyNameOf(const std::string& name) {
    const auto characters = Characters(name);
    if (characters.empty() || !IsHanzi(characters[0])) return std::string();
    if (characters.size() > 2) {
        const std::string two = characters[0] + characters[1];
        for (std::string_view compound : kCompoundSurnames)
            if (compound == two) return two;
    }
    return characters[0];
}

std::string PhoneticOf(const std::string& text, bool familyName) {
    std::string out;
    for (const auto& character : Characters(text)) {
        if (!IsHanzi(character)) return std::string();
        const std::string reading = ReadingOf(character, familyName);
        if (reading.empty()) return std::string();
        out += reading;
    }
    if (!out.empty()) out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

std::string VCardOf(const ExchangeContact& c, const Bytes& jpegPhoto) {
    std::string card;
    card.reserve(512 + jpegPhoto.size() * 4 / 3);
    AppendLine(card, "BEGIN:VCARD");
    AppendLine(card, "VERSION:3.0");
    const std::string& name = c[Column::Name];
    const std::string family = FamilyNameOf(name);
    if (!family.empty()) {
        const std::string given = name.substr(family.size());
        AppendLine(card, "N:" + Escaped(family) + ";" + Escaped(given) + ";;;");
        AppendLine(card, "FN:" + Escaped(name));
        const std::string familyPhonetic = PhoneticOf(family, true);
        const std::string givenPhonetic = PhoneticOf(given, false);
        if (!familyPhonetic.empty()) AppendLine(card, "X-PHONETIC-LAST-NAME:" + familyPhonetic);
        if (!givenPhonetic.empty()) AppendLine(card, "X-PHONETIC-FIRST-NAME:" + givenPhonetic);
    } else {
        // "John Smith": the last word is the family name.
        const auto blank = name.rfind(' ');
        if (blank == std::string::npos) AppendLine(card, "N:" + Escaped(name) + ";;;;");
        else AppendLine(card, "N:" + Escaped(name.substr(blank + 1)) + ";" + Escaped(name.substr(0, blank)) + ";;;");
        AppendLine(card, "FN:" + Escaped(name));
    }
    if (!c[Column::Mobile].empty()) AppendLine(card, "TEL;TYPE=CELL:" + Escaped(c[Column::Mobile]));
    if (!c[Column::Mobile2].empty()) AppendLine(card, "TEL;TYPE=CELL:" + Escaped(c[Column::Mobile2]));
    if (!c[Column::Phone].empty() || !c[Column::Extension].empty()) {
        std::string number = c[Column::Phone];
        if (!c[Column::Extension].empty()) number += " ext " + c[Column::Extension];
        AppendLine(card, "TEL;TYPE=VOICE:" + Escaped(number));
    }
    if (!c[Column::Email].empty()) AppendLine(card, "EMAIL;TYPE=INTERNET:" + Escaped(c[Column::Email]));
    if (!c[Column::Address].empty()) AppendLine(card, "ADR:;;" + Escaped(c[Column::Address]) + ";;;;");
    if (!c[Column::Birthday].empty()) AppendLine(card, "BDAY:" + c[Column::Birthday].substr(0, 10));
    if (!c[Column::Note].empty()) AppendLine(card, "NOTE:" + Escaped(c[Column::Note]));
    if (!c[Column::Group].empty()) AppendLine(card, "CATEGORIES:" + Escaped(c[Column::Group]));
    if (!c[Column::QQ].empty()) AppendLine(card, "X-QQ:" + Escaped(c[Column::QQ]));
    if (!c[Column::QQ2].empty()) AppendLine(card, "X-QQ:" + Escaped(c[Column::QQ2]));
    if (!c[Column::Gender].empty()) AppendLine(card, "X-GENDER:" + Escaped(c[Column::Gender]));
    if (!c[Column::Hometown].empty()) AppendLine(card, "X-VARELO-HOMETOWN:" + Escaped(c[Column::Hometown]));
    if (!c[Column::Attribution].empty()) AppendLine(card, "X-VARELO-ATTRIBUTION:" + Escaped(c[Column::Attribution]));
    if (!jpegPhoto.empty()) AppendLine(card, "PHOTO;ENCODING=b;TYPE=JPEG:" + Base64Encoded(jpegPhoto));
    AppendLine(card, "END:VCARD");
    return card;
}
