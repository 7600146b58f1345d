// Connection texts for unixODBC: data sources named by DSN or driver. Texts
// cross the ODBC interface as UTF-8. A result is read whole, long binary
// values with the rows, except on a PostgreSQL server book: there the
// statements are translated to the server's SQL (pg_dialect.h), and
// "select * from <table> ..." on a table with a one-column integer key reads
// only the keys in order, the rows a page at a time by key, with the row
// version (xmin) that Update and Delete check, and long binary values by
// size until they are read.

#include "services/db/detail/cell_text.h"
#include "services/db/detail/pg_dialect.h"
#include "services/db/detail/source.h"
#include "services/db/detail/sql_words.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

namespace dbdetail {

namespace {

ColumnKind kindOfSqlType(SQLSMALLINT type) {
    switch (type) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: return ColumnKind::Integer;
    case SQL_BIT: return ColumnKind::Boolean;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC: return ColumnKind::Real;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP: return ColumnKind::Date;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return ColumnKind::Blob;
    default: return ColumnKind::Text;
    }
}

class Handle {
public:
    Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &h_))) h_ = SQL_NULL_HANDLE;
    }
    ~Handle() {
        if (h_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    SQLHANDLE get() const { return h_; }

private:
    SQLSMALLINT type_;
    SQLHANDLE h_ = SQL_NULL_HANDLE;
};

void diagnostics(SQLSMALLINT type, SQLHANDLE h, std::vector<ErrorEntry>& out) {
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6] = {}, message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, h, i, state, &native, message, sizeof message, &length))) break;
        out.push_back({reinterpret_cast<char*>(message), reinterpret_cast<char*>(state), int(native), "ODBC"});
    }
}

std::string infoText(SQLHDBC dbc, SQLUSMALLINT what) {
    SQLCHAR buf[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(dbc, what, buf, sizeof buf, &length))) return {};
    return reinterpret_cast<char*>(buf);
}

std::string columnAttribute(SQLHSTMT st, SQLUSMALLINT col, SQLUSMALLINT what) {
    SQLCHAR buf[512] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLColAttribute(st, col, what, buf, sizeof buf, &length, nullptr))) return {};
    return reinterpret_cast<char*>(buf);
}

// Reads a character or binary value in pieces; false on a driver error.
bool readPieces(SQLHSTMT st, SQLUSMALLINT col, SQLSMALLINT cType, std::string& out, bool& isNull) {
    out.clear();
    isNull = false;
    char buf[8192];
    const std::size_t terminator = cType == SQL_C_CHAR ? 1 : 0;
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(st, col, cType, buf, sizeof buf, &indicator);
        if (rc == SQL_NO_DATA) return true;
        if (!SQL_SUCCEEDED(rc)) return false;
        if (indicator == SQL_NULL_DATA) {
            isNull = true;
            return true;
        }
        std::size_t room = sizeof buf - terminator;
        std::size_t got = (indicator == SQL_NO_TOTAL || std::size_t(indicator) > room) ? room : std::size_t(indicator);
        out.append(buf, got);
        if (rc == SQL_SUCCESS) return true;
    }
}

// The table a statement "select * from <table> ..." reads, as the server
// names it, and where the clause after the name starts; empty when the
// statement reads anything else (a join, an alias, grouped or combined rows).
std::string plainTableOf(const std::string& sql, std::size_t& restAt) {
    const std::size_t afterSelect = selectKeywordEnd(sql);
    if (!afterSelect) return {};
    const std::size_t fromAt = starFromAt(sql, afterSelect);
    if (fromAt == std::string::npos || groupsRows(sql) || combinesSelects(sql)) return {};
    std::size_t i = fromAt + 4;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    std::string table;
    if (i < sql.size() && sql[i] == '"') {
        for (++i; i < sql.size(); ++i) {
            if (sql[i] == '"') {
                if (i + 1 < sql.size() && sql[i + 1] == '"') {
                    table += '"';
                    ++i;
                    continue;
                }
                break;
            }
            table += sql[i];
        }
        if (i >= sql.size()) return {};
        ++i;
    } else {
        // An unquoted name is folded to lower case by the server.
        for (; i < sql.size() && IsNameChar(sql[i]); ++i)
            table += static_cast<char>(std::tolower(static_cast<unsigned char>(sql[i])));
    }
    if (table.empty()) return {};
    std::size_t rest = i;
    while (rest < sql.size() && std::isspace(static_cast<unsigned char>(sql[rest]))) ++rest;
    if (rest < sql.size() && sql[rest] != ';' && !KeywordAt(sql, rest, "where") &&
        ByClauseAt(sql, rest, "order") == std::string::npos && !KeywordAt(sql, rest, "limit") &&
        !KeywordAt(sql, rest, "offset"))
        return {};
    restAt = fromAt;
    return table;
}

