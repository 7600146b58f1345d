#pragma once
// Names in SQL ORDER BY sort in the program's name order (pinyin_order.h):
// SQLite gets it as a collation and a sort-key function registered on every
// connection; the file itself names neither, so any SQLite tool can read it.

#include <string>
#include <string_view>

struct sqlite3;

namespace dbdetail {

inline constexpr const char* kNameCollation = "NAME_ORDER";
// name_sort_key(x): a BLOB whose byte order (memcmp, then the shorter first)
// is CompareNames' order for texts: a 1, each character's weight plus one in
// three bytes, three zero bytes, then the text's own bytes. A number gets a
// 0 and its value in eight order-keeping bytes, so numbers keep their order
// and come before every text; another BLOB gets a 2 and its bytes, after
// every text; NULL stays NULL.
inline constexpr const char* kNameSortKey = "name_sort_key";
// name_stored_key(x): the same, but x'' for NULL, for a key kept in a table
// where NULL means "not computed yet".
inline constexpr const char* kNameStoredKey = "name_stored_key";

// Compares two UTF-8 texts in name order: <0, 0, >0. Characters GBK lacks
// come after all others, by code point; bytes that are no UTF-8 after those.
int CompareNames(std::string_view a, std::string_view b);

// The name_sort_key of a text.
std::string NameSortKey(std::string_view text);

// Registers the collation and both key functions.
bool RegisterNameOrder(sqlite3* db);

// The statement with each term of its outermost ORDER BY clause sorted in
// name order (unless the term names its own collation or is a column
// number): wrapped in name_sort_key(), which SQLite computes once per row,
// or, in a compound select (whose terms may only name result columns), given
// "COLLATE NAME_ORDER". Either way only the order of text values changes.
std::string WithNameOrdering(const std::string& sql);

}  // namespace dbdetail
