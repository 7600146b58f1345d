#pragma once
// A fresh copy of the delivered address book per test, and a few checks
// made with the bare SQLite API, independent of the code under test.

#include "services/core/text.h"
#include "support/temp_folder.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

class AddressBookCopy {
public:
    AddressBookCopy() : path_(folder_.file("VRL3.mdb")) {
        std::filesystem::copy_file(std::string(VARELO_PROGRAM_DIR) + "/VRL3.mdb", path_);
    }
    const std::string& path() const { return path_; }
    Text pathText() const { return Text::fromUtf8(path_); }
    const TempFolder& folder() const { return folder_; }

private:
    TempFolder folder_;
    std::string path_;
};

// Runs statements on the file with the bare API; throws when they fail.
inline void RawExec(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    char* message = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    std::string why = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error(why);
}

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
                      : std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), sqlite3_column_bytes(st, 0));
        else
            out = "<none>";
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
