#pragma once
// A database of its own on the tests' PostgreSQL server (started by ctest,
// tests/support/pg_server.sh), dropped at the end of the test. psql, the
// server's own client, is the independent reader the tests check with.

#include <string>

class ServerDatabase {
public:
    // Creates a new, empty database; fails the test (ADD_FAILURE) and leaves
    // connection() empty when the server is not running.
    ServerDatabase();
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    bool ready() const { return !connection_.empty(); }
    // The ODBC connection text of this database ("ODBC;Driver=...;Database=...").
    const std::string& connection() const { return connection_; }
    const std::string& name() const { return name_; }
    // The server's connection text, another database named.
    std::string connectionTo(const std::string& database) const;
    // Runs SQL through psql on this database; its unaligned output (fields
    // separated by '|', one row a line, no header), or "ERROR: ..." on failure.
    std::string psql(const std::string& sql) const;

private:
    std::string psqlOn(const std::string& database, const std::string& sql) const;
    std::string server_;  // the maintenance database's connection text
    std::string name_;
    std::string connection_;
};