// The table named after "insert into", as the server names it.
std::string insertedTableOf(const std::string& sql) {
    if (FirstKeyword(sql) != "insert") return {};
    std::size_t i = sql.find_first_not_of(" \t\r\n");
    i += 6;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    if (!KeywordAt(sql, i, "into")) return {};
    i += 4;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    std::string table;
    if (i < sql.size() && sql[i] == '"') {
        std::size_t end = sql.find('"', i + 1);
        if (end == std::string::npos) return {};
        return sql.substr(i + 1, end - i - 1);
    }
    for (; i < sql.size() && IsNameChar(sql[i]); ++i)
        table += static_cast<char>(std::tolower(static_cast<unsigned char>(sql[i])));
    return table;
}

class OdbcSource : public Source {
public:
    OdbcSource(std::unique_ptr<Handle> env, std::unique_ptr<Handle> dbc, std::set<std::string> secrets)
        : env_(std::move(env)), dbc_(std::move(dbc)), secrets_(std::move(secrets)) {
        name_ = infoText(dbc_->get(), SQL_DRIVER_NAME);
        version_ = infoText(dbc_->get(), SQL_DRIVER_VER);
        quote_ = infoText(dbc_->get(), SQL_IDENTIFIER_QUOTE_CHAR);
        dbms_ = infoText(dbc_->get(), SQL_DBMS_NAME);
        postgres_ = dbms_ == "PostgreSQL";
        if (quote_ == " ") quote_.clear();
    }
    ~OdbcSource() override {
        if (inTransaction_) SQLEndTran(SQL_HANDLE_DBC, dbc_->get(), SQL_ROLLBACK);
        SQLDisconnect(dbc_->get());
    }

    std::string providerName() const override { return "ODBC " + name_; }
    std::string providerVersion() const override { return version_; }
    std::string databaseSystem() const override { return dbms_.empty() ? providerName() : dbms_; }

    std::string quoteName(const std::string& name) const override {
        if (quote_.empty()) return name;
        std::string doubled;
        for (char c : name) doubled += c == quote_[0] ? quote_ + quote_ : std::string(1, c);
        return quote_ + doubled + quote_;
    }

