// Connection texts for unixODBC: data sources named by DSN or driver. Texts
// cross the ODBC interface as UTF-8; long binary values are held with the
// rows, since an ODBC result has no row identity to fetch them by later.

#include "services/db/detail/cell_text.h"
#include "services/db/detail/source.h"

#include <sql.h>
#include <sqlext.h>

#include <mutex>

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

class OdbcSource : public Source {
public:
    OdbcSource(std::unique_ptr<Handle> env, std::unique_ptr<Handle> dbc) : env_(std::move(env)), dbc_(std::move(dbc)) {
        name_ = infoText(dbc_->get(), SQL_DRIVER_NAME);
        version_ = infoText(dbc_->get(), SQL_DRIVER_VER);
        quote_ = infoText(dbc_->get(), SQL_IDENTIFIER_QUOTE_CHAR);
        if (quote_ == " ") quote_.clear();
    }
    ~OdbcSource() override { SQLDisconnect(dbc_->get()); }

    std::string providerName() const override { return "ODBC " + name_; }
    std::string providerVersion() const override { return version_; }

    std::string quoteName(const std::string& name) const override {
        if (quote_.empty()) return name;
        return quote_ + name + quote_;
    }

    long long execute(const std::string& sql, const std::vector<Cell>& params, long long*) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        if (!st.get()) return fail(SQL_HANDLE_DBC, dbc_->get());
        SQLRETURN rc = run(st.get(), sql, params);
        if (rc == SQL_NO_DATA) return 0;
        if (!SQL_SUCCEEDED(rc)) return fail(SQL_HANDLE_STMT, st.get());
        SQLLEN changed = 0;
        SQLRowCount(st.get(), &changed);
        return changed < 0 ? 0 : changed;
    }

    long long count(const std::string& sql, const std::vector<Cell>& params) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        if (!st.get()) return fail(SQL_HANDLE_DBC, dbc_->get());
        SQLRETURN rc = run(st.get(), sql, params);
        if (SQL_SUCCEEDED(rc)) rc = SQLFetch(st.get());
        SQLBIGINT n = -1;
        SQLLEN indicator = 0;
        if (SQL_SUCCEEDED(rc)) rc = SQLGetData(st.get(), 1, SQL_C_SBIGINT, &n, 0, &indicator);
        if (!SQL_SUCCEEDED(rc)) return fail(SQL_HANDLE_STMT, st.get());
        return indicator == SQL_NULL_DATA ? -1 : n;
    }

    bool query(const std::string& sql, ResultData& out) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        out = ResultData();
        Handle st(SQL_HANDLE_STMT, dbc_->get());
        if (!st.get()) return fail(SQL_HANDLE_DBC, dbc_->get()) >= 0;
        if (!SQL_SUCCEEDED(SQLExecDirect(st.get(), (SQLCHAR*)sql.c_str(), SQL_NTS)))
            return fail(SQL_HANDLE_STMT, st.get()) >= 0;
        SQLSMALLINT n = 0;
        SQLNumResultCols(st.get(), &n);
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
            SQLDescribeCol(st.get(), i, name, sizeof name, &nameLength, &type, &size, &digits, &nullable);
            Column c;
            c.name = reinterpret_cast<char*>(name);
            c.kind = kindOfSqlType(type);
            c.origin = columnAttribute(st.get(), i, SQL_DESC_BASE_COLUMN_NAME);
            if (c.origin.empty()) c.origin = c.name;
            std::string base = columnAttribute(st.get(), i, SQL_DESC_BASE_TABLE_NAME);
            if (base.empty() || (i > 1 && base != table)) oneTable = false;
            if (i == 1) table = base;
            SQLLEN autoIncrement = SQL_FALSE;
            SQLColAttribute(st.get(), i, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &autoIncrement);
            c.writable = autoIncrement != SQL_TRUE;
            out.columns.push_back(std::move(c));
        }
        if (oneTable) out.table = table;
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

    bool readBlob(const ResultData&, const Row&, int, std::string& bytes) override {
        bytes.clear();
        return false;
    }

private:
    // Runs `sql` on `st`, parameters bound in order. Input parameters are
    // read during the execution, so their buffers need not outlive it.
    static SQLRETURN run(SQLHSTMT st, const std::string& sql, const std::vector<Cell>& params) {
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
        for (auto& e : found) addError(std::move(e));
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

    static SQLRETURN bind(SQLHSTMT st, std::size_t i, const Cell& c, std::vector<SQLLEN>& indicators,
                          std::vector<SQLBIGINT>& integers, std::vector<double>& reals) {
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
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                                    c.text.size() ? c.text.size() : 1, 0, const_cast<char*>(c.text.data()),
                                    static_cast<SQLLEN>(c.text.size()), &indicators[i]);
        case Cell::Kind::Text:
        case Cell::Kind::Date:
            indicators[i] = static_cast<SQLLEN>(c.text.size());
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, c.text.size() ? c.text.size() : 1,
                                    0, const_cast<char*>(c.text.data()), static_cast<SQLLEN>(c.text.size()),
                                    &indicators[i]);
        default:
            indicators[i] = SQL_NULL_DATA;
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0, &indicators[i]);
        }
    }

    std::unique_ptr<Handle> env_, dbc_;
    std::string name_, version_, quote_;
    std::mutex mutex_;
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
    if (!SQL_SUCCEEDED(rc)) {
        diagnostics(SQL_HANDLE_DBC, dbc->get(), errors);
        if (errors.empty()) errors.push_back({"The ODBC connection failed.", "", 0, "ODBC"});
        return nullptr;
    }
    return std::make_shared<OdbcSource>(std::move(env), std::move(dbc));
}

}  // namespace dbdetail
