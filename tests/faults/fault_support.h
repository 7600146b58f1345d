#pragma once
// Real faults for the storage tests: another process holding the book, a
// small file system that fills up, and an independent reader of the file.
// Each case ends with the same check: what the program said it stored is
// exactly what the file holds.

#include <QProcess>

#include <map>
#include <memory>
#include <string>

namespace faults {

// Another program on the book: a python3 process with its own SQLite that
// takes a read transaction (kind "read"), the write lock (kind "write") or
// every lock, so that no one else even reads (kind "exclusive"), and holds
// it for the given time, or until waitReleased when the time is negative.
class BookHolder {
public:
    BookHolder(const std::string& book, const std::string& kind, double seconds);
    ~BookHolder();
    // True once the other process holds the book.
    bool held() const { return held_; }
    // Waits until it has let go (tells it to, when it holds until told);
    // true when it did so cleanly.
    bool waitReleased();
    std::string problem() const { return problem_; }

private:
    std::unique_ptr<QProcess> process_;
    bool held_ = false;
    std::string problem_;
};

// A tmpfs of the given size mounted on a fresh folder, unmounted when the
// object goes. Mounting needs root; `skipReason` says why it could not.
class SmallDisk {
public:
    explicit SmallDisk(long long bytes);
    ~SmallDisk();
    bool mounted() const { return mounted_; }
    const std::string& path() const { return path_; }
    const std::string& skipReason() const { return skipReason_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Fills the disk until at most `leave` bytes are free.
    void fillLeaving(long long leave) const;
    long long freeBytes() const;

private:
    std::string path_;
    bool mounted_ = false;
    std::string skipReason_;
};

// The faults a write of the book meets, one at a time.
enum class BookFault { WriteLock, EveryLock, ReadOnly, FullDisk };

// A fault on a book. A read-only book loses its write permission at once, so
// that it is opened read-only; a full disk needs the book on a small disk of
// its own, so the fault's book is a copy there, to be opened instead.
class FaultOnBook {
public:
    FaultOnBook(BookFault fault, const std::string& book);
    // The book to open; empty, with `skipReason`, when the fault cannot be made here.
    const std::string& book() const { return book_; }
    const std::string& skipReason() const { return skipReason_; }
    // Another program takes the lock until `end`, or the disk fills up;
    // false, with a test failure, when that did not happen.
    bool start();
    // The other program lets go, or the disk gets its room back.
    void end();

private:
    BookFault fault_;
    std::string book_;
    std::string skipReason_;
    std::unique_ptr<SmallDisk> disk_;
    std::unique_ptr<BookHolder> holder_;
};

// Independent reads of the book with the bare SQLite library.
long long CountRows(const std::string& book, const std::string& where = "1");
bool HasContactNamed(const std::string& book, const std::string& name);
// Every contact's 姓名 and 手机 (UTF-8, NULL read as empty) by its row identity.
std::map<long long, std::pair<std::string, std::string>> StoredNamesAndMobiles(const std::string& book);

// One line of the outcome table: case, runs, reported stored, really stored,
// reported but missing. Printed, and appended to $VARELO_FAULT_TABLE when set.
void RecordOutcome(const std::string& name, int runs, long long reported, long long stored, long long lost);

// The number after `label` in a message such as "成功添加 12 条记录"; -1 when absent.
long long NumberAfter(const std::string& text, const std::string& label);

}  // namespace faults
