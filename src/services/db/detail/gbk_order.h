#pragma once
// Chinese names sort in pinyin order the way Chinese users expect: by their
// GB2312/GBK codes. SQLite gets this as a collation registered on every
// connection; the file itself declares none, so any SQLite tool can read it.

#include <string>

struct sqlite3;

namespace dbdetail {

inline constexpr const char* kGbkCollation = "GBK";

// Compares two UTF-8 texts by their GBK codes, Latin letters without regard
// to case (characters GBK lacks come after all others, by code point).
int CompareByGbk(std::string_view a, std::string_view b);

bool RegisterGbkCollation(sqlite3* db);

// The statement with "COLLATE GBK" added to each term of its outermost
// ORDER BY clause (unless the term names its own collation or is a column
// number). Numbers never compare through a collation, so this changes the
// order of text values only.
std::string WithGbkOrdering(const std::string& sql);

}  // namespace dbdetail
