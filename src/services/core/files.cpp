// Files: existence with wildcards, whole-file reads and writes, and files
// opened for the rest of the program with sharing modes.
//
// Sharing modes are kept with open-file-description locks on four bytes far
// beyond any real content: one byte each for "someone reads", "someone
// writes", "someone denies reading" and "someone denies writing". An open
// takes its own bytes first and then looks for a conflicting holder, so two
// racing opens can both fail but never both succeed. The locks are advisory:
// they bind this program's instances, not other programs.

#include "services/core/core.h"
#include "services/core/files_registry.h"
#include "services/core/gbk_walk.h"

#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace {

constexpr off_t kShareBytes = 0x7FFFFFFF00000000LL;
enum ShareByte : off_t { kReads = 0, kWrites = 1, kDeniesRead = 2, kDeniesWrite = 3 };

struct Access {
    bool read = false;
    bool write = false;
    bool denyRead = false;
    bool denyWrite = false;
};

struct flock ShareByteLock(short type, ShareByte which) {
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kShareBytes + which;
    lock.l_len = 1;
    return lock;
}

bool HoldShareByte(int fd, ShareByte which) {
    struct flock lock = ShareByteLock(F_RDLCK, which);
    // A file system without locks cannot share-check; the open still succeeds.
    return fcntl(fd, F_OFD_SETLK, &lock) == 0 || errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP;
}

bool SomeoneElseHolds(int fd, ShareByte which) {
    struct flock lock = ShareByteLock(F_WRLCK, which);
    if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
    return lock.l_type != F_UNLCK;
}

bool AcquireSharing(int fd, const Access& a) {
    if ((a.read && !HoldShareByte(fd, kReads)) || (a.write && !HoldShareByte(fd, kWrites)) ||
        (a.denyRead && !HoldShareByte(fd, kDeniesRead)) || (a.denyWrite && !HoldShareByte(fd, kDeniesWrite)))
        return false;
    if (a.read && SomeoneElseHolds(fd, kDeniesRead)) return false;
    if (a.write && SomeoneElseHolds(fd, kDeniesWrite)) return false;
    if (a.denyRead && SomeoneElseHolds(fd, kReads)) return false;
    if (a.denyWrite && SomeoneElseHolds(fd, kWrites)) return false;
    return true;
}

// An open file and the descriptor its sharing locks live on: read locks need
// a descriptor open for reading, so a write-only file gets a second, read-only
// one (none when the file cannot be read at all; it then goes unchecked).
struct OpenedFile {
    int fd = -1;
    int lockFd = -1;
    explicit operator bool() const { return fd >= 0; }
};

void Close(OpenedFile& f) {
    if (f.lockFd >= 0) ::close(f.lockFd);
    if (f.fd >= 0) ::close(f.fd);
    f = OpenedFile();
}

