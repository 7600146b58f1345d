#include "transfer/csv.h"

#include "transfer/exchange_text.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace {

constexpr Column kWrittenColumns[] = {Column::Name,     Column::Mobile,    Column::Initials,    Column::Mobile2,
                                      Column::QQ,       Column::QQ2,       Column::Email,       Column::Group,
                                      Column::Phone,    Column::Extension, Column::Address,     Column::Hometown,
                                      Column::Birthday, Column::Note,      Column::Attribution, Column::Gender};

std::string Quoted(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string out = "\"";
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct Record {
    std::vector<std::string> fields;
    int line = 0;  // the line it starts on, from 1
};

// The records of the text; nothing, with the line of the open quote in
// `openQuoteLine`, when a quoted field never ends.
std::optional<std::vector<Record>> Records(std::string_view text, int& openQuoteLine) {
    std::vector<Record> records;
    Record current{{std::string()}, 1};
    int line = 1;
    bool quoted = false;
    bool wasQuoted = false;
    int quoteLine = 0;
    auto endRecord = [&] {
        records.push_back(std::move(current));
        current = Record{{std::string()}, line};
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    current.fields.back() += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n' || (c == '\r' && !(i + 1 < text.size() && text[i + 1] == '\n'))) ++line;
                current.fields.back() += c;
            }
        } else if (c == '"' && current.fields.back().empty() && !wasQuoted) {
            quoted = true;
            wasQuoted = true;
            quoteLine = line;
        } else if (c == ',') {
            current.fields.emplace_back();
            wasQuoted = false;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++line;
            endRecord();
            wasQuoted = false;
        } else {
            current.fields.back() += c;
        }
    }
    if (quoted) {
        openQuoteLine = quoteLine;
        return std::nullopt;
    }
    if (current.fields.size() > 1 || !current.fields[0].empty()) records.push_back(std::move(current));
    return records;
}

// The file's text as UTF-8; nothing when it is not text.
std::optional<std::string> FileText(std::string_view file) {
    if (file.size() >= 3 && file.substr(0, 3) == "\xEF\xBB\xBF") {
        file.remove_prefix(3);
        if (IsValidUtf8(file)) return std::string(file);
        return std::nullopt;
    }
    if (file.size() >= 2 && file.substr(0, 2) == "\xFF\xFE") return ConvertedToUtf8(file.substr(2), "UTF-16LE");
    if (file.size() >= 2 && file.substr(0, 2) == "\xFE\xFF") return ConvertedToUtf8(file.substr(2), "UTF-16BE");
    if (file.find('\0') != std::string_view::npos) return std::nullopt;
    if (IsValidUtf8(file)) return std::string(file);
    return ConvertedToUtf8(file, "GB18030");
}

// Values joined by " ::: " in one Google Contacts cell.
std::vector<std::string> GoogleValues(const std::string& cell) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (true) {
        const auto at = cell.find(" ::: ", start);
        const std::string part = Trimmed(cell.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (!part.empty()) out.push_back(part);
        if (at == std::string::npos) break;
        start = at + 5;
    }
    return out;
}

// What one column of another program's header means: it adds its cell to
// the draft. `row` gives the other cells by header name, for the columns
// that come in pairs (a phone's type and value).
using CellRule = std::function<void(ContactDraft&, const std::string& cell,
                                    const std::function<std::string(const std::string&)>& row)>;

