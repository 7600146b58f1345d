#pragma once
// The one interface the three back ends (SQLite, unixODBC, .xls workbooks)
// offer to DBConnection and RecordSet. Texts here are UTF-8; the conversion
// to the application's GBK texts happens in DBConnection and RecordSet.

#include "services/core/value.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace dbdetail {

// One field value. Dates are text "YYYY-MM-DD HH:MM:SS"; a long binary value
// is either held (bytes in `text`) or only known by its size (in `integer`)
// and fetched from the source when read.
struct Cell {
    enum class Kind : std::uint8_t { Null, Integer, Real, Single, Text, Date, Boolean, Blob, BlobSize };
    Kind kind = Kind::Null;
    long long integer = 0;
    double real = 0;
    std::string text;

    static Cell null() { return {}; }
    static Cell ofInteger(long long v) {
        Cell c;
        c.kind = Kind::Integer;
        c.integer = v;
        return c;
    }
    static Cell ofReal(double v) {
        Cell c;
        c.kind = Kind::Real;
        c.real = v;
        return c;
    }
    static Cell ofText(std::string v, Kind k = Kind::Text) {
        Cell c;
        c.kind = k;
        c.text = std::move(v);
        return c;
    }
    static Cell ofBool(bool v) {
        Cell c;
        c.kind = Kind::Boolean;
        c.integer = v;
        return c;
    }
    static Cell ofBlobSize(long long n) {
        Cell c;
        c.kind = Kind::BlobSize;
        c.integer = n;
        return c;
    }
};

// What a column accepts when written as text.
enum class ColumnKind : std::uint8_t { Text, Integer, Real, Boolean, Date, Blob };

struct Column {
    std::string name;    // as the result names it
    std::string origin;  // the table column it comes from; empty for an expression
    ColumnKind kind = ColumnKind::Text;
    bool writable = true;  // false for an automatic key
};

// One row, its cells packed into one buffer: the cursor of a large table
// must stay small.
struct Row {
    long long rowid = -1;    // the row's identity where the source has one
    bool gone = false;       // a keyed row another user or program deleted since the open
    long long version = -1;  // the row's version where the source keeps one; every write changes it
    std::string packed;
};

void AppendCell(std::string& packed, const Cell& cell);
// A text, date or held long binary value, appended without a Cell between.
void AppendBytesCell(std::string& packed, Cell::Kind kind, const char* data, std::size_t size);
Cell CellAt(const std::string& packed, int column);
std::string PackRow(const std::vector<Cell>& cells);
// Starts a keyed read of `count` rows: each row holds its identity and is gone
// until the read finds it. Returns (identity, row index) in identity order.
std::vector<std::pair<long long, std::size_t>> AwaitKeyedRows(const long long* ids, std::size_t count,
                                                              std::vector<Row>& rows);

// A result is read in one of two ways. Static: `rows` holds every row with
// its values. Keyed (a plain "select * from <table> ..." on a source that can
// find rows by identity): `ids` holds only the row identities in order, and
// the values are fetched a page at a time with fetchRows, so that a large
// result costs a few bytes a row.
struct ResultData {
    std::vector<Column> columns;
    std::string table;  // the one table every column comes from; empty: rows read-only
    std::vector<Row> rows;
    bool keyed = false;
    std::vector<long long> ids;
    std::string rereadSql;  // the back end's query for one row by its identity
    std::string fetchSql;   // keyed: the back end's query for a page of rows by identity
    // The condition that finds a row by its identity (one parameter), and
    // where rows carry a version, the condition that it is still the version
    // read (one parameter, the version as text).
    std::string identityCondition = "rowid=?";
    std::string versionCondition;
};

struct ErrorEntry {
    std::string description;
    std::string state;
    int native = 0;
    std::string source;
};

class Source {
public:
    virtual ~Source() = default;

    virtual std::string providerName() const = 0;
    // The database system itself ("SQLite", "PostgreSQL", ...).
    virtual std::string databaseSystem() const { return providerName(); }
    virtual std::string providerVersion() const = 0;
    virtual bool readOnly() const { return false; }

    // Runs a statement that returns no rows, parameters bound in order.
    // Returns the rows it changed, -1 on failure; `newRowid` receives the
    // identity of an inserted row where the source has one.
    virtual long long execute(const std::string& sql, const std::vector<Cell>& params,
                              long long* newRowid = nullptr) = 0;
    virtual bool query(const std::string& sql, ResultData& out) = 0;
    // The number a "SELECT COUNT(*) ..." statement gives, parameters bound in
    // order; -1 on failure or where the source cannot tell.
    virtual long long count(const std::string&, const std::vector<Cell>&) { return -1; }
    // Reads a row again by its identity (after an insert or update). False
    // when the source cannot; the caller then keeps what it wrote.
    virtual bool reread(const ResultData&, Row&) { return false; }
    // The rows of a keyed result with the given identities, in that order.
    // A row that no longer exists comes back with `gone` set. False when the
    // read fails (ErrorText says why).
    virtual bool fetchRows(const ResultData&, const long long* /*ids*/, std::size_t /*count*/, std::vector<Row>&) {
        return false;
    }
    // A long binary value fetched by the row's identity.
    virtual bool readBlob(const ResultData& result, const Row& row, int column, std::string& bytes) = 0;
    // Keeps the table's order by `column` in the file, where an index serves
    // "select ... from <table> [where ...] order by <column>" (stored_order.h);
    // a filter testing only `column` and the `searched` columns reads the
    // index alone. False where the source cannot (read-only, another back
    // end): such statements are then sorted as any other.
    virtual bool keepStoredOrder(const std::string& /*table*/, const std::string& /*column*/,
                                 const std::vector<std::string>& /*searched*/) {
        return false;
    }
    virtual std::string quoteName(const std::string& name) const;
    // True while a transaction begun on this source has not ended. Where the
    // source cannot tell, true: a rollback then costs nothing.
    virtual bool inTransaction() const { return true; }
    // A transaction around the statements that follow, ended by commit or
    // rollback. A commit that fails leaves the transaction open where the
    // source cannot end it itself (DBConnection rolls it back).
    virtual bool beginTransaction() { return execute("BEGIN", {}) >= 0; }
    virtual bool commitTransaction() { return execute("COMMIT", {}) >= 0; }
    virtual bool rollbackTransaction() { return execute("ROLLBACK", {}) >= 0; }

    std::vector<ErrorEntry> errors() const {
        std::lock_guard lock(errorMutex_);
        return errors_;
    }
    // Replaces the errors of the last operation: a caller that refuses an
    // operation itself, or that ran a clean-up after a failure, keeps the
    // reason ErrorText gives.
    void setErrors(std::vector<ErrorEntry> errors) {
        std::lock_guard lock(errorMutex_);
        errors_ = std::move(errors);
    }

protected:
    void clearErrors() {
        std::lock_guard lock(errorMutex_);
        errors_.clear();
    }
    void addError(ErrorEntry e) {
        std::lock_guard lock(errorMutex_);
        errors_.push_back(std::move(e));
    }

private:
    mutable std::mutex errorMutex_;
    std::vector<ErrorEntry> errors_;
};

// Back ends. Each returns nullptr and fills `errors` when the source cannot
// be opened.
std::shared_ptr<Source> OpenSqliteFile(const std::string& path, std::vector<ErrorEntry>& errors);
std::shared_ptr<Source> OpenOdbc(const std::string& connectionText, std::vector<ErrorEntry>& errors);
std::shared_ptr<Source> OpenWorkbook(const std::string& path, std::vector<ErrorEntry>& errors);

}  // namespace dbdetail
