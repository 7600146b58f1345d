#pragma once
// Chinese names sort in pinyin order the way Chinese users expect: by their
// GB2312/GBK codes. SQLite gets this as a collation and a sort-key function
// registered on every connection; the file itself names neither, so any
// SQLite tool can read it.

#include <string>

struct sqlite3;

namespace dbdetail {

inline constexpr const char* kGbkCollation = "GBK";
// gbk_sort_key(x): a BLOB whose byte order is CompareByGbk's order for texts
// (numbers and NULL returned as they are, other BLOBs after every text).
inline constexpr const char* kGbkSortKey = "gbk_sort_key";

// Compares two UTF-8 texts by their GBK codes, Latin letters without regard
// to case (characters GBK lacks come after all others, by code point).
int CompareByGbk(std::string_view a, std::string_view b);

// Registers both the collation and the sort-key function.
bool RegisterGbkCollation(sqlite3* db);

// The statement with each term of its outermost ORDER BY clause sorted by
// GBK (unless the term names its own collation or is a column number):
// wrapped in gbk_sort_key(), which SQLite computes once per row, or, in a
// compound select (whose terms may only name result columns), given
// "COLLATE GBK". Either way only the order of text values changes.
std::string WithGbkOrdering(const std::string& sql);

}  // namespace dbdetail
