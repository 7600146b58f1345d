// The address book file: an SQLite database shared by the batch worker's
// record set and the window thread. Every use of the connection holds the
// source's own mutex, so SQLite's per-call locking (taken again for each
// column of each row read) is switched off: one lock per call, not one per
// value.

#include "services/db/detail/cell_text.h"
#include "services/db/detail/name_order.h"
#include "services/db/detail/source.h"
#include "services/db/detail/spelling_function.h"
#include "services/db/detail/sql_words.h"
#include "services/db/detail/stored_order.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>

namespace dbdetail {

namespace {

ColumnKind kindOfDeclaration(const char* declared) {
    std::string t;
    for (const char* p = declared ? declared : ""; *p; ++p)
        t += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    auto has = [&](const char* w) { return t.find(w) != std::string::npos; };
    if (has("BOOL") || t == "BIT") return ColumnKind::Boolean;
    if (has("DATE") || has("TIME")) return ColumnKind::Date;
    if (has("BLOB") || has("BINARY") || has("IMAGE") || has("OLE")) return ColumnKind::Blob;
    if (has("INT")) return ColumnKind::Integer;
    if (has("REAL") || has("FLOA") || has("DOUB") || has("NUM") || has("DEC")) return ColumnKind::Real;
    return ColumnKind::Text;
}

// `type` is the column's sqlite3_column_type, read once by the caller.
Cell cellOf(sqlite3_stmt* st, int i, int type, ColumnKind kind, bool blobSizeOnly) {
    if (type == SQLITE_NULL) return Cell::null();
    if (blobSizeOnly) return Cell::ofBlobSize(sqlite3_column_int64(st, i));
    switch (type) {
    case SQLITE_INTEGER:
        if (kind == ColumnKind::Boolean) return Cell::ofBool(sqlite3_column_int64(st, i) != 0);
        return Cell::ofInteger(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT: return Cell::ofReal(sqlite3_column_double(st, i));
    case SQLITE_TEXT: {
        std::string s(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
        if (kind == ColumnKind::Date) {
            if (IsCanonicalDate(s)) return Cell::ofText(std::move(s), Cell::Kind::Date);
            if (auto d = NormalizedDate(s)) return Cell::ofText(*d, Cell::Kind::Date);
        }
        return Cell::ofText(std::move(s));
    }
    default: {
        const void* p = sqlite3_column_blob(st, i);
        return Cell::ofText(std::string(static_cast<const char*>(p), sqlite3_column_bytes(st, i)), Cell::Kind::Blob);
    }
    }
}

// Appends the value of column i of the current row, as cellOf would give it.
void appendValue(std::string& packed, sqlite3_stmt* st, int i, ColumnKind kind, bool blobSizeOnly) {
    const int type = sqlite3_column_type(st, i);
    if (type == SQLITE_NULL) return AppendCell(packed, Cell::null());
    if (type == SQLITE_TEXT && !blobSizeOnly) {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        std::size_t n = static_cast<std::size_t>(sqlite3_column_bytes(st, i));
        if (kind != ColumnKind::Date) return AppendBytesCell(packed, Cell::Kind::Text, p, n);
        if (IsCanonicalDate(std::string_view(p, n))) return AppendBytesCell(packed, Cell::Kind::Date, p, n);
    }
    AppendCell(packed, cellOf(st, i, type, kind, blobSizeOnly));
}

bool onlyBlanks(const char* tail) {
    for (; tail && *tail; ++tail)
        if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';') return false;
    return true;
}

class Statement {
public:
    Statement() = default;
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt** out() { return &st_; }
    sqlite3_stmt* get() const { return st_; }
    void reset() {
        sqlite3_finalize(st_);
        st_ = nullptr;
    }

private:
    sqlite3_stmt* st_ = nullptr;
};

class SqliteSource : public Source {
public:
    explicit SqliteSource(sqlite3* db) : db_(db) {}
    ~SqliteSource() override {
        cache_.clear();
        sqlite3_close_v2(db_);
    }

    std::string providerName() const override { return "SQLite"; }
    std::string providerVersion() const override { return sqlite3_libversion(); }

    long long execute(const std::string& sql, const std::vector<Cell>& params, long long* newRowid) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        if (transactionOpen_ && sqlite3_get_autocommit(db_)) {
            // The engine rolled the transaction back (a full disk, an I/O
            // error): the writes that follow must fail with it rather than be
            // stored one by one, outside it; a rollback ends it.
            if (FirstKeyword(sql) == "rollback") {
                transactionOpen_ = false;
                return 0;
            }
            addError({"The transaction was rolled back: " + lostReason_, "", SQLITE_ABORT_ROLLBACK, "SQLite"});
            return -1;
        }
        Statement st;
        if (!prepare(sql, st)) return -1;
        for (std::size_t i = 0; i < params.size(); ++i) bind(st.get(), int(i) + 1, params[i]);
        const bool wasOpen = !sqlite3_get_autocommit(db_);
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        }
        const bool isOpen = !sqlite3_get_autocommit(db_);
        if (!wasOpen && isOpen) transactionOpen_ = true;
        if (wasOpen && !isOpen) {
            if (rc == SQLITE_DONE) transactionOpen_ = false;
            else lostReason_ = sqlite3_errmsg(db_);
        }
        if (rc != SQLITE_DONE) {
            fail();
            return -1;
        }
        if (newRowid) *newRowid = sqlite3_last_insert_rowid(db_);
        return sqlite3_changes64(db_);
    }

