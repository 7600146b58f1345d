#include "services/db/detail/name_order.h"

#include "services/core/pinyin_order.h"

#include "services/db/detail/sql_words.h"

#include <sqlite3.h>

#include <iconv.h>

#include <cctype>
#include <cstring>
#include <mutex>
#include <vector>

namespace dbdetail {

namespace {

// GBK code of every code point of the basic plane (0 where GBK has none),
// built once from iconv.
const std::vector<unsigned short>& gbkCodes() {
    static std::vector<unsigned short> codes = [] {
        std::vector<unsigned short> t(0x10000, 0);
        iconv_t cd = iconv_open("GBK", "UTF-8");
        if (cd == reinterpret_cast<iconv_t>(-1)) return t;
        for (unsigned cp = 0x80; cp < 0x10000; ++cp) {
            if (cp >= 0xD800 && cp < 0xE000) continue;
            char in[3];
            std::size_t inLen;
            if (cp < 0x800) {
                in[0] = char(0xC0 | (cp >> 6));
                in[1] = char(0x80 | (cp & 0x3F));
                inLen = 2;
            } else {
                in[0] = char(0xE0 | (cp >> 12));
                in[1] = char(0x80 | ((cp >> 6) & 0x3F));
                in[2] = char(0x80 | (cp & 0x3F));
                inLen = 3;
            }
            char out[4];
            char* src = in;
            char* dst = out;
            std::size_t outLen = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &src, &inLen, &dst, &outLen) == static_cast<std::size_t>(-1)) continue;
            // The euro sign is the code page's one-byte 0x80: after ASCII, before every two-byte character.
            if (dst - out == 1 && static_cast<unsigned char>(out[0]) >= 0x80)
                t[cp] = static_cast<unsigned char>(out[0]);
            else if (dst - out == 2)
                t[cp] = static_cast<unsigned short>((static_cast<unsigned char>(out[0]) << 8) |
                                                    static_cast<unsigned char>(out[1]));
        }
        iconv_close(cd);
        return t;
    }();
    return codes;
}

// The weight (pinyin_order.h) of the next character of the UTF-8 text s at
// `at`; advances `at`.
std::uint32_t nextWeight(std::string_view s, std::size_t& at, const std::vector<unsigned short>& codes) {
    unsigned char c = static_cast<unsigned char>(s[at]);
    if (c < 0x80) {
        ++at;
        return pinyin_order::OneByteWeight(c);
    }
    int n = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || at + n > s.size()) {
        ++at;
        return pinyin_order::kStrayByte + c;
    }
    unsigned cp = c & (0x7F >> n);
    for (int i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[at + i]) & 0x3F);
    at += n;
    const unsigned code = cp < 0x10000 ? codes[cp] : 0;
    if (code == 0) return pinyin_order::kBeyondCodePage + cp;
    if (code < 0x100) return pinyin_order::OneByteWeight(static_cast<unsigned char>(code));
    return pinyin_order::TwoByteWeight(static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code));
}

// The key's kinds, in SQLite's order of NULL, numbers, texts and BLOBs.
constexpr unsigned char kNumberKey = 0, kTextKey = 1, kBlobKey = 2;

void putWeight(std::string& key, std::uint32_t weight) {
    key += static_cast<char>(weight >> 16);
    key += static_cast<char>(weight >> 8);
    key += static_cast<char>(weight);
}

// name_sort_key(x): see name_order.h. A number's eight bytes are its double
// with the sign bit flipped (all bits for a negative one), so that memcmp
// orders them by value.
void sortKey(sqlite3_context* context, int, sqlite3_value** argv) {
    sqlite3_value* value = argv[0];
    const int type = sqlite3_value_type(value);
    std::string key;
    if (type == SQLITE_NULL) {
        return sqlite3_result_null(context);
    } else if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        double number = sqlite3_value_double(value);
        if (number == 0) number = 0;  // -0 and 0 alike
        std::uint64_t bits;
        std::memcpy(&bits, &number, sizeof bits);
        bits = (bits >> 63) ? ~bits : bits | (std::uint64_t(1) << 63);
        key += static_cast<char>(kNumberKey);
        for (int shift = 56; shift >= 0; shift -= 8) key += static_cast<char>(bits >> shift);
    } else if (type == SQLITE_BLOB) {
        const auto* data = static_cast<const char*>(sqlite3_value_blob(value));
        key += static_cast<char>(kBlobKey);
        key.append(data ? data : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
    } else {
        const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        key = NameSortKey(std::string_view(text ? text : "", static_cast<std::size_t>(sqlite3_value_bytes(value))));
    }
    sqlite3_result_blob64(context, key.data(), key.size(), SQLITE_TRANSIENT);
}

// name_stored_key(x): the sort key, with x'' for NULL (a NULL key marks a row
// whose key is still to be computed).
void storedKey(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_zeroblob(context, 0);
    sortKey(context, argc, argv);
}