// Opens a regular file with the given access and sharing; an invalid result
// on any failure. Opened non-blocking first so that a FIFO or device never
// hangs the caller.
OpenedFile OpenShared(const std::string& path, int flags, const Access& access) {
    OpenedFile f;
    if (path.empty()) return f;
    constexpr int kCommon = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    f.fd = ::open(path.c_str(), flags | kCommon, 0666);
    if (f.fd < 0) return f;
    struct stat st;
    if (fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Close(f);
        return f;
    }
    int lockOn = f.fd;
    if ((flags & O_ACCMODE) == O_WRONLY) {
        f.lockFd = ::open(path.c_str(), O_RDONLY | kCommon);
        lockOn = f.lockFd;
    }
    if (lockOn >= 0 && !AcquireSharing(lockOn, access)) {
        Close(f);
        return f;
    }
    fcntl(f.fd, F_SETFL, fcntl(f.fd, F_GETFL) & ~O_NONBLOCK);
    return f;
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads up to `limit` bytes from the current position; false on a read error
// (`out` then holds what was read).
bool ReadUpTo(int fd, std::size_t limit, std::vector<unsigned char>& out) {
    constexpr std::size_t kChunk = 1 << 16;
    while (out.size() < limit) {
        std::size_t want = std::min(kChunk, limit - out.size());
        std::size_t had = out.size();
        out.resize(had + want);
        ssize_t n = ::read(fd, out.data() + had, want);
        if (n < 0 && errno == EINTR) {
            out.resize(had);
            continue;
        }
        out.resize(had + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n < 0) return false;
        if (n == 0) break;
    }
    return true;
}

// The whole file, read with writing denied to others. False when it cannot
// be opened or a read fails (`out` then holds what was read).
bool ReadAllShared(const std::string& path, std::vector<unsigned char>& out) {
    OpenedFile f = OpenShared(path, O_RDONLY, Access{.read = true, .denyWrite = true});
    if (!f) return false;
    bool ok = ReadUpTo(f.fd, SIZE_MAX, out);
    Close(f);
    return ok;
}

std::string PathOf(const Text& name) { return name.toFileSystem(); }

// Brackets and backslashes are plain characters in a name; only * and ? are wildcards.
std::string WildcardPattern(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '[' || c == ']' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

class Registry {
public:
    ~Registry() { closeAll(); }

    int add(OpenedFile f) {
        std::lock_guard lock(mutex_);
        int number = ++last_;
        files_[number] = f;
        return number;
    }

    int find(int number) {
        std::lock_guard lock(mutex_);
        auto it = files_.find(number);
        return it == files_.end() ? -1 : it->second.fd;
    }

    void closeAll() {
        std::lock_guard lock(mutex_);
        for (auto& [number, f] : files_) Close(f);
        files_.clear();
    }

private:
    std::mutex mutex_;
    std::map<int, OpenedFile> files_;
    int last_ = 0;
};

Registry& OpenFiles() {
    static Registry registry;
    return registry;
}

}  // namespace

int DescriptorOf(int fileNumber) { return OpenFiles().find(fileNumber); }
void CloseRegisteredFiles() { OpenFiles().closeAll(); }

std::optional<std::vector<unsigned char>> ReadWholeFile(const std::string& utf8Path, bool* missing) {
    if (missing) *missing = false;
    std::vector<unsigned char> out;
    if (ReadAllShared(utf8Path, out)) return out;
    if (missing) {
        struct stat st;
        *missing = !utf8Path.empty() && ::stat(utf8Path.c_str(), &st) != 0 && errno == ENOENT;
    }
    return std::nullopt;
}

bool FileExists(const Text& name) {
    if (name.empty()) return false;
    glob_t found = {};
    int r = ::glob(WildcardPattern(PathOf(name)).c_str(), GLOB_NOSORT, nullptr, &found);
    bool exists = r == 0 && found.gl_pathc > 0;
    globfree(&found);
    return exists;
}

Bytes ReadFile(const Text& name) {
    Bytes out;
    ReadAllShared(PathOf(name), out);  // a short read gives the bytes read
    return out;
}

bool WriteFile(const Text& name, const std::vector<Bytes>& parts) {
    // Emptied only once the exclusive open succeeded, so a file in use keeps its content.
    OpenedFile f =
        OpenShared(PathOf(name), O_WRONLY | O_CREAT, Access{.write = true, .denyRead = true, .denyWrite = true});
    if (!f) return false;
    bool ok = ::ftruncate(f.fd, 0) == 0;
    for (const Bytes& part : parts) {
        if (ok && !part.empty()) ok = WriteAll(f.fd, part.data(), part.size());
    }
    if (::close(f.fd) != 0) ok = false;
    f.fd = -1;
    Close(f);
    return ok;
}

Text FileFailureText(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT: return T("磁盘空间不足");
    case EACCES:
    case EPERM: return T("没有写入权限");
    case EROFS: return T("磁盘只读");
    case ENOENT:
    case ENOTDIR: return T("文件夹不存在");
    case EISDIR: return T("同名的文件夹已存在");
    case EIO: return T("磁盘读写错误");
    default: return Text::fromUtf8(std::strerror(error));
    }
}