    bool inTransaction() const override {
        std::lock_guard lock(mutex_);
        return transactionOpen_ || !sqlite3_get_autocommit(db_);
    }

    bool query(const std::string& sql, ResultData& out) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        out = ResultData();
        std::string text = orderedText(sql);
        Statement plain;
        if (!prepare(text, plain)) return false;
        int n = sqlite3_column_count(plain.get());
        if (n == 0) {
            addError({"The statement returns no records: use it as a command.", "", SQLITE_MISUSE, "SQLite"});
            return false;
        }
        std::string table;
        bool oneTable = true;
        for (int i = 0; i < n; ++i) {
            Column c;
            c.name = sqlite3_column_name(plain.get(), i);
            const char* origin = sqlite3_column_origin_name(plain.get(), i);
            const char* tab = sqlite3_column_table_name(plain.get(), i);
            const char* dbName = sqlite3_column_database_name(plain.get(), i);
            c.origin = origin ? origin : "";
            c.kind = kindOfDeclaration(sqlite3_column_decltype(plain.get(), i));
            c.writable = origin != nullptr;
            if (!tab || !dbName || std::strcmp(dbName, "main") != 0 || (i > 0 && table != tab)) oneTable = false;
            if (tab && i == 0) table = tab;
            if (origin && tab) {
                const char* type = nullptr;
                int primary = 0, autoIncrement = 0;
                if (sqlite3_table_column_metadata(db_, "main", tab, origin, &type, nullptr, nullptr, &primary,
                                                  &autoIncrement) == SQLITE_OK) {
                    // The automatic key (INTEGER PRIMARY KEY) is numbered by the database.
                    if (primary && type && sqlite3_stricmp(type, "INTEGER") == 0) c.writable = false;
                }
            }
            out.columns.push_back(std::move(c));
        }