int collate(void*, int n1, const void* a, int n2, const void* b) {
    return CompareNames(std::string_view(static_cast<const char*>(a), n1),
                        std::string_view(static_cast<const char*>(b), n2));
}

// An ORDER BY expression (blanks before it kept) wrapped in the sort key.
std::string sortKeyTerm(const std::string& expr) {
    std::size_t lead = 0;
    while (lead < expr.size() && std::isspace(static_cast<unsigned char>(expr[lead]))) ++lead;
    return expr.substr(0, lead) + kNameSortKey + "(" + expr.substr(lead) + ")";
}

}  // namespace

std::string NameSortKey(std::string_view text) {
    const auto& codes = gbkCodes();
    std::string key;
    key.reserve(1 + 3 * text.size() + 3 + text.size());
    key += static_cast<char>(kTextKey);
    for (std::size_t at = 0; at < text.size();) putWeight(key, nextWeight(text, at, codes) + 1);
    putWeight(key, 0);
    key.append(text);
    return key;
}

int CompareNames(std::string_view a, std::string_view b) {
    const auto& codes = gbkCodes();
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const std::uint32_t x = nextWeight(a, i, codes), y = nextWeight(b, j, codes);
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
}

bool RegisterNameOrder(sqlite3* db) {
    gbkCodes();
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    return sqlite3_create_collation(db, kNameCollation, SQLITE_UTF8, nullptr, collate) == SQLITE_OK &&
           sqlite3_create_function(db, kNameSortKey, 1, flags, nullptr, sortKey, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, kNameStoredKey, 1, flags, nullptr, storedKey, nullptr, nullptr) == SQLITE_OK;
}

std::string WithNameOrdering(const std::string& sql) {
    // The last top-level ORDER BY, and where its clause ends.
    std::size_t orderAt = std::string::npos, termsAt = 0;
    ScanTopLevel(sql, 0, sql.size(), [&](std::size_t i) {
        if (std::size_t end = ByClauseAt(sql, i, "order"); end != std::string::npos) {
            orderAt = i;
            termsAt = end;
        }
    });
    if (orderAt == std::string::npos) return sql;
    // The ORDER BY of a compound select may only name result columns, so
    // there the terms keep their expressions and get the collation instead.
    bool compound = false;
    ScanTopLevel(sql, 0, orderAt, [&](std::size_t i) {
        if (KeywordAt(sql, i, "union") || KeywordAt(sql, i, "intersect") || KeywordAt(sql, i, "except"))
            compound = true;
    });
    std::size_t clauseEnd = sql.size();
    ScanTopLevel(sql, termsAt, sql.size(), [&](std::size_t i) {
        if (clauseEnd == sql.size() && (KeywordAt(sql, i, "limit") || sql[i] == ';')) clauseEnd = i;
    });
    std::vector<std::size_t> commas;
    ScanTopLevel(sql, termsAt, clauseEnd, [&](std::size_t i) {
        if (sql[i] == ',') commas.push_back(i);
    });
    commas.push_back(clauseEnd);

    std::string out = sql.substr(0, termsAt);
    std::size_t start = termsAt;
    for (std::size_t end : commas) {
        std::string term = sql.substr(start, end - start);
        // The expression ends before a trailing ASC/DESC and NULLS FIRST/LAST.
        std::size_t exprEnd = term.size();
        bool hasCollation = false;
        std::vector<std::size_t> words;
        ScanTopLevel(term, 0, term.size(), [&](std::size_t i) {
            if (IsNameChar(term[i]) && (i == 0 || !IsNameChar(term[i - 1]))) words.push_back(i);
        });
        for (std::size_t w : words) {
            if (KeywordAt(term, w, "collate")) hasCollation = true;
        }
        for (auto it = words.rbegin(); it != words.rend(); ++it) {
            std::size_t w = *it;
            if (w >= exprEnd) continue;
            bool trailing = KeywordAt(term, w, "asc") || KeywordAt(term, w, "desc") || KeywordAt(term, w, "nulls") ||
                            KeywordAt(term, w, "first") || KeywordAt(term, w, "last");
            if (!trailing) break;
            exprEnd = w;
        }
        while (exprEnd > 0 && std::isspace(static_cast<unsigned char>(term[exprEnd - 1]))) --exprEnd;
        // A column number followed by ASC still counts as a number.
        bool numberTerm = true;
        bool any = false;
        for (std::size_t i = 0; i < exprEnd; ++i) {
            unsigned char ch = static_cast<unsigned char>(term[i]);
            if (std::isspace(ch)) continue;
            any = true;
            if (!std::isdigit(ch)) numberTerm = false;
        }
        if (!any || hasCollation || numberTerm) out += term;
        else if (compound) out += term.substr(0, exprEnd) + " COLLATE " + kNameCollation + term.substr(exprEnd);
        else out += sortKeyTerm(term.substr(0, exprEnd)) + term.substr(exprEnd);
        if (end < clauseEnd) out += ',';
        start = end + 1;
    }
    out += sql.substr(clauseEnd);
    return out;
}

}  // namespace dbdetail