    long long execute(const std::string& sql, const std::vector<Cell>& params, long long* newRowid) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        std::string text = forServer(sql);
        // A new row's identity comes back with the insert itself.
        std::string key;
        if (postgres_ && newRowid) {
            key = keyOf(insertedTableOf(text));
            if (!key.empty()) text += " RETURNING " + quoteName(key);
        }
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        if (!st.get()) return fail(SQL_HANDLE_DBC, dbc_->get());
        SQLRETURN rc = run(st.get(), text, params);
        if (rc == SQL_NO_DATA) return 0;
        if (!SQL_SUCCEEDED(rc)) return fail(SQL_HANDLE_STMT, st.get());
        const std::string first = FirstKeyword(text);
        if (first == "create" || first == "alter" || first == "drop") namesRead_ = false;
        SQLLEN changed = 0;
        SQLRowCount(st.get(), &changed);
        if (!key.empty()) {
            SQLBIGINT id = -1;
            SQLLEN indicator = 0;
            if (SQL_SUCCEEDED(SQLFetch(st.get())) &&
                SQL_SUCCEEDED(SQLGetData(st.get(), 1, SQL_C_SBIGINT, &id, 0, &indicator)) && indicator != SQL_NULL_DATA)
                *newRowid = id;
        }
        return changed < 0 ? 0 : changed;
    }

    long long count(const std::string& sql, const std::vector<Cell>& params) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        if (!st.get()) return fail(SQL_HANDLE_DBC, dbc_->get());
        SQLRETURN rc = run(st.get(), forServer(sql), params);
        if (SQL_SUCCEEDED(rc)) rc = SQLFetch(st.get());
        SQLBIGINT n = -1;
        SQLLEN indicator = 0;
        if (SQL_SUCCEEDED(rc)) rc = SQLGetData(st.get(), 1, SQL_C_SBIGINT, &n, 0, &indicator);
        if (!SQL_SUCCEEDED(rc)) return fail(SQL_HANDLE_STMT, st.get());
        return indicator == SQL_NULL_DATA ? -1 : n;
    }

    bool beginTransaction() override {
        std::lock_guard lock(mutex_);
        clearErrors();
        if (inTransaction_) {
            addError({"A transaction is open already: end it before beginning another.", "", 0, "ODBC"});
            return false;
        }
        SQLRETURN rc = SQLSetConnectAttr(dbc_->get(), SQL_ATTR_AUTOCOMMIT,
                                         reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
        if (!SQL_SUCCEEDED(rc)) return fail(SQL_HANDLE_DBC, dbc_->get()) >= 0;
        inTransaction_ = true;
        transactionFailure_.clear();
        return true;
    }

    bool commitTransaction() override {
        std::lock_guard lock(mutex_);
        clearErrors();
        if (!inTransaction_) {
            addError({"No transaction is open.", "", 0, "ODBC"});
            return false;
        }
        if (!transactionFailure_.empty()) {
            // The server drops a transaction in which a statement failed, and
            // its commit would say nothing: the writes before it are not stored.
            auto why = transactionFailure_;
            endTransaction(SQL_ROLLBACK);
            why.insert(why.begin(), {"The transaction was rolled back: a statement in it failed.", "", 0, "ODBC"});
            for (auto& e : why) addError(std::move(e));
            return false;
        }
        if (endTransaction(SQL_COMMIT)) return true;
        std::vector<ErrorEntry> why = errors();
        endTransaction(SQL_ROLLBACK);
        setErrors(why);
        return false;
    }

    bool rollbackTransaction() override {
        std::lock_guard lock(mutex_);
        clearErrors();
        if (!inTransaction_) {
            addError({"No transaction is open.", "", 0, "ODBC"});
            return false;
        }
        return endTransaction(SQL_ROLLBACK);
    }

    bool inTransaction() const override {
        std::lock_guard lock(mutex_);
        return inTransaction_;
    }

    bool query(const std::string& sql, ResultData& out) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        out = ResultData();
        const std::string text = forServer(sql);
        if (postgres_) {
            const int keyed = openKeyed(text, out);
            if (keyed > 0) return true;
            if (keyed < 0) {
                out = ResultData();
                return false;
            }
        }
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        if (!st.get()) return fail(SQL_HANDLE_DBC, dbc_->get()) >= 0;
        if (!SQL_SUCCEEDED(SQLExecDirect(st.get(), (SQLCHAR*)text.c_str(), SQL_NTS)))
            return fail(SQL_HANDLE_STMT, st.get()) >= 0;
        if (!describe(st.get(), out)) return false;
        const SQLUSMALLINT n = static_cast<SQLUSMALLINT>(out.columns.size());
        SQLRETURN rc;
        while (SQL_SUCCEEDED(rc = SQLFetch(st.get()))) {
            Row row;
            for (SQLUSMALLINT i = 1; i <= n; ++i) {
                Cell cell;
                if (!fetch(st.get(), i, out.columns[i - 1].kind, cell)) {
                    out = ResultData();
                    return fail(SQL_HANDLE_STMT, st.get()) >= 0;
                }
                AppendCell(row.packed, cell);
            }
            row.packed.shrink_to_fit();
            out.rows.push_back(std::move(row));
        }
        if (rc != SQL_NO_DATA) {
            out = ResultData();
            return fail(SQL_HANDLE_STMT, st.get()) >= 0;
        }
        return true;
    }

    bool reread(const ResultData& result, Row& row) override {
        if (result.rereadSql.empty() || row.rowid < 0) return false;
        std::lock_guard lock(mutex_);
        clearErrors();
        std::vector<Row> rows;
        if (!readKeyedRows(result, result.rereadSql + std::to_string(row.rowid), &row.rowid, 1, rows) ||
            rows.front().gone)
            return false;
        row.packed = std::move(rows.front().packed);
        row.version = rows.front().version;
        return true;
    }

    bool fetchRows(const ResultData& result, const long long* ids, std::size_t count, std::vector<Row>& rows) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        rows.clear();
        for (std::size_t from = 0; from < count; from += kFetchBatch) {
            const std::size_t n = std::min(kFetchBatch, count - from);
            std::string list;
            for (std::size_t k = 0; k < n; ++k) {
                if (k) list += ',';
                list += std::to_string(ids[from + k]);
            }
            std::vector<Row> batch;
            if (!readKeyedRows(result, result.fetchSql + list + ")", ids + from, n, batch)) return false;
            for (auto& r : batch) rows.push_back(std::move(r));
        }
        return true;
    }

    bool readBlob(const ResultData& result, const Row& row, int column, std::string& bytes) override {
        bytes.clear();
        if (!result.keyed || result.table.empty() || row.rowid < 0) return false;
        std::lock_guard lock(mutex_);
        clearErrors();
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        if (!st.get()) return fail(SQL_HANDLE_DBC, dbc_->get()) >= 0;
        const std::string sql = "SELECT " + quoteName(result.columns[column].origin) + " FROM " +
                                quoteName(result.table) + " WHERE " + result.identityCondition;
        SQLRETURN rc = run(st.get(), sql, {Cell::ofInteger(row.rowid)});
        if (SQL_SUCCEEDED(rc)) rc = SQLFetch(st.get());
        if (rc == SQL_NO_DATA) {
            addError({"The row no longer exists: another user or program deleted it.", "", 0, "ODBC"});
            return false;
        }
        bool isNull = false;
        if (!SQL_SUCCEEDED(rc) || !readPieces(st.get(), 1, SQL_C_BINARY, bytes, isNull))
            return fail(SQL_HANDLE_STMT, st.get()) >= 0;
        return true;
    }

