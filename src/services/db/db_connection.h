#pragma once
// DBConnection: one connection to a data source, chosen by its connection text.
//  - "Provider=Microsoft.Jet.OLEDB.4.0; Data Source=F" (ConnectAccess builds it):
//    the address book file F, an SQLite database. Nothing creates F.
//  - "ODBC;DBQ=<file>;...;Driver={Microsoft Excel Driver (*.xls)}; ": the .xls
//    workbook <file>, read-only; worksheet Sheet1 is the table [Sheet1$].
//  - any other text starting "ODBC;" or naming DSN= or Driver=: unixODBC.
// No operation throws; failures are false results, explained by ErrorText.
// A connection may be used from two threads at once (the batch worker reads
// and writes through its own record set while the window thread works).

#include "services/core/text.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace dbdetail {
class Source;
struct ErrorEntry;
}  // namespace dbdetail

class DBConnection {
public:
    DBConnection();
    ~DBConnection();
    DBConnection(const DBConnection&) = delete;
    DBConnection& operator=(const DBConnection&) = delete;

    // Opens the file as the address book; a non-empty password adds the
    // password clause to the connection text (SQLite files carry none).
    bool ConnectAccess(const Text& fileName, const Text& password = Text());
    // Opens the given connection text; an empty text reopens the last one.
    bool Connect(const Text& connectionText = Text());
    bool CloseConnection();
    // Runs one statement that returns no rows.
    bool ExecuteSql(const Text& sql);
    // Keeps the order of `table` by `column` in the file, so that a statement
    // "select ... from <table> [where ...] order by <column> [ASC|DESC]" walks
    // an index instead of sorting (services/db/detail/stored_order.h). False
    // where it cannot be kept (a read-only file, another kind of source):
    // those statements are then sorted as every other.
    bool KeepStoredOrder(const Text& table, const Text& column);

    // A transaction around a run of writes: they are stored together at
    // CommitTrans (one sync of the file instead of one per row) or dropped
    // at RollbackTrans. False when not connected or the source refuses (a
    // second BeginTrans before the end of the first, a read-only source).
    // A CommitTrans that fails rolls the transaction back, so the connection
    // is ready for the next one; ErrorText says why the commit failed.
    bool BeginTrans();
    bool CommitTrans();
    bool RollbackTrans();

    // "Description: %s\r\nState: %s, Native: %d, Source: %s\r\n" per error of
    // the last failed operation.
    Text ErrorText() const;
    bool IsConnected() const;
    Text ProviderName() const;
    Text ProviderVersion() const;
    // The database system the connection reaches: "SQLite" for the book
    // file, "PostgreSQL" for a server book; empty when not connected.
    Text DatabaseSystem() const;

    // The open source, shared with the record sets that read through it.
    std::shared_ptr<dbdetail::Source> source() const;

private:
    mutable std::mutex mutex_;
    Text connectionText_;
    std::shared_ptr<dbdetail::Source> source_;
    std::vector<dbdetail::ErrorEntry> openErrors_;
};
