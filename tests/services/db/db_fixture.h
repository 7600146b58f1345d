#pragma once
// Checks made with the bare SQLite API on a fresh copy of the delivered
// address book, independent of the code under test.

#include "support/address_book_copy.h"
#include "support/file_bytes.h"

#include <sqlite3.h>

#include <string>

// The first value of the first row as UTF-8 text; "NULL" for a null value,
// "<none>" when there is no row.
inline std::string RawValue(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    std::string out = "<error>";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        if (sqlite3_step(st) == SQLITE_ROW)
            out = sqlite3_column_type(st, 0) == SQLITE_NULL
                      ? "NULL"
                      : std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                    sqlite3_column_bytes(st, 0));
        else out = "<none>";
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}
