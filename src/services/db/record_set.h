#pragma once
// RecordSet: a cursor over the result of a query on a DBConnection.
// A plain "select * from <table> ..." on the address book file is a keyset
// cursor: opening reads only the row identities in order; values are read a
// page at a time when asked for. A row another program deleted since the open
// keeps its place with nothing to read. Other statements and other sources are
// read whole at the open (with each row's identity, for Update and Delete),
// except long binary values, which ReadBytes fetches on demand. Positions are
// 0-based; past the last row AtEnd is true. Field values read as text:
// integers "%d", reals "%.8f", dates "%Y-%m-%d %H:%M:%S", booleans
// "TRUE"/"FALSE", long binary "[BLOB]", null as empty text.
// Where the source keeps a version of each row (a server book), Update and
// Delete change the row only while it is still the version that was read;
// LastConflict tells a row changed elsewhere from one deleted elsewhere, and
// a refused Update keeps the typed values pending.
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
    // Exchanges everything two record sets hold (connection, query, rows and
    // position), so that a query can be opened aside and shown only once it
    // succeeded.
    void Swap(RecordSet& other) noexcept;

    bool AddNew();
    bool Update();
    // scope: kCurrentRow or kWholeTable.
    bool Delete(int scope);

    bool MoveFirst();
    bool MoveNext();
    bool MoveTo(int index);

    bool ReadText(const FieldRef& field, Text& value);
    Text ReadText(const FieldRef& field);  // empty text when the read fails
    // The stored value of a record's field, the current position unchanged
    // (pending edits of the current record are not part of it); empty text
    // when there is no such record or field, or the record is gone.
    Text ReadTextAt(int record, const FieldRef& field);
    // The record's identity in its table (SQLite's rowid); -1 where it has none.
    long long RowIdentity(int record) const;
    bool WriteText(const FieldRef& field, const Text& value);
    bool ReadBytes(const FieldRef& field, Bytes& value);
    bool WriteBytes(const FieldRef& field, const Bytes& value);
    Text FieldName(int index) const;

    // Reads record `record` again from the source, after another record set
    // or program changed it; false when it cannot (the record is gone, the
    // source cannot find one row again, or cannot be read just now: then the
    // record is read from the source when next asked for).
    bool RereadRecord(int record);

    // Why the last Update or Delete was refused when another user's change is the reason.
    enum class RowConflict { kNone, kChangedElsewhere, kDeletedElsewhere };
    RowConflict LastConflict() const;

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