private:
    static constexpr std::size_t kFetchBatch = 128;

    // The statement as the server reads it (pg_dialect.h).
    std::string forServer(const std::string& sql) {
        if (!postgres_) return sql;
        if (!namesRead_) readServerNames();
        return ToPostgres(sql, schema_);
    }

    // What the translation needs to know of the book: the names the server
    // spells with capitals, the text columns, whether name_sort_key is there.
    void readServerNames() {
        namesRead_ = true;
        schema_ = ServerSchema();
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        const char* sql =
            "SELECT 'c', table_name FROM information_schema.tables WHERE table_schema = current_schema() "
            "AND table_name <> lower(table_name) UNION SELECT 'c', column_name FROM information_schema.columns "
            "WHERE table_schema = current_schema() AND column_name <> lower(column_name) "
            "UNION SELECT 't', column_name FROM information_schema.columns WHERE table_schema = current_schema() "
            "AND data_type = 'text' UNION SELECT 'k', proname FROM pg_proc WHERE proname = 'name_sort_key' "
            "AND pronamespace = current_schema()::regnamespace";
        if (!st.get() || !SQL_SUCCEEDED(SQLExecDirect(st.get(), (SQLCHAR*)sql, SQL_NTS))) return;
        while (SQL_SUCCEEDED(SQLFetch(st.get()))) {
            std::string kind, name;
            bool isNull = false;
            if (!readPieces(st.get(), 1, SQL_C_CHAR, kind, isNull) ||
                !readPieces(st.get(), 2, SQL_C_CHAR, name, isNull) || isNull)
                continue;
            if (kind == "c") schema_.capitalised.insert(name);
            else if (kind == "t") schema_.textColumns.insert(name);
            else schema_.nameSortKey = true;
        }
    }

    // The one-column primary key of a table, as the server names it; empty
    // when it has none, or several columns make it.
    std::string keyOf(const std::string& table) {
        if (table.empty()) return {};
        if (auto found = keys_.find(table); found != keys_.end()) return found->second;
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        std::vector<std::string> columns;
        if (st.get() && SQL_SUCCEEDED(SQLPrimaryKeys(st.get(), nullptr, 0, nullptr, 0, (SQLCHAR*)table.c_str(),
                                                     static_cast<SQLSMALLINT>(table.size())))) {
            while (SQL_SUCCEEDED(SQLFetch(st.get()))) {
                std::string name;
                bool isNull = false;
                if (readPieces(st.get(), 4, SQL_C_CHAR, name, isNull) && !isNull) columns.push_back(name);
            }
        }
        std::string key = columns.size() == 1 ? columns.front() : std::string();
        keys_[table] = key;
        return key;
    }

    // Opens "select * from <table> ..." on a table with a one-column integer
    // key as the keys in order: 1 when keyed, 0 when the statement or table
    // does not allow it (the caller reads the statement whole), -1 on failure.
    int openKeyed(const std::string& text, ResultData& out) {
        std::size_t fromAt = 0;
        const std::string table = plainTableOf(text, fromAt);
        const std::string key = keyOf(table);
        if (key.empty()) return 0;
        {
            Handle st(SQL_HANDLE_STMT, dbc_->get());
            if (!st.get()) return int(fail(SQL_HANDLE_DBC, dbc_->get()));
            const std::string columnsOnly = "SELECT * FROM " + quoteName(table) + " LIMIT 0";
            if (!SQL_SUCCEEDED(SQLExecDirect(st.get(), (SQLCHAR*)columnsOnly.c_str(), SQL_NTS)))
                return int(fail(SQL_HANDLE_STMT, st.get()));
            if (!describe(st.get(), out)) return -1;
        }
        std::string values;
        bool keyIsInteger = false;
        for (auto& c : out.columns) {
            c.origin = c.name;
            if (c.name == key) {
                keyIsInteger = c.kind == ColumnKind::Integer;
                // The key is the row's identity: the server numbers it, and no write changes it.
                c.writable = false;
            }
            values +=
                ", " + (c.kind == ColumnKind::Blob ? "octet_length(" + quoteName(c.name) + ")" : quoteName(c.name));
        }
        if (!keyIsInteger) {
            out = ResultData();
            return 0;
        }
        const std::string qtable = quoteName(table), qkey = quoteName(key);
        const std::string idText = "SELECT " + qtable + "." + qkey + " " + text.substr(fromAt);
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        if (!st.get()) return int(fail(SQL_HANDLE_DBC, dbc_->get()));
        if (!SQL_SUCCEEDED(SQLExecDirect(st.get(), (SQLCHAR*)idText.c_str(), SQL_NTS)))
            return int(fail(SQL_HANDLE_STMT, st.get()));
        SQLRETURN rc;
        while (SQL_SUCCEEDED(rc = SQLFetch(st.get()))) {
            SQLBIGINT id = 0;
            SQLLEN indicator = 0;
            if (!SQL_SUCCEEDED(SQLGetData(st.get(), 1, SQL_C_SBIGINT, &id, 0, &indicator)))
                return int(fail(SQL_HANDLE_STMT, st.get()));
            out.ids.push_back(id);
        }
        if (rc != SQL_NO_DATA) return int(fail(SQL_HANDLE_STMT, st.get()));
        out.ids.shrink_to_fit();
        out.keyed = true;
        out.table = table;
        // xmin: the server's row version, which every write of the row changes.
        const std::string selected = "SELECT " + qkey + ", xmin::text" + values + " FROM " + qtable + " WHERE " + qkey;
        out.fetchSql = selected + " IN (";
        out.rereadSql = selected + " = ";
        out.identityCondition = qkey + " = ?";
        out.versionCondition = "xmin::text = ?";
        return 1;
    }

    // Runs a keyed read and places its rows by their identities; an identity
    // the table no longer holds leaves its row gone.
    bool readKeyedRows(const ResultData& result, const std::string& sql, const long long* ids, std::size_t count,
                       std::vector<Row>& rows) {
        const auto wanted = AwaitKeyedRows(ids, count, rows);
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        if (!st.get()) return fail(SQL_HANDLE_DBC, dbc_->get()) >= 0;
        if (!SQL_SUCCEEDED(SQLExecDirect(st.get(), (SQLCHAR*)sql.c_str(), SQL_NTS)))
            return fail(SQL_HANDLE_STMT, st.get()) >= 0;
        const std::size_t n = result.columns.size();
        SQLRETURN rc;
        std::string packed;
        while (SQL_SUCCEEDED(rc = SQLFetch(st.get()))) {
            SQLBIGINT id = 0;
            SQLLEN indicator = 0;
            std::string version;
            bool isNull = false;
            if (!SQL_SUCCEEDED(SQLGetData(st.get(), 1, SQL_C_SBIGINT, &id, 0, &indicator)) ||
                !readPieces(st.get(), 2, SQL_C_CHAR, version, isNull))
                return fail(SQL_HANDLE_STMT, st.get()) >= 0;
            packed.clear();
            for (std::size_t i = 0; i < n; ++i) {
                Cell cell;
                const auto col = static_cast<SQLUSMALLINT>(i + 3);
                if (result.columns[i].kind == ColumnKind::Blob) {
                    SQLBIGINT size = 0;
                    SQLLEN sizeIndicator = 0;
                    if (!SQL_SUCCEEDED(SQLGetData(st.get(), col, SQL_C_SBIGINT, &size, 0, &sizeIndicator)))
                        return fail(SQL_HANDLE_STMT, st.get()) >= 0;
                    cell = sizeIndicator == SQL_NULL_DATA ? Cell::null() : Cell::ofBlobSize(size);
                } else if (!fetch(st.get(), col, result.columns[i].kind, cell)) {
                    return fail(SQL_HANDLE_STMT, st.get()) >= 0;
                }
                AppendCell(packed, cell);
            }
            auto at = std::lower_bound(wanted.begin(), wanted.end(),
                                       std::make_pair(static_cast<long long>(id), std::size_t(0)));
            for (; at != wanted.end() && at->first == id; ++at) {
                Row& row = rows[at->second];
                row.gone = false;
                row.packed = packed;
                row.version = std::strtoll(version.c_str(), nullptr, 10);
            }
        }
        if (rc != SQL_NO_DATA) return fail(SQL_HANDLE_STMT, st.get()) >= 0;
        return true;
    }

    // The result's columns, read from an executed statement.
    bool describe(SQLHSTMT st, ResultData& out) {
        SQLSMALLINT n = 0;
        SQLNumResultCols(st, &n);
        if (n <= 0) {
            addError({"The statement returns no records: use it as a command.", "", 0, "ODBC"});
            return false;
        }
        std::string table;
        bool oneTable = true;
        for (SQLUSMALLINT i = 1; i <= n; ++i) {
            SQLCHAR name[512] = {};
            SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            SQLDescribeCol(st, i, name, sizeof name, &nameLength, &type, &size, &digits, &nullable);
            Column c;
            c.name = reinterpret_cast<char*>(name);
            c.kind = kindOfSqlType(type);
            c.origin = columnAttribute(st, i, SQL_DESC_BASE_COLUMN_NAME);
            if (c.origin.empty()) c.origin = c.name;
            std::string base = columnAttribute(st, i, SQL_DESC_BASE_TABLE_NAME);
            if (base.empty() || (i > 1 && base != table)) oneTable = false;
            if (i == 1) table = base;
            SQLLEN autoIncrement = SQL_FALSE;
            SQLColAttribute(st, i, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &autoIncrement);
            c.writable = autoIncrement != SQL_TRUE;
            out.columns.push_back(std::move(c));
        }
        if (oneTable) out.table = table;
        return true;
    }

    bool endTransaction(SQLSMALLINT how) {
        const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_->get(), how);
        if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_DBC, dbc_->get());
        SQLSetConnectAttr(dbc_->get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                          SQL_IS_UINTEGER);
        inTransaction_ = false;
        transactionFailure_.clear();
        return SQL_SUCCEEDED(rc);
    }

    // Runs `sql` on `st`, parameters bound in order. Input parameters are
    // read during the execution, so their buffers need not outlive it.
    SQLRETURN run(SQLHSTMT st, const std::string& sql, const std::vector<Cell>& params) const {
        if (params.empty()) return SQLExecDirect(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
        std::vector<SQLLEN> indicators(params.size());
        std::vector<SQLBIGINT> integers(params.size());
        std::vector<double> reals(params.size());
        SQLRETURN rc = SQLPrepare(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
        for (std::size_t i = 0; SQL_SUCCEEDED(rc) && i < params.size(); ++i)
            rc = bind(st, i, params[i], indicators, integers, reals);
        return SQL_SUCCEEDED(rc) ? SQLExecute(st) : rc;
    }

    long long fail(SQLSMALLINT type, SQLHANDLE h) {
        std::vector<ErrorEntry> found;
        diagnostics(type, h, found);
        if (found.empty()) found.push_back({"The ODBC driver reported an error.", "", 0, "ODBC"});
        for (auto& e : found) {
            // Drivers echo connection texts: no password reaches an error text.
            e.description = MaskedPasswords(e.description, secrets_);
            if (inTransaction_ && transactionFailure_.empty()) transactionFailure_.push_back(e);
            addError(std::move(e));
        }
        return -1;
    }
    static bool fetch(SQLHSTMT st, SQLUSMALLINT col, ColumnKind kind, Cell& cell) {
        SQLLEN indicator = 0;
        switch (kind) {
        case ColumnKind::Integer: {
            SQLBIGINT v = 0;
            if (!SQL_SUCCEEDED(SQLGetData(st, col, SQL_C_SBIGINT, &v, 0, &indicator))) return false;
            cell = indicator == SQL_NULL_DATA ? Cell::null() : Cell::ofInteger(v);
            return true;
        }
        case ColumnKind::Real: {
            double v = 0;
            if (!SQL_SUCCEEDED(SQLGetData(st, col, SQL_C_DOUBLE, &v, 0, &indicator))) return false;
            cell = indicator == SQL_NULL_DATA ? Cell::null() : Cell::ofReal(v);
            return true;
        }
        case ColumnKind::Boolean: {
            unsigned char v = 0;
            if (!SQL_SUCCEEDED(SQLGetData(st, col, SQL_C_BIT, &v, 0, &indicator))) return false;
            cell = indicator == SQL_NULL_DATA ? Cell::null() : Cell::ofBool(v != 0);
            return true;
        }
        case ColumnKind::Blob: {
            std::string bytes;
            bool isNull = false;
            if (!readPieces(st, col, SQL_C_BINARY, bytes, isNull)) return false;
            cell = isNull ? Cell::null() : Cell::ofText(std::move(bytes), Cell::Kind::Blob);
            return true;
        }
        case ColumnKind::Date:
        case ColumnKind::Text: {
            std::string text;
            bool isNull = false;
            if (!readPieces(st, col, SQL_C_CHAR, text, isNull)) return false;
            if (isNull) {
                cell = Cell::null();
            } else if (kind == ColumnKind::Date) {
                // Drivers write timestamps as "YYYY-MM-DD HH:MM:SS[.fraction]".
                // A time of day alone is a date on day 0 (1899-12-30), as a workbook's is.
                std::string whole = text.substr(0, text.find('.'));
                auto d = NormalizedDate(whole);
                if (!d) d = NormalizedDate("1899-12-30 " + whole);
                cell = d ? Cell::ofText(*d, Cell::Kind::Date) : Cell::ofText(std::move(text));
            } else {
                cell = Cell::ofText(std::move(text));
            }
            return true;
        }
        }
        return false;
    }

    SQLRETURN bind(SQLHSTMT st, std::size_t i, const Cell& c, std::vector<SQLLEN>& indicators,
                   std::vector<SQLBIGINT>& integers, std::vector<double>& reals) const {
        auto n = static_cast<SQLUSMALLINT>(i + 1);
        switch (c.kind) {
        case Cell::Kind::Integer:
        case Cell::Kind::Boolean:
            integers[i] = c.integer;
            indicators[i] = 0;
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &integers[i], 0,
                                    &indicators[i]);
        case Cell::Kind::Real:
        case Cell::Kind::Single:
            reals[i] = c.real;
            indicators[i] = 0;
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &reals[i], 0,
                                    &indicators[i]);
        case Cell::Kind::Blob:
            indicators[i] = static_cast<SQLLEN>(c.text.size());
            // PostgreSQL's driver stores LONGVARBINARY as a large object; bytea is VARBINARY.
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_BINARY, postgres_ ? SQL_VARBINARY : SQL_LONGVARBINARY,
                                    c.text.size() ? c.text.size() : 1, 0, const_cast<char*>(c.text.data()),
                                    static_cast<SQLLEN>(c.text.size()), &indicators[i]);
        case Cell::Kind::Text:
        case Cell::Kind::Date:
            indicators[i] = static_cast<SQLLEN>(c.text.size());
            // A date goes to the server as a timestamp, which its date column takes.
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_CHAR,
                                    c.kind == Cell::Kind::Date && postgres_ ? SQL_TYPE_TIMESTAMP : SQL_VARCHAR,
                                    c.text.size() ? c.text.size() : 1, 0, const_cast<char*>(c.text.data()),
                                    static_cast<SQLLEN>(c.text.size()), &indicators[i]);
        default:
            indicators[i] = SQL_NULL_DATA;
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0, &indicators[i]);
        }
    }

    std::unique_ptr<Handle> env_, dbc_;
    std::string name_, version_, quote_, dbms_;
    bool postgres_ = false;
    std::set<std::string> secrets_;  // the connection text's passwords
    mutable std::mutex mutex_;
    bool inTransaction_ = false;
    std::vector<ErrorEntry> transactionFailure_;  // the first failure inside the open transaction
    bool namesRead_ = false;
    ServerSchema schema_;
    std::map<std::string, std::string> keys_;  // each table's one-column primary key
};

}  // namespace

