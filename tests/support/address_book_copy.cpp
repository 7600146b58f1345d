#include "support/address_book_copy.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include "build_paths.h"

namespace {

// An open connection to a book, closed on every way out.
class BareBook {
public:
    BareBook(const std::string& path, int flags) {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }
    ~BareBook() { sqlite3_close(db_); }
    BareBook(const BareBook&) = delete;
    BareBook& operator=(const BareBook&) = delete;
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

constexpr int kReadWrite = SQLITE_OPEN_READWRITE;

bool Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) ADD_FAILURE() << "sql failed: " << sql << ": " << (error ? error : "");
    sqlite3_free(error);
    return rc == SQLITE_OK;
}

void Insert(sqlite3* db, const ContactColumns& fields, const Bytes& photo) {
    std::string columns, marks;
    const auto add = [&](const std::string& column) {
        if (!columns.empty()) {
            columns += ',';
            marks += ',';
        }
        columns += column;
        marks += '?';
    };
    for (const auto& field : fields) add(field.first);
    if (!photo.empty()) add("照片");
    const std::string sql = "INSERT INTO 通讯录 (" + columns + ") VALUES (" + marks + ")";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
        return;
    }
    int i = 1;
    for (const auto& [column, value] : fields)
        sqlite3_bind_text(st, i++, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    if (!photo.empty()) sqlite3_bind_blob(st, i, photo.data(), static_cast<int>(photo.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE) << sqlite3_errmsg(db);
    sqlite3_finalize(st);
}

}  // namespace

bool CopyDeliveredBook(const std::string& to) {
    namespace fs = std::filesystem;
    const fs::path delivered = fs::path(VARELO_PROGRAM_DIR) / "VRL3.mdb";
    std::error_code error;
    fs::copy_file(delivered, to, error);
    if (!error) fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, error);
    if (error) ADD_FAILURE() << delivered << " -> " << to << ": " << error.message();
    return !error;
}

bool CopyProgramFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path skin = fs::path(VARELO_PROGRAM_DIR) / "libSkinH_EL.so";
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error) fs::copy_file(skin, fs::path(folder) / skin.filename(), error);
    if (error) ADD_FAILURE() << skin << " -> " << folder << ": " << error.message();
    return !error && CopyDeliveredBook((fs::path(folder) / "VRL3.mdb").string());
}

AddressBookCopy::AddressBookCopy() : path_(folder_.file("VRL3.mdb")) { CopyDeliveredBook(path_); }

void ExecOnBook(const std::string& book, const std::string& sql) {
    BareBook db(book, kReadWrite);
    if (db.get()) Exec(db.get(), sql);
}

void AddContact(const std::string& book, const ContactColumns& fields, const Bytes& photo) {
    BareBook db(book, kReadWrite);
    if (db.get()) Insert(db.get(), fields, photo);
}

void AddContacts(const std::string& book, const std::vector<ContactColumns>& contacts) {
    BareBook db(book, kReadWrite);
    if (!db.get() || !Exec(db.get(), "BEGIN")) return;
    for (const auto& fields : contacts) Insert(db.get(), fields, {});
    Exec(db.get(), "COMMIT");
}

void AddUser(const std::string& book, const std::string& name, const std::string& password, const Bytes& avatar) {
    BareBook db(book, kReadWrite);
    if (!db.get()) return;
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.get(), "INSERT INTO 用户 (用户名, 密码, 头像) VALUES (?, ?, ?)", -1, &st, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(db.get());
    sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, password.c_str(), -1, SQLITE_TRANSIENT);
    if (avatar.empty()) sqlite3_bind_null(st, 3);
    else sqlite3_bind_blob(st, 3, avatar.data(), static_cast<int>(avatar.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE) << sqlite3_errmsg(db.get());
    sqlite3_finalize(st);
}

void ExpectColumns(const StoredContact& row, const ContactColumns& expected) {
    for (const auto& [column, value] : expected) EXPECT_EQ(row[column], value) << column;
}

std::vector<StoredContact> StoredContacts(const std::string& book) {
    std::vector<StoredContact> out;
    BareBook db(book, SQLITE_OPEN_READONLY);
    if (!db.get()) return out;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.get(), "select * from 通讯录 order by 编号", -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        StoredContact contact;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            if (sqlite3_column_type(st, i) == SQLITE_NULL) continue;
            const std::string name = sqlite3_column_name(st, i);
            if (name == "照片") {
                auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(st, i));
                contact.photo.assign(p, p + sqlite3_column_bytes(st, i));
            } else {
                auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                contact.fields[name] = std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
            }
        }
        out.push_back(std::move(contact));
    }
    sqlite3_finalize(st);
    return out;
}

std::string IntegrityCheck(const std::string& book) {
    // Read-write, so that a journal a killed writer left behind is rolled back first.
    BareBook db(book, SQLITE_OPEN_READWRITE);
    if (!db.get()) return "cannot open " + book;
    sqlite3_stmt* st = nullptr;
    std::string verdict;
    if (sqlite3_prepare_v2(db.get(), "pragma integrity_check", -1, &st, nullptr) != SQLITE_OK)
        return sqlite3_errmsg(db.get());
    while (sqlite3_step(st) == SQLITE_ROW) {
        if (!verdict.empty()) verdict += "\n";
        verdict += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    }
    sqlite3_finalize(st);
    return verdict;
}