        // Rows with their identity; long binary columns only by size.
        Statement keyed;
        bool sizesOnly = false;
        if (oneTable && !groupsRows(text)) {
            std::size_t afterSelect = selectKeywordEnd(text);
            std::size_t fromAt = afterSelect ? starFromAt(text, afterSelect) : std::string::npos;
            std::string list = quoteName(table) + ".rowid";
            std::string keyedText;
            if (fromAt != std::string::npos) {
                std::string values;
                for (const auto& c : out.columns)
                    values +=
                        (values.empty() ? "" : ", ") +
                        (c.kind == ColumnKind::Blob ? "length(" + quoteName(c.origin) + ")" : quoteName(c.origin));
                list += ", " + values;
                // Only the identities now, the values a page at a time when read.
                if (!combinesSelects(sql)) {
                    const int keys = openKeys(sql, table, values, out);
                    if (keys < 0) {
                        out = ResultData();
                        return false;
                    }
                    if (keys > 0) return true;
                }
                keyedText = "SELECT " + list + " " + text.substr(fromAt);
                sizesOnly = true;
            } else if (afterSelect) {
                keyedText = "SELECT " + list + "," + text.substr(afterSelect);
            }
            if (!keyedText.empty() &&
                (sqlite3_prepare_v2(db_, keyedText.c_str(), int(keyedText.size()), keyed.out(), nullptr) != SQLITE_OK ||
                 sqlite3_column_count(keyed.get()) != n + 1)) {
                keyed.reset();
                sizesOnly = false;
            }
            if (keyed.get()) out.table = table;
            if (sizesOnly)
                out.rereadSql =
                    "SELECT " + list.substr(list.find(',') + 1) + " FROM " + quoteName(table) + " WHERE rowid=?";
        }
        if (!keyed.get()) {
            for (auto& c : out.columns) c.writable = false;
        }
        sqlite3_stmt* st = keyed.get() ? keyed.get() : plain.get();
        int first = keyed.get() ? 1 : 0;
        std::string packed;  // one row, then copied once at its exact size
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            Row row;
            if (first) row.rowid = sqlite3_column_int64(st, 0);
            packed.clear();
            for (int i = 0; i < n; ++i) {
                bool blob = sizesOnly && out.columns[i].kind == ColumnKind::Blob;
                appendValue(packed, st, i + first, out.columns[i].kind, blob);
            }
            row.packed.assign(packed);
            out.rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            fail();
            out = ResultData();
            return false;
        }
        return true;
    }

    bool keepStoredOrder(const std::string& table, const std::string& column,
                         const std::vector<std::string>& searched) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        StoredOrder order(table, column, searched);
        if (!order.prepare(db_)) return false;
        for (auto& kept : storedOrders_) {
            if (sqlite3_stricmp(kept.table().c_str(), table.c_str()) == 0) {
                kept = std::move(order);
                return true;
            }
        }
        storedOrders_.push_back(std::move(order));
        return true;
    }

    bool reread(const ResultData& result, Row& row) override {
        if (result.rereadSql.empty() || row.rowid < 0) return false;
        std::lock_guard lock(mutex_);
        Statement st;
        if (!prepare(result.rereadSql, st)) return false;
        sqlite3_bind_int64(st.get(), 1, row.rowid);
        if (sqlite3_step(st.get()) != SQLITE_ROW) return false;
        std::string packed;
        for (std::size_t i = 0; i < result.columns.size(); ++i)
            AppendCell(packed, cellOf(st.get(), int(i), sqlite3_column_type(st.get(), int(i)), result.columns[i].kind,
                                      result.columns[i].kind == ColumnKind::Blob));
        row.packed = std::move(packed);
        return true;
    }

    bool fetchRows(const ResultData& result, const long long* ids, std::size_t count, std::vector<Row>& rows) override {
        // An identity the table no longer holds leaves its row gone.
        const auto wanted = AwaitKeyedRows(ids, count, rows);
        std::lock_guard lock(mutex_);
        clearErrors();
        sqlite3_stmt* st = cachedStatement(result.fetchSql);
        if (!st) return false;
        const std::size_t n = result.columns.size();
        std::string packed;
        for (std::size_t from = 0; from < count; from += kFetchBatch) {
            for (std::size_t k = 0; k < kFetchBatch; ++k) {
                if (from + k < count) sqlite3_bind_int64(st, int(k) + 1, ids[from + k]);
                else sqlite3_bind_null(st, int(k) + 1);
            }
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                packed.clear();
                for (std::size_t i = 0; i < n; ++i) {
                    const ColumnKind kind = result.columns[i].kind;
                    appendValue(packed, st, int(i) + 1, kind, kind == ColumnKind::Blob);
                }
                const long long id = sqlite3_column_int64(st, 0);
                auto at = std::lower_bound(wanted.begin(), wanted.end(), std::make_pair(id, std::size_t(0)));
                for (; at != wanted.end() && at->first == id; ++at) {
                    rows[at->second].gone = false;
                    rows[at->second].packed = packed;
                }
            }
            // A statement left unreset would hold the file's read lock.
            if (rc != SQLITE_DONE) fail();
            sqlite3_reset(st);
            if (rc != SQLITE_DONE) return false;
        }
        return true;
    }

    bool readBlob(const ResultData& result, const Row& row, int column, std::string& bytes) override {
        bytes.clear();
        if (result.table.empty() || row.rowid < 0) return false;
        std::lock_guard lock(mutex_);
        clearErrors();
        Statement st;
        std::string sql = "SELECT " + quoteName(result.columns[column].origin) + " FROM " + quoteName(result.table) +
                          " WHERE rowid=?";
        if (!prepare(sql, st)) return false;
        sqlite3_bind_int64(st.get(), 1, row.rowid);
        int rc = sqlite3_step(st.get());
        if (rc == SQLITE_DONE) {
            addError({"The row no longer exists.", "", SQLITE_NOTFOUND, "SQLite"});
            return false;
        }
        if (rc != SQLITE_ROW) {
            fail();
            return false;
        }
        const void* p = sqlite3_column_blob(st.get(), 0);
        bytes.assign(static_cast<const char*>(p), sqlite3_column_bytes(st.get(), 0));
        return true;
    }