std::optional<CellRule> RuleFor(const std::string& header) {
    const std::string h = Lower(Trimmed(header));
    auto text = [](std::string ContactDraft::*field) {
        return CellRule([field](ContactDraft& d, const std::string& v, const auto&) { d.*field = v; });
    };
    auto list = [](std::vector<std::string> ContactDraft::*field) {
        return CellRule([field](ContactDraft& d, const std::string& v, const auto&) {
            for (auto& value : GoogleValues(v)) (d.*field).push_back(value);
        });
    };
    auto number = [](bool mobile, bool fax) {
        return CellRule([mobile, fax](ContactDraft& d, const std::string& v, const auto&) {
            for (auto& value : GoogleValues(v)) d.numbers.push_back({value, mobile, true, fax});
        });
    };
    if (h == "name" || h == "display name" || h == "full name") return text(&ContactDraft::formattedName);
    if (h == "given name" || h == "first name") return text(&ContactDraft::given);
    if (h == "family name" || h == "last name") return text(&ContactDraft::family);
    if (h == "additional name" || h == "middle name") return text(&ContactDraft::middle);
    if (h == "birthday") return text(&ContactDraft::birthday);
    if (h == "notes") return text(&ContactDraft::note);
    if (h == "gender") return text(&ContactDraft::gender);
    if (h == "company" || h == "organization 1 - name" || h == "organization name")
        return text(&ContactDraft::organisation);
    if (h == "job title" || h == "organization 1 - title" || h == "organization title")
        return text(&ContactDraft::title);
    if (h == "mobile phone" || h == "car phone") return number(true, false);
    if (h == "home phone" || h == "home phone 2" || h == "business phone" || h == "business phone 2" ||
        h == "other phone" || h == "primary phone" || h == "company main phone")
        return number(false, false);
    if (h == "business fax" || h == "home fax" || h == "other fax" || h == "pager") return number(false, true);
    if (h == "e-mail address" || h == "e-mail 2 address" || h == "e-mail 3 address") return list(&ContactDraft::emails);
    if (h == "categories")
        return CellRule([](ContactDraft& d, const std::string& v, const auto&) {
            std::size_t start = 0;
            while (start <= v.size()) {
                const auto at = v.find(';', start);
                const std::string group =
                    Trimmed(v.substr(start, at == std::string::npos ? std::string::npos : at - start));
                if (!group.empty()) d.groups.push_back(group);
                if (at == std::string::npos) break;
                start = at + 1;
            }
        });
    if (h == "group membership" || h == "labels")
        return CellRule([](ContactDraft& d, const std::string& v, const auto&) {
            for (auto group : GoogleValues(v)) {
                if (group.rfind("* ", 0) == 0) group = group.substr(2);
                if (group != "myContacts" && group != "starred" && group != "My Contacts") d.groups.push_back(group);
            }
        });
    if (h == "home street" || h == "business street" || h == "other street")
        return CellRule([h](ContactDraft& d, const std::string& v, const auto& row) {
            const std::string prefix = h.substr(0, h.find(' '));
            std::string address = v;
            for (const char* part : {" city", " state", " postal code", " country/region"}) {
                const std::string value = Trimmed(row(prefix + part));
                if (!value.empty()) address += (address.empty() ? "" : ", ") + value;
            }
            if (!Trimmed(address).empty()) d.addresses.push_back(address);
        });
    // Google: "Phone 1 - Value" with its "Phone 1 - Type" (or "- Label"),
    // "E-mail 1 - Value", "Address 1 - Formatted", "IM 1 - Value".
    const auto dash = h.find(" - ");
    if (dash != std::string::npos) {
        const std::string prefix = h.substr(0, dash);
        const std::string part = h.substr(dash + 3);
        if (prefix.rfind("phone ", 0) == 0 && part == "value")
            return CellRule([prefix](ContactDraft& d, const std::string& v, const auto& row) {
                std::string type = Lower(row(prefix + " - type"));
                if (type.empty()) type = Lower(row(prefix + " - label"));
                const bool mobile = type.find("mobile") != std::string::npos ||
                                    type.find("cell") != std::string::npos || type.find("手机") != std::string::npos;
                const bool fax = type.find("fax") != std::string::npos || type.find("pager") != std::string::npos;
                for (auto& value : GoogleValues(v)) d.numbers.push_back({value, mobile, !type.empty(), fax});
            });
        if (prefix.rfind("e-mail ", 0) == 0 && part == "value") return list(&ContactDraft::emails);
        if (prefix.rfind("address ", 0) == 0 && part == "formatted") return list(&ContactDraft::addresses);
        if (prefix.rfind("im ", 0) == 0 && part == "value")
            return CellRule([prefix](ContactDraft& d, const std::string& v, const auto& row) {
                const std::string service =
                    Lower(row(prefix + " - service") + row(prefix + " - type") + row(prefix + " - label"));
                if (service.find("qq") == std::string::npos) return;
                for (auto& value : GoogleValues(v)) d.qqs.push_back(value);
            });
    }
    return std::nullopt;
}

