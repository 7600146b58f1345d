#pragma once
// The spelling match as an SQL function, so that a search statement can ask
// for the contacts whose name matches the pinyin typed (services/core/pinyin_match.h).

struct sqlite3;

namespace dbdetail {

// Registers spelling_match(name, keys) on the connection: 1 when the name
// matches the keys by its pinyin spelling, 0 otherwise (and for NULL). The
// keys, a constant of the statement, are prepared once per statement.
bool RegisterSpellingMatch(sqlite3* db);

}  // namespace dbdetail
