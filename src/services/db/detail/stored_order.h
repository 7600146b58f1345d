#pragma once
// A name order kept in the file, so that an ordered read walks an index
// instead of sorting every row.
//
// For a (table, column) pair: a side table "<table>_<column>_order" of
// (order_row = the row id, order_key = name_stored_key of the column, then a
// copy of the column and of the other searched columns, each with its
// table's type and collation), an index on (order_key, order_row, copies),
// where the keys still NULL come first, and triggers in plain SQL that give
// an inserted row a NULL key and its copies, set the key NULL when the column
// or the row id changes, keep the copies equal to the row and drop it with
// the row. A filtered read that tests only copied columns walks that index
// alone: no wide row of the table is read and nothing is sorted.
// The triggers call no function of the program, so the stock sqlite3 shell
// can still insert, change and delete rows; the program computes the NULL
// keys before its next ordered read. Structures found missing are rebuilt,
// and a side table that lost track of its table (rows changed while a
// trigger was missing) is filled again from the table.

#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace dbdetail {

class StoredOrder {
public:
    // `searched`: further columns copied beside the key, those the filters
    // of the ordered reads test.
    StoredOrder(std::string table, std::string column, std::vector<std::string> searched = {});

    const std::string& table() const { return table_; }
    const std::string& column() const { return column_; }
    std::string sideTable() const { return table_ + "_" + column_ + "_order"; }

    // Creates or repairs the structures; false (nothing changed) for a
    // read-only file, a missing table or column, or a failed write.
    bool prepare(sqlite3* db);

    // Ready for an ordered read: the structures are whole (checked again
    // after any change of the file's schema) and every key is computed.
    // False when they cannot be (the file is locked, read-only): the caller
    // then sorts as it would without a stored order.
    bool ready(sqlite3* db);

    // "select <list> from <table> [where W] order by <column> [ASC|DESC]"
    // as a statement ordered by the stored keys (the whole table walks their
    // index; a filtered one sorts its matches by them), any select list
    // (a "*" item stands for the table's own columns); nullopt for a
    // statement of any other shape.
    std::optional<std::string> rewrite(const std::string& sql) const;

    // "select rowid from <table> where W order by <column> [ASC|DESC]" as a
    // walk of the key index alone, W reading the copies; nullopt for another
    // shape. A W that names anything but copied columns does not compile
    // (the side table has no such column, nor a rowid): the caller then
    // takes rewrite().
    std::optional<std::string> narrowRewrite(const std::string& sql) const;

private:
    bool fillPendingKeys(sqlite3* db);

    std::string table_;
    std::string column_;
    std::vector<std::string> copied_;  // the column, then the searched ones
    bool prepared_ = false;
    long long schemaVersion_ = -1;
};

}  // namespace dbdetail