private:
    static constexpr std::size_t kFetchBatch = 128;

    // Opens a plain "select * from <table> ..." statement by its row
    // identities alone: 1 when the result is keyed, 0 when the statement does
    // not take that form (the caller reads it statically), -1 on a failure.
    // The identity statement goes through the same ordering rewrite as every
    // query, so both orders agree.
    int openKeys(const std::string& sql, const std::string& table, const std::string& values, ResultData& out) {
        const std::size_t fromAt = starFromAt(sql, selectKeywordEnd(sql));
        if (fromAt == std::string::npos) return 0;
        const std::string idText = orderedText("SELECT " + quoteName(table) + ".rowid " + sql.substr(fromAt));
        std::string marks;
        for (std::size_t k = 0; k < kFetchBatch; ++k) marks += k ? ",?" : "?";
        const std::string fetchSql =
            "SELECT rowid, " + values + " FROM " + quoteName(table) + " WHERE rowid IN (" + marks + ")";
        Statement ids;
        if (sqlite3_prepare_v2(db_, idText.c_str(), int(idText.size()), ids.out(), nullptr) != SQLITE_OK ||
            !ids.get() || sqlite3_column_count(ids.get()) != 1 || !cachedStatement(fetchSql)) {
            clearErrors();
            return 0;
        }
        int rc;
        while ((rc = sqlite3_step(ids.get())) == SQLITE_ROW) out.ids.push_back(sqlite3_column_int64(ids.get(), 0));
        if (rc != SQLITE_DONE) {
            fail();
            return -1;
        }
        out.ids.shrink_to_fit();
        out.keyed = true;
        out.table = table;
        out.fetchSql = fetchSql;
        out.rereadSql = "SELECT " + values + " FROM " + quoteName(table) + " WHERE rowid=?";
        return 1;
    }

    // A prepared statement kept for the connection's life: page reads run
    // the same few statements again and again.
    sqlite3_stmt* cachedStatement(const std::string& sql) {
        if (auto found = cache_.find(sql); found != cache_.end()) return found->second->get();
        if (cache_.size() >= 8) cache_.clear();
        auto st = std::make_unique<Statement>();
        if (!prepare(sql, *st)) return nullptr;
        return cache_.emplace(sql, std::move(st)).first->second->get();
    }

    // The statement ordered by its table's stored order where it has one and
    // it is ready, else with each ORDER BY term sorted in name order.
    std::string orderedText(const std::string& sql) {
        for (auto& order : storedOrders_) {
            if (auto walked = order.rewrite(sql)) {
                if (!order.ready(db_)) break;
                if (auto narrow = order.narrowRewrite(sql); narrow && compiles(*narrow)) return *narrow;
                return *walked;
            }
        }
        return WithNameOrdering(sql);
    }

    // Whether the statement compiles here, leaving no error behind.
    bool compiles(const std::string& sql) {
        Statement st;
        return sqlite3_prepare_v2(db_, sql.c_str(), int(sql.size()), st.out(), nullptr) == SQLITE_OK && st.get();
    }

    bool prepare(const std::string& sql, Statement& st) {
        // SQLite reads a statement up to its first NUL byte: the rest would be
        // dropped without a word, and the cut text's error would quote it.
        if (sql.find('\0') != std::string::npos) {
            addError({"The statement holds a NUL character.", "", SQLITE_ERROR, "SQLite"});
            return false;
        }
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), int(sql.size()), st.out(), &tail) != SQLITE_OK) {
            fail();
            return false;
        }
        if (!st.get()) {
            addError({"The statement is empty.", "", SQLITE_MISUSE, "SQLite"});
            return false;
        }
        // One statement per call: text after the first one is refused, not run.
        if (!onlyBlanks(tail)) {
            st.reset();
            addError({"Characters found after the end of the SQL statement.", "", SQLITE_ERROR, "SQLite"});
            return false;
        }
        return true;
    }

    static void bind(sqlite3_stmt* st, int i, const Cell& c) {
        switch (c.kind) {
        case Cell::Kind::Null:
        case Cell::Kind::BlobSize: sqlite3_bind_null(st, i); break;
        case Cell::Kind::Integer:
        case Cell::Kind::Boolean: sqlite3_bind_int64(st, i, c.integer); break;
        case Cell::Kind::Real:
        case Cell::Kind::Single: sqlite3_bind_double(st, i, c.real); break;
        case Cell::Kind::Text:
        case Cell::Kind::Date: sqlite3_bind_text(st, i, c.text.data(), int(c.text.size()), SQLITE_TRANSIENT); break;
        case Cell::Kind::Blob: sqlite3_bind_blob(st, i, c.text.data(), int(c.text.size()), SQLITE_TRANSIENT); break;
        }
    }

    void fail() { addError({sqlite3_errmsg(db_), "", sqlite3_extended_errcode(db_), "SQLite"}); }

    sqlite3* db_;
    mutable std::mutex mutex_;
    std::map<std::string, std::unique_ptr<Statement>> cache_;
    bool transactionOpen_ = false;           // a transaction was begun and has not ended
    std::string lostReason_;                 // why the engine rolled it back
    std::vector<StoredOrder> storedOrders_;  // one (table, column) each
};