bool ReplaceFile(const Text& name, const std::vector<Bytes>& parts, Text* failure) {
    auto fail = [&](int error) {
        if (failure) *failure = FileFailureText(error);
        return false;
    };
    std::string target = PathOf(name);
    if (target.empty()) return fail(ENOENT);
    // Through a link, the file it names is replaced, not the link.
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(target.c_str(), resolved)) target = resolved;
    }
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return fail(EISDIR);
    if (exists && !S_ISREG(st.st_mode)) return fail(EINVAL);

    // The temporary file is hidden and lies in the target's folder, so the
    // rename cannot cross file systems.
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    static std::atomic<unsigned> serial{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = folder + "/." + base + "." + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".part";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, exists ? 0600 : 0666);
        if (fd < 0 && (errno != EEXIST || attempt == 100)) return fail(errno);
    }
    // A replaced file keeps its permissions.
    if (exists) ::fchmod(fd, st.st_mode & 07777);
    int error = 0;
    for (const Bytes& part : parts) {
        if (!error && !part.empty() && !WriteAll(fd, part.data(), part.size())) error = errno;
    }
    // Some file systems report a failed write only when the data reaches the disk.
    if (!error && ::fsync(fd) != 0 && errno != EINVAL) error = errno;
    if (::close(fd) != 0 && !error && errno != EINTR) error = errno;
    if (!error && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        return fail(error);
    }
    // The new name itself reaches the disk with the folder.
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

int OpenFile(const Text& name, int mode, int sharing) {
    if (name.empty() || mode < 1 || mode > 6 || sharing < 1 || sharing > 4) return 0;
    static constexpr int kFlags[] = {O_RDONLY,           O_WRONLY,           O_RDWR,
                                     O_WRONLY | O_CREAT, O_WRONLY | O_CREAT, O_RDWR | O_CREAT};
    Access access;
    access.read = mode == 1 || mode == 3 || mode == 6;
    access.write = mode != 1;
    access.denyRead = sharing == 2 || sharing == 4;
    access.denyWrite = sharing == 3 || sharing == 4;
    OpenedFile f = OpenShared(PathOf(name), kFlags[mode - 1], access);
    if (!f) return 0;
    if (mode == 4 && ::ftruncate(f.fd, 0) != 0) {
        Close(f);
        return 0;
    }
    return OpenFiles().add(f);
}

Text ReadFileText(int fileNumber, std::optional<int> maximum) {
    int fd = DescriptorOf(fileNumber);
    if (fd < 0 || (maximum && *maximum < 1)) return Text();
    off_t start = ::lseek(fd, 0, SEEK_CUR);
    std::size_t limit;
    if (maximum) {
        limit = static_cast<std::size_t>(*maximum);
    } else {
        struct stat st;
        limit = (fstat(fd, &st) == 0 && st.st_size > 0) ? static_cast<std::size_t>(st.st_size) : 0;
    }
    std::vector<unsigned char> data;
    if (start < 0 || !ReadUpTo(fd, limit, data)) {
        ::lseek(fd, 0, SEEK_END);
        return Text();
    }
    // The text ends at a zero byte or 0x1A; a lead byte just before a zero byte goes with it.
    for (std::size_t i = 0; i < data.size();) {
        unsigned char c = data[i];
        std::size_t end = SIZE_MAX;
        std::size_t terminator = i;
        if (c == 0 || c == 0x1A) {
            end = i;
        } else if (gbk::IsLead(c) && i + 1 < data.size() && data[i + 1] == 0) {
            end = i;
            terminator = i + 1;
        }
        if (end != SIZE_MAX) {
            ::lseek(fd, start + static_cast<off_t>(terminator), SEEK_SET);
            return Text::fromBytes(reinterpret_cast<const char*>(data.data()), end);
        }
        i += gbk::CharLength(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), i);
    }
    return Text::fromBytes(reinterpret_cast<const char*>(data.data()), data.size());
}
