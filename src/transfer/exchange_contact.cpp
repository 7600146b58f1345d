#include "transfer/exchange_contact.h"

#include "services/system/system.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <regex>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

bool IsMainlandMobile(const std::string& normalised) {
    return normalised.size() == 11 && normalised[0] == '1' &&
           std::all_of(normalised.begin(), normalised.end(), IsDigit);
}

// "010-66668888 ext 801", "010-66668888x801", "+1 555 0100 ext. 7": the
// number and the extension apart.
std::pair<std::string, std::string> SplitExtension(const std::string& number) {
    static const std::regex extension(R"(^(.*?\d.*?)\s*(?:ext\.?|extension|x|转|分机)\s*(\d+)\s*$)", std::regex::icase);
    std::smatch m;
    if (std::regex_match(number, m, extension)) return {Trimmed(m[1].str()), m[2].str()};
    return {number, std::string()};
}

void AddNoteLine(std::string& note, const std::string& line) {
    if (line.empty()) return;
    if (!note.empty()) note += "\r\n";
    note += line;
}

}  // namespace

const std::string& ColumnName(Column column) {
    static const std::array<std::string, kColumnCount> names = {"姓名", "手机", "首字母", "手机备", "QQ",   "QQ备",
                                                                "邮箱", "分组", "座机",   "分机",   "地址", "籍贯",
                                                                "生日", "备注", "照片",   "归属地", "性别"};
    return names[static_cast<std::size_t>(column)];
}

bool ContainsNonAscii(const std::string& utf8) {
    return std::any_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::string NormalisedMobile(const std::string& number) {
    std::string digits;
    for (char c : number)
        if (c != ' ' && c != '-' && c != '.' && c != '(' && c != ')' && c != '\t') digits += c;
    std::string national = digits;
    if (national.rfind("+86", 0) == 0) national = national.substr(3);
    else if (national.rfind("0086", 0) == 0) national = national.substr(4);
    if (IsMainlandMobile(national)) return national;
    return digits.empty() ? Trimmed(number) : digits;
}

std::string IsoDate(const std::string& raw) {
    const std::string text = Trimmed(raw);
    int y = 0, m = 0, d = 0;
    char tail = 0;
    auto valid = [&] {
        static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= days[m - 1] &&
               !(m == 2 && d == 29 && !((y % 4 == 0 && y % 100 != 0) || y % 400 == 0));
    };
    auto formatted = [&] {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", y, m, d);
        return std::string(buffer);
    };
    if (text.size() >= 8 && std::all_of(text.begin(), text.begin() + 8, IsDigit) &&
        (text.size() == 8 || text[8] == 'T')) {
        y = std::stoi(text.substr(0, 4));
        m = std::stoi(text.substr(4, 2));
        d = std::stoi(text.substr(6, 2));
        return valid() ? formatted() : std::string();
    }
    if (std::sscanf(text.c_str(), "%d-%d-%d%c", &y, &m, &d, &tail) >= 3 && text[0] != '-' &&
        (tail == 0 || tail == 'T' || tail == ' '))
        return valid() ? formatted() : std::string();
    tail = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d%c", &y, &m, &d, &tail) >= 3 && (tail == 0 || tail == ' ')) {
        // Year first (1980/1/6) or last, month first (1/6/1980), as the
        // spreadsheet programs that write CSV files spell dates.
        if (y < 100 && d > 999) std::tie(y, m, d) = std::make_tuple(d, y, m);
        return valid() ? formatted() : std::string();
    }
    return std::string();
}

std::string BookGender(const std::string& raw) {
    const std::string text = Trimmed(raw);
    const std::string key = Lower(text.substr(0, text.find(';')));
    if (key == "m" || key == "male" || key == "男" || key == "男性") return "男";
    if (key == "f" || key == "female" || key == "女" || key == "女性") return "女";
    if (key.empty() || key == "u" || key == "n" || key == "unspecified" || key == "unknown") return std::string();
    return text;
}

