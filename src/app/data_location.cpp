#include "app/data_location.h"

#include "data/address_book.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kFolderName = "varelo";

std::string InFolder(const std::string& folder, const std::string& name) {
    return (folder.empty() ? std::string() : folder) + "/" + name;
}

bool Writable(const std::string& path) { return ::access(path.empty() ? "/" : path.c_str(), W_OK) == 0; }
bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return std::string();
}

// An XDG base folder: the variable when it holds an absolute path (relative
// ones are to be ignored), else the default below the home folder.
std::string BaseFolder(const char* variable, const char* defaultBelowHome) {
    if (const char* value = std::getenv(variable); value && value[0] == '/') return value;
    return HomeFolder() + "/" + defaultBelowHome;
}

void Report(const std::string& what, const std::string& path, int error) {
    std::fprintf(stderr, "varelo: %s %s: %s\n", what.c_str(), path.c_str(), std::strerror(error));
}

// Creates the folder and any missing parents with mode 0700.
bool MakeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            Report("cannot create", part, errno);
            return false;
        }
    }
    return true;
}

bool CopyAll(int from, int to) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
    }
}

// Copies the template to `book` with mode 0600 whatever the umask. The copy
// is written under a temporary name and linked into place only when whole,
// and never over a book that appeared meanwhile.
bool CreateBook(const std::string& templatePath, const std::string& book) {
    const int from = ::open(templatePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0) {
        Report("cannot read the address book template", templatePath, errno);
        return false;
    }
    const std::string partial = book + ".partial";
    ::unlink(partial.c_str());
    const int to = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (to < 0) {
        Report("cannot create", partial, errno);
        ::close(from);
        return false;
    }
    bool ok = ::fchmod(to, 0600) == 0 && CopyAll(from, to) && ::fsync(to) == 0;
    const int error = errno;
    ::close(from);
    if (::close(to) != 0) ok = false;
    if (ok && ::link(partial.c_str(), book.c_str()) != 0 && errno != EEXIST) {
        Report("cannot create", book, errno);
        ok = false;
    } else if (!ok) {
        Report("cannot write", partial, error);
    }
    ::unlink(partial.c_str());
    return ok;
}

}  // namespace

DataLocation ChooseDataLocation(const Text& programFolder) {
    const std::string program = programFolder.toUtf8();
    const std::string besideProgram = InFolder(program, AddressBookFile().toUtf8());
    if (Exists(besideProgram) && Writable(besideProgram) && Writable(program))
        return DataLocation{programFolder, programFolder + T("/Peizhi.ini"), Text()};

    DataLocation location;
    location.folder = Text::fromUtf8(BaseFolder("XDG_DATA_HOME", ".local/share") + "/" + kFolderName);
    location.settingsPath =
        Text::fromUtf8(BaseFolder("XDG_CONFIG_HOME", ".config") + "/" + kFolderName + "/Peizhi.ini");
    // A read-only book beside the program is the one it was delivered with;
    // an installed program finds its template under share/varelo.
    const std::string installed = program + "/../share/varelo/" + AddressBookFile().toUtf8();
    location.bookTemplate = Text::fromUtf8(Exists(besideProgram) ? besideProgram : installed);
    return location;
}

bool PrepareDataLocation(const DataLocation& location) {
    if (location.portable()) return true;
    const std::string folder = location.folder.toUtf8();
    const std::string settings = location.settingsPath.toUtf8();
    if (!MakeFolders(folder) || !MakeFolders(settings.substr(0, settings.rfind('/')))) return false;
    const std::string book = InFolder(folder, AddressBookFile().toUtf8());
    return Exists(book) || CreateBook(location.bookTemplate.toUtf8(), book);
}