std::shared_ptr<Source> OpenOdbc(const std::string& connectionText, std::vector<ErrorEntry>& errors) {
    auto env = std::make_unique<Handle>(SQL_HANDLE_ENV, static_cast<SQLHANDLE>(nullptr));
    if (!env->get()) {
        errors.push_back({"The ODBC driver manager cannot be started.", "", 0, "ODBC"});
        return nullptr;
    }
    SQLSetEnvAttr(env->get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    auto dbc = std::make_unique<Handle>(SQL_HANDLE_DBC, env->get());
    if (!dbc->get()) {
        diagnostics(SQL_HANDLE_ENV, env->get(), errors);
        return nullptr;
    }
    SQLCHAR completed[1024];
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLDriverConnect(dbc->get(), nullptr, (SQLCHAR*)connectionText.c_str(), SQL_NTS, completed,
                                    sizeof completed, &length, SQL_DRIVER_NOPROMPT);
    const std::set<std::string> secrets = PasswordsOf(connectionText);
    if (!SQL_SUCCEEDED(rc)) {
        std::vector<ErrorEntry> found;
        diagnostics(SQL_HANDLE_DBC, dbc->get(), found);
        if (found.empty()) found.push_back({"The ODBC connection failed.", "", 0, "ODBC"});
        for (auto& e : found) {
            e.description = MaskedPasswords(e.description, secrets);
            errors.push_back(std::move(e));
        }
        return nullptr;
    }
    return std::make_shared<OdbcSource>(std::move(env), std::move(dbc), secrets);
}

}  // namespace dbdetail