// What is wrong with the file, judged from its first bytes and its size;
// empty when it looks like a whole SQLite database. `info` receives the
// file's status.
std::string fileProblem(const std::string& path, struct stat& info) {
    if (stat(path.c_str(), &info) != 0) return "Cannot open the database: no such file: " + path;
    if (!S_ISREG(info.st_mode)) return "Cannot open the database: not a file: " + path;
    unsigned char h[100] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(h), sizeof h);
    std::size_t got = static_cast<std::size_t>(in.gcount());
    if (got >= 19 && (std::memcmp(h + 4, "Standard Jet DB", 15) == 0 || std::memcmp(h + 4, "Standard ACE DB", 15) == 0))
        return "Not an SQLite database (a Microsoft Access file): " + path;
    if (got < sizeof h || std::memcmp(h, "SQLite format 3", 16) != 0) return "Not an SQLite database: " + path;
    auto be32 = [&](int at) {
        return (unsigned(h[at]) << 24) | (unsigned(h[at + 1]) << 16) | (unsigned(h[at + 2]) << 8) | h[at + 3];
    };
    unsigned pageSize = (unsigned(h[16]) << 8) | h[17];
    if (pageSize == 1) pageSize = 65536;
    unsigned pages = be32(28);
    // The page count in the header is valid when its change counter matches.
    if (pages > 0 && be32(24) == be32(92) &&
        static_cast<unsigned long long>(info.st_size) < static_cast<unsigned long long>(pageSize) * pages)
        return "The database file is damaged (truncated): " + path;
    return {};
}

}  // namespace

std::shared_ptr<Source> OpenSqliteFile(const std::string& path, std::vector<ErrorEntry>& errors) {
    struct stat info {};
    if (auto problem = fileProblem(path, info); !problem.empty()) {
        errors.push_back({problem, "", SQLITE_CANTOPEN, "SQLite"});
        return nullptr;
    }
    // A file without write permission stays untouched, even for a user the
    // system would let write it.
    int mode = (info.st_mode & 0222) ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, mode | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        errors.push_back({db ? sqlite3_errmsg(db) : sqlite3_errstr(rc), "", rc, "SQLite"});
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    // Another program holding the file waits this long before a write gives up.
    sqlite3_busy_timeout(db, 1000);
    RegisterNameOrder(db);
    RegisterSpellingMatch(db);
    char* message = nullptr;
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::string why = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        errors.push_back({"The database file is damaged or not a database (" + why + "): " + path, "", rc, "SQLite"});
        sqlite3_close_v2(db);
        return nullptr;
    }
    return std::make_shared<SqliteSource>(db);
}

}  // namespace dbdetail