bool AllEmpty(const std::vector<std::string>& fields) {
    return std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return Trimmed(f).empty(); });
}

}  // namespace

std::string CsvHeader() {
    std::string out = "\xEF\xBB\xBF";
    for (Column c : kWrittenColumns) out += (c == Column::Name ? "" : ",") + Quoted(ColumnName(c));
    return out + "\r\n";
}

std::string CsvRowOf(const ExchangeContact& contact) {
    std::string out;
    for (Column c : kWrittenColumns) {
        if (c != Column::Name) out += ',';
        out += Quoted(c == Column::Birthday ? contact[c].substr(0, 10) : contact[c]);
    }
    return out + "\r\n";
}

ReadContacts ReadCsv(std::string_view file) {
    ReadContacts result;
    const std::optional<std::string> text = FileText(file);
    if (!text) {
        result.error = "文件不是 UTF-8 或 GBK 文本";
        return result;
    }
    int openQuoteLine = 0;
    std::optional<std::vector<Record>> records = Records(*text, openQuoteLine);
    if (!records) {
        result.error = "第 " + std::to_string(openQuoteLine) + " 行开始的引号没有闭合";
        return result;
    }
    if (records->empty()) {
        result.error = "文件中没有标题行";
        return result;
    }
    const std::vector<std::string>& header = records->front().fields;
    std::map<std::string, std::size_t> headerIndex;
    for (std::size_t i = 0; i < header.size(); ++i) headerIndex.emplace(Lower(Trimmed(header[i])), i);

    // This program's own columns are taken as they stand; other programs'
    // columns go through the draft rules.
    std::map<std::size_t, Column> ownColumns;
    std::vector<std::pair<std::size_t, CellRule>> rules;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const std::string name = Trimmed(header[i]);
        bool own = false;
        for (int c = 0; c < kColumnCount; ++c) {
            if (ColumnName(static_cast<Column>(c)) == name && static_cast<Column>(c) != Column::Photo) {
                ownColumns[i] = static_cast<Column>(c);
                own = true;
            }
        }
        if (!own)
            if (auto rule = RuleFor(name)) rules.emplace_back(i, std::move(*rule));
    }
    if (ownColumns.empty() && rules.empty()) {
        result.error = "标题行中没有可以识别的列（应为通讯录的字段名，或 Google 通讯录、Outlook 导出的标题）";
        return result;
    }

    for (std::size_t r = 1; r < records->size(); ++r) {
        const Record& record = (*records)[r];
        if (AllEmpty(record.fields)) continue;
        const std::string label = "第 " + std::to_string(record.line) + " 行：";
        if (record.fields.size() > header.size()) {
            ++result.failed;
            result.problems.push_back(label + "有 " + std::to_string(record.fields.size()) + " 列，多于标题行的 " +
                                      std::to_string(header.size()) + " 列");
            continue;
        }
        auto cell = [&](std::size_t i) { return i < record.fields.size() ? record.fields[i] : std::string(); };
        auto byHeader = [&](const std::string& name) {
            auto it = headerIndex.find(name);
            return it == headerIndex.end() ? std::string() : cell(it->second);
        };
        ContactDraft draft;
        for (const auto& [i, rule] : rules) rule(draft, cell(i), byHeader);
        ExchangeContact contact = ContactFromDraft(draft);
        for (const auto& [i, column] : ownColumns) {
            const std::string value = Trimmed(cell(i));
            if (!value.empty()) contact[column] = value;
        }
        // A birthday the book cannot take as a date is kept in the note.
        if (std::string& birthday = contact[Column::Birthday]; !birthday.empty() && IsoDate(birthday).empty()) {
            contact[Column::Note] += (contact[Column::Note].empty() ? "生日：" : "\r\n生日：") + birthday;
            birthday.clear();
        } else if (!birthday.empty()) {
            birthday = IsoDate(birthday);
        }
        if (contact[Column::Name].empty() && contact[Column::Mobile].empty() && contact[Column::Mobile2].empty() &&
            contact[Column::Phone].empty()) {
            ++result.failed;
            result.problems.push_back(label + "既没有姓名也没有号码");
            continue;
        }
        result.contacts.push_back(std::move(contact));
    }
    return result;
}
