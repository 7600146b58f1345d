#include "faults/fault_support.h"

#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <vector>

#include <gtest/gtest.h>

namespace faults {

namespace {

// Holds the book the way another program would, through Python's own SQLite.
const char* kHolderScript = R"(
import sqlite3, sys, time
book, kind, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
db = sqlite3.connect(book, isolation_level=None, timeout=30)
if kind == 'read':
    db.execute('BEGIN')
    db.execute('SELECT count(*) FROM 通讯录').fetchall()
elif kind == 'exclusive':
    db.execute('BEGIN EXCLUSIVE')
else:
    db.execute('BEGIN IMMEDIATE')
print('held', flush=True)
if seconds < 0:
    sys.stdin.readline()
else:
    time.sleep(seconds)
db.execute('COMMIT')
db.close()
print('released', flush=True)
)";

std::string QueryValue(const std::string& book, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string out = "<error>";
    // Read-write, as the next program to open the book would: a journal left
    // by a killed writer is rolled back first.
    if (sqlite3_open_v2(book.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 10000);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW &&
            sqlite3_column_text(st, 0))
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

}  // namespace

BookHolder::BookHolder(const std::string& book, const std::string& kind, double seconds)
    : process_(std::make_unique<QProcess>()) {
    process_->start("python3", {"-c", kHolderScript, QString::fromStdString(book), QString::fromStdString(kind),
                                QString::number(seconds)});
    if (!process_->waitForStarted(10000)) {
        problem_ = "python3 cannot be started";
        return;
    }
    while (process_->state() != QProcess::NotRunning && !process_->canReadLine()) process_->waitForReadyRead(10000);
    held_ = process_->readLine().trimmed() == "held";
    if (!held_) problem_ = process_->readAllStandardError().toStdString();
}

BookHolder::~BookHolder() {
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(5000);
    }
}

bool BookHolder::waitReleased() {
    if (process_->state() != QProcess::NotRunning) process_->closeWriteChannel();
    if (process_->state() != QProcess::NotRunning && !process_->waitForFinished(30000)) return false;
    const bool clean = process_->exitStatus() == QProcess::NormalExit && process_->exitCode() == 0;
    if (!clean) problem_ = process_->readAllStandardError().toStdString();
    return clean;
}

SmallDisk::SmallDisk(long long bytes) {
    char folder[] = "/tmp/varelo-small-disk-XXXXXX";
    if (!mkdtemp(folder)) {
        skipReason_ = std::string("no folder for the mount: ") + std::strerror(errno);
        return;
    }
    path_ = folder;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
    if (mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        skipReason_ = std::string("this machine does not let the tests mount a small file system (") +
                      std::strerror(errno) + "); run them as root to fill a disk for real";
        return;
    }
    mounted_ = true;
}

SmallDisk::~SmallDisk() {
    if (mounted_ && umount2(path_.c_str(), MNT_DETACH) != 0)
        std::cerr << "cannot unmount " << path_ << ": " << std::strerror(errno) << "\n";
    if (!path_.empty()) rmdir(path_.c_str());
}

void SmallDisk::fillLeaving(long long leave) const {
    std::ofstream filler(file("filler"), std::ios::binary | std::ios::app);
    const std::vector<char> block(4096, 'f');
    while (freeBytes() > leave) {
        const long long step = std::min<long long>(4096, freeBytes() - leave);
        filler.write(block.data(), step);
        filler.flush();
        if (!filler) break;
    }
}

long long SmallDisk::freeBytes() const {
    struct statvfs info {};
    if (statvfs(path_.c_str(), &info) != 0) return -1;
    return static_cast<long long>(info.f_bavail) * static_cast<long long>(info.f_frsize);
}

FaultOnBook::FaultOnBook(BookFault fault, const std::string& book) : fault_(fault), book_(book) {
    if (fault == BookFault::ReadOnly) chmod(book.c_str(), 0444);
    if (fault != BookFault::FullDisk) return;
    disk_ = std::make_unique<SmallDisk>(4 * 1024 * 1024);
    book_.clear();
    if (!disk_->mounted()) {
        skipReason_ = disk_->skipReason();
        return;
    }
    std::ifstream from(book, std::ios::binary);
    std::ofstream to(disk_->file("book.db"), std::ios::binary);
    to << from.rdbuf();
    if (to.flush()) book_ = disk_->file("book.db");
    else skipReason_ = "the book does not fit on the small disk";
}

bool FaultOnBook::start() {
    switch (fault_) {
    case BookFault::WriteLock:
    case BookFault::EveryLock:
        holder_ = std::make_unique<BookHolder>(book_, fault_ == BookFault::WriteLock ? "write" : "exclusive", -1);
        EXPECT_TRUE(holder_->held()) << holder_->problem();
        return holder_->held();
    case BookFault::FullDisk:
        disk_->fillLeaving(0);
        EXPECT_EQ(disk_->freeBytes(), 0);
        return disk_->freeBytes() == 0;
    case BookFault::ReadOnly: return true;
    }
    return false;
}

void FaultOnBook::end() {
    if (holder_) {
        EXPECT_TRUE(holder_->waitReleased()) << holder_->problem();
    }
    holder_.reset();
    if (disk_) std::remove(disk_->file("filler").c_str());
}

long long CountRows(const std::string& book, const std::string& where) {
    const std::string value = QueryValue(book, "SELECT count(*) FROM 通讯录 WHERE " + where);
    return value == "<error>" ? -1 : std::atoll(value.c_str());
}

bool HasContactNamed(const std::string& book, const std::string& name) {
    std::string quoted;
    for (char c : name) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return CountRows(book, "姓名 = '" + quoted + "'") > 0;
}

std::map<long long, std::pair<std::string, std::string>> StoredNamesAndMobiles(const std::string& book) {
    std::map<long long, std::pair<std::string, std::string>> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(book.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 10000);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT rowid, 姓名, 手机 FROM 通讯录", -1, &st, nullptr) == SQLITE_OK) {
            const auto text = [st](int i) {
                const auto* p = sqlite3_column_text(st, i);
                return p ? std::string(reinterpret_cast<const char*>(p)) : std::string();
            };
            while (sqlite3_step(st) == SQLITE_ROW) rows[sqlite3_column_int64(st, 0)] = {text(1), text(2)};
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return rows;
}

void RecordOutcome(const std::string& name, int runs, long long reported, long long stored, long long lost) {
    char line[512];
    std::snprintf(line, sizeof line, "FAULT-OUTCOME | %-48s | runs %3d | reported %7lld | stored %7lld | lost %lld",
                  name.c_str(), runs, reported, stored, lost);
    std::cout << line << std::endl;
    if (const char* table = std::getenv("VARELO_FAULT_TABLE")) std::ofstream(table, std::ios::app) << line << "\n";
}

long long NumberAfter(const std::string& text, const std::string& label) {
    const auto at = text.find(label);
    if (at == std::string::npos) return -1;
    return std::atoll(text.c_str() + at + label.size());
}

}  // namespace faults
