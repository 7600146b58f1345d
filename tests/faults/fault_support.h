#pragma once
// Real faults for the storage tests: another process holding the book, a
// small file system that fills up, and an independent reader of the file.
// Each case ends with the same check: what the program said it stored is
// exactly what the file holds.

#include <QProcess>

#include <memory>
#include <string>

namespace faults {

// Another program on the book: a python3 process with its own SQLite that
// takes a read transaction (kind "read") or the write lock (kind "write")
// and holds it for the given time.
class BookHolder {
public:
    BookHolder(const std::string& book, const std::string& kind, double seconds);
    ~BookHolder();
    // True once the other process holds the book.
    bool held() const { return held_; }
    // Waits until it has let go; true when it did so cleanly.
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

// Independent reads of the book with the bare SQLite library.
long long CountRows(const std::string& book, const std::string& where = "1");
bool HasContactNamed(const std::string& book, const std::string& name);

// One line of the outcome table: case, runs, reported stored, really stored,
// reported but missing. Printed, and appended to $VARELO_FAULT_TABLE when set.
void RecordOutcome(const std::string& name, int runs, long long reported, long long stored, long long lost);

// The number after `label` in a message such as "成功添加 12 条记录"; -1 when absent.
long long NumberAfter(const std::string& text, const std::string& label);

}  // namespace faults
