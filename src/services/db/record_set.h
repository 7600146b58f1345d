#pragma once
// RecordSet: a static cursor over the result of a query on a DBConnection.
// Opening reads every row (and its identity, for Update and Delete) except
// long binary values, which ReadBytes fetches on demand. Positions are
// 0-based; past the last row AtEnd is true. Field values read as text:
// integers "%d", reals "%.8f", dates "%Y-%m-%d %H:%M:%S", booleans
// "TRUE"/"FALSE", long binary "[BLOB]", null as empty text.
// A record set never owns its connection; it is used by one thread at a time.

#include "services/core/text.h"
#include "services/core/value.h"
#include "services/db/field_ref.h"

#include <memory>

class DBConnection;

class RecordSet {
public:
    RecordSet();
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // Open's kinds: what the source is.
    static constexpr int kSqlText = 1;
    static constexpr int kTableName = 2;
    // Delete's scopes.
    static constexpr int kCurrentRow = 1;
    static constexpr int kWholeTable = 3;  // every row of the table opened by name
    // RecordStatus's values.
    static constexpr int kNoCurrentRow = 0;
    static constexpr int kNewRow = 1;
    static constexpr int kModifiedRow = 2;
    static constexpr int kUnmodifiedRow = 4;
    // Position's values other than a row index.
    static constexpr int kClosed = -2;
    static constexpr int kBeforeFirst = -3;
    static constexpr int kPastLast = -4;

    bool SetConnection(DBConnection& connection);
    // kind: kSqlText or kTableName. An empty source reopens the last.
    bool Open(const Text& source, int kind);
    // "select * from <table> order by <order>"
    bool OpenTable(const Text& table, const Text& order);
    void Close();

    bool AddNew();
    bool Update();
    // scope: kCurrentRow or kWholeTable.
    bool Delete(int scope);

    bool MoveFirst();
    bool MoveNext();
    bool MoveTo(int index);

    bool ReadText(const FieldRef& field, Text& value);
    Text ReadText(const FieldRef& field);  // empty text when the read fails
    bool WriteText(const FieldRef& field, const Text& value);
    bool ReadBytes(const FieldRef& field, Bytes& value);
    bool WriteBytes(const FieldRef& field, const Bytes& value);
    Text FieldName(int index) const;

    bool IsOpen() const;
    // kNewRow, kModifiedRow, kUnmodifiedRow, or kNoCurrentRow.
    int RecordStatus() const;
    int RecordCount() const;
    int FieldCount() const;
    bool AtStart() const;
    bool AtEnd() const;
    // 0-based; kBeforeFirst, kPastLast, or kClosed.
    int Position() const;

private:
    struct State;
    std::unique_ptr<State> d_;
};
