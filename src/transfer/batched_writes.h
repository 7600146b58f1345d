#pragma once
// Groups the rows an import writes into transactions of a few hundred rows:
// the file is synced once per group instead of once per row, and a failure
// midway loses at most the group being written. Without a transaction (the
// source refuses one) every row is stored on its own, as before.

#include "services/db/db_connection.h"

class BatchedWrites {
public:
    static constexpr int kRowsPerTransaction = 500;

    explicit BatchedWrites(DBConnection* connection)
        : connection_(connection), open_(connection && connection->BeginTrans()) {}
    ~BatchedWrites() { finish(); }
    BatchedWrites(const BatchedWrites&) = delete;
    BatchedWrites& operator=(const BatchedWrites&) = delete;

    // After each row: stores the group once it is full.
    void rowWritten() {
        if (!open_ || ++rows_ < kRowsPerTransaction) return;
        rows_ = 0;
        connection_->CommitTrans();
        open_ = connection_->BeginTrans();
    }

    // Stores what was written; before anything reads the rows back.
    void finish() {
        if (open_) connection_->CommitTrans();
        open_ = false;
    }

private:
    DBConnection* connection_;
    bool open_;
    int rows_ = 0;
};
