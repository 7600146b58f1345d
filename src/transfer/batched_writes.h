#pragma once
// Groups the rows an import writes into transactions of a few hundred rows:
// the file is synced once per group instead of once per row, and a failure
// midway loses at most the group being written. Without a transaction (the
// source refuses one) every row is stored on its own, as before.
//
// It also keeps the import's count honest: a row is stored only when its
// group's commit succeeds. A commit that fails (another program holding the
// file past the busy wait, a full disk) rolls the group back, and its rows
// are counted as not stored, with the reason the book gave.

#include "services/db/db_connection.h"

#include <string>

class BatchedWrites {
public:
    static constexpr int kRowsPerTransaction = 500;

    // What became of the open group at a row.
    enum class Group { Open, Stored, Lost };

    explicit BatchedWrites(DBConnection* connection)
        : connection_(connection), open_(connection && connection->BeginTrans()) {}
    ~BatchedWrites() { finish(); }
    BatchedWrites(const BatchedWrites&) = delete;
    BatchedWrites& operator=(const BatchedWrites&) = delete;

    // After each row, with whether its write succeeded: stores the group once
    // it is full.
    Group rowWritten(bool written) {
        if (!written) {
            ++lost_;
            noteError();
        } else if (open_) {
            ++pending_;
        } else {
            ++stored_;
        }
        if (!open_ || ++rows_ < kRowsPerTransaction) return open_ ? Group::Open : Group::Stored;
        const Group result = commit();
        open_ = connection_->BeginTrans();
        return result;
    }

    // Stores what was written; before anything reads the rows back.
    Group finish() {
        if (!open_) return Group::Stored;
        open_ = false;
        return commit();
    }

    // Rows known to be in the file, rows that are not (refused or rolled back).
    int stored() const { return stored_; }
    int lost() const { return lost_; }
    // Why the first row was lost, as the book said it (UTF-8); empty when none was.
    const std::string& reason() const { return reason_; }

private:
    Group commit() {
        rows_ = 0;
        const int group = pending_;
        pending_ = 0;
        if (connection_->CommitTrans()) {
            stored_ += group;
            return Group::Stored;
        }
        lost_ += group;
        noteError();
        return Group::Lost;
    }

    void noteError() {
        if (!reason_.empty() || !connection_) return;
        // The first line of the report: "Description: <why>".
        std::string report = connection_->ErrorText().toUtf8();
        const std::string label = "Description: ";
        if (report.rfind(label, 0) == 0) report.erase(0, label.size());
        reason_ = report.substr(0, report.find("\r\n"));
    }

    DBConnection* connection_;
    bool open_;
    int rows_ = 0;
    int pending_ = 0;
    int stored_ = 0;
    int lost_ = 0;
    std::string reason_;
};