ExchangeContact ContactFromDraft(const ContactDraft& draft) {
    ExchangeContact c;
    std::string name = Trimmed(draft.formattedName);
    if (name.empty()) {
        const std::string family = Trimmed(draft.family), given = Trimmed(draft.given), middle = Trimmed(draft.middle);
        if (ContainsNonAscii(family + given)) {
            name = family + middle + given;
        } else {
            for (const std::string& part : {given, middle, family})
                if (!part.empty()) name += (name.empty() ? "" : " ") + part;
        }
    }
    c[Column::Name] = name;

    std::string note = Trimmed(draft.note);
    std::vector<std::string> extras;
    std::vector<const ContactDraft::Number*> mobiles, others;
    for (const auto& n : draft.numbers) {
        if (Trimmed(n.number).empty()) continue;
        if (n.fax) {
            extras.push_back("传真：" + Trimmed(n.number));
            continue;
        }
        const bool mobile = n.mobile || (!n.typed && IsMainlandMobile(NormalisedMobile(n.number)));
        (mobile ? mobiles : others).push_back(&n);
    }
    for (std::size_t i = 0; i < mobiles.size(); ++i) {
        const std::string number = NormalisedMobile(mobiles[i]->number);
        if (i == 0) c[Column::Mobile] = number;
        else if (i == 1) c[Column::Mobile2] = number;
        else extras.push_back("手机：" + number);
    }
    for (std::size_t i = 0; i < others.size(); ++i) {
        if (i == 0) {
            auto [number, extension] = SplitExtension(Trimmed(others[i]->number));
            c[Column::Phone] = number;
            c[Column::Extension] = extension;
        } else {
            extras.push_back("电话：" + Trimmed(others[i]->number));
        }
    }
    for (std::size_t i = 0; i < draft.emails.size(); ++i) {
        if (i == 0) c[Column::Email] = Trimmed(draft.emails[i]);
        else extras.push_back("邮箱：" + Trimmed(draft.emails[i]));
    }
    for (std::size_t i = 0; i < draft.addresses.size(); ++i) {
        if (i == 0) c[Column::Address] = Trimmed(draft.addresses[i]);
        else extras.push_back("地址：" + Trimmed(draft.addresses[i]));
    }
    for (const auto& group : draft.groups) {
        if (!Trimmed(group).empty()) {
            c[Column::Group] = Trimmed(group);
            break;
        }
    }
    for (std::size_t i = 0; i < draft.qqs.size(); ++i) {
        if (i == 0) c[Column::QQ] = Trimmed(draft.qqs[i]);
        else if (i == 1) c[Column::QQ2] = Trimmed(draft.qqs[i]);
        else extras.push_back("QQ：" + Trimmed(draft.qqs[i]));
    }
    if (!Trimmed(draft.birthday).empty()) {
        c[Column::Birthday] = IsoDate(draft.birthday);
        if (c[Column::Birthday].empty()) extras.push_back("生日：" + Trimmed(draft.birthday));
    }
    c[Column::Gender] = BookGender(draft.gender);
    c[Column::Hometown] = Trimmed(draft.hometown);
    c[Column::Attribution] = Trimmed(draft.attribution);
    if (!Trimmed(draft.organisation).empty()) extras.push_back("单位：" + Trimmed(draft.organisation));
    if (!Trimmed(draft.title).empty()) extras.push_back("职务：" + Trimmed(draft.title));
    for (const auto& line : draft.extraNotes) extras.push_back(line);
    for (const auto& line : extras) AddNoteLine(note, line);
    c[Column::Note] = note;
    c.photo = draft.photo;
    return c;
}

std::string PhotoProblem(const Bytes& photo) {
    if (photo.size() > kMaxPhotoBytes)
        return "照片大于 " + std::to_string(kMaxPhotoBytes / (1024 * 1024)) + " MB，未导入照片";
    auto starts = [&](std::initializer_list<unsigned char> prefix) {
        return photo.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), photo.begin());
    };
    const bool known = starts({0xFF, 0xD8, 0xFF}) || starts({0x89, 'P', 'N', 'G'}) || starts({'B', 'M'}) ||
                       starts({'G', 'I', 'F', '8'});
    if (!known || DecodePicture(photo).isNull()) return "照片不是可以读取的 JPEG、PNG、BMP 或 GIF 图片，未导入照片";
    return std::string();
}
