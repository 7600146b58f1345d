#include "services/db/detail/gbk_order.h"

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

// The sort key of the next character of s at `at`; advances `at`.
unsigned nextKey(std::string_view s, std::size_t& at, const std::vector<unsigned short>& codes) {
    unsigned char c = static_cast<unsigned char>(s[at]);
    if (c < 0x80) {
        ++at;
        return c;
    }
    int n = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || at + n > s.size()) {
        ++at;
        return 0x120000u + c;  // a stray byte: after everything else
    }
    unsigned cp = c & (0x7F >> n);
    for (int i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[at + i]) & 0x3F);
    at += n;
    if (cp < 0x10000 && codes[cp] != 0) return codes[cp];
    return 0x10000u + cp;
}

// gbk_sort_key(x): for a text, a BLOB whose byte order (memcmp, then the
// shorter first) is CompareByGbk's order: a leading 0, each character's
// folded key, a terminator below every key, then each character's own key,
// three bytes each, big-endian (keys are below 0x210000; one is added so
// that no key is 0). Other BLOBs get a leading 1, so that they still follow
// every text as they do under the collation; numbers and NULL are returned
// as they are. SQLite computes it once per row and sorts by memcmp, where
// the collation was called about log2(n) times per row.
void sortKey(sqlite3_context* context, int, sqlite3_value** argv) {
    sqlite3_value* value = argv[0];
    const int type = sqlite3_value_type(value);
    if (type == SQLITE_BLOB) {
        const auto* data = static_cast<const unsigned char*>(sqlite3_value_blob(value));
        const std::size_t n = static_cast<std::size_t>(sqlite3_value_bytes(value));
        auto* key = static_cast<unsigned char*>(sqlite3_malloc64(n + 1));
        if (!key) return sqlite3_result_error_nomem(context);
        key[0] = 1;
        if (n) std::memcpy(key + 1, data, n);
        return sqlite3_result_blob64(context, key, n + 1, sqlite3_free);
    }
    if (type != SQLITE_TEXT) return sqlite3_result_value(context, value);
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    const std::string_view s(text ? text : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
    // At most one key per byte: 1 + 3n (folded) + 3 + 3n (own).
    auto* key = static_cast<unsigned char*>(sqlite3_malloc64(6 * s.size() + 4));
    if (!key) return sqlite3_result_error_nomem(context);
    const auto& codes = gbkCodes();
    unsigned char* out = key + 1;
    key[0] = 0;
    auto put = [](unsigned char*& at, unsigned k) {
        at[0] = static_cast<unsigned char>(k >> 16);
        at[1] = static_cast<unsigned char>(k >> 8);
        at[2] = static_cast<unsigned char>(k);
        at += 3;
    };
    for (std::size_t at = 0; at < s.size();) {
        unsigned k = nextKey(s, at, codes);
        if (k >= 'A' && k <= 'Z') k += 'a' - 'A';
        put(out, k + 1);
    }
    put(out, 0);
    for (std::size_t at = 0; at < s.size();) put(out, nextKey(s, at, codes) + 1);
    sqlite3_result_blob64(context, key, static_cast<sqlite3_uint64>(out - key), sqlite3_free);
}

int collate(void*, int n1, const void* a, int n2, const void* b) {
    return CompareByGbk(std::string_view(static_cast<const char*>(a), n1),
                        std::string_view(static_cast<const char*>(b), n2));
}

// An ORDER BY expression (blanks before it kept) wrapped in the sort key.
std::string sortKeyTerm(const std::string& expr) {
    std::size_t lead = 0;
    while (lead < expr.size() && std::isspace(static_cast<unsigned char>(expr[lead]))) ++lead;
    return expr.substr(0, lead) + kGbkSortKey + "(" + expr.substr(lead) + ")";
}

}  // namespace

namespace {

int compareKeys(std::string_view a, std::string_view b, bool foldCase) {
    const auto& codes = gbkCodes();
    auto folded = [foldCase](unsigned k) { return foldCase && k >= 'A' && k <= 'Z' ? k + ('a' - 'A') : k; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        unsigned ka = folded(nextKey(a, i, codes));
        unsigned kb = folded(nextKey(b, j, codes));
        if (ka != kb) return ka < kb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace

// Latin letters sort without regard to case, as the address book's names
// always have (alice, Bob, carol); texts differing only in case still have
// a fixed order, capitals first.
int CompareByGbk(std::string_view a, std::string_view b) {
    if (int r = compareKeys(a, b, true)) return r;
    return compareKeys(a, b, false);
}

bool RegisterGbkCollation(sqlite3* db) {
    gbkCodes();
    return sqlite3_create_collation(db, kGbkCollation, SQLITE_UTF8, nullptr, collate) == SQLITE_OK &&
           sqlite3_create_function(db, kGbkSortKey, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                   nullptr, sortKey, nullptr, nullptr) == SQLITE_OK;
}

std::string WithGbkOrdering(const std::string& sql) {
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
        if (!any || hasCollation || numberTerm)
            out += term;
        else if (compound)
            out += term.substr(0, exprEnd) + " COLLATE " + kGbkCollation + term.substr(exprEnd);
        else
            out += sortKeyTerm(term.substr(0, exprEnd)) + term.substr(exprEnd);
        if (end < clauseEnd) out += ',';
        start = end + 1;
    }
    out += sql.substr(clauseEnd);
    return out;
}

}  // namespace dbdetail
