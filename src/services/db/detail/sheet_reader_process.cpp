// Runs the sheet reader on one workbook and takes its answer, within the
// time limit and a size limit.

#include "services/db/detail/sheet_reader_process.h"

#include "services/db/sheet_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <thread>

extern char** environ;

namespace {

std::mutex settingsMutex;
SheetReader settings;

// An answer beyond this is no workbook's: the reader is not trusted with the
// program's memory.
constexpr std::size_t kMostAnswerBytes = std::size_t(1) << 30;

std::string Seconds(std::chrono::milliseconds d) {
    const auto tenths = (d.count() + 50) / 100;
    return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " s";
}

// Ends the reader and everything it started (its own process group).
void Stop(pid_t pid) {
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
}

}  // namespace

void SetSheetReader(const SheetReader& reader) {
    std::lock_guard lock(settingsMutex);
    settings = reader;
}

SheetReader CurrentSheetReader() {
    std::lock_guard lock(settingsMutex);
    return settings;
}

std::string InstalledSheetReader() {
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        std::string path(exe, static_cast<std::size_t>(n));
        path = path.substr(0, path.rfind('/') + 1) + "varelo-sheet-reader";
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return VARELO_BUILT_SHEET_READER;
}

namespace dbdetail {

SheetReaderAnswer RunSheetReaderOn(const std::string& workbook) {
    const SheetReader reader = CurrentSheetReader();
    const std::string program = reader.program.empty() ? InstalledSheetReader() : reader.program;
    SheetReaderAnswer answer;

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        answer.failure = std::string("no pipe to the sheet reader: ") + std::strerror(errno);
        return answer;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // The reader sees none of the program's other files (the address book among them).
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    std::string argument = workbook;
    char* argv[] = {const_cast<char*>(program.c_str()), argument.data(), nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        answer.failure = "the sheet reader " + program + " cannot be started: " + std::strerror(spawned);
        return answer;
    }

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + reader.timeLimit;
    auto leftMs = [&] {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
    };
    std::string failure;
    char chunk[1 << 16];
    for (;;) {
        pollfd p = {pipeFds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, leftMs());
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            failure = "the sheet reader did not finish within the time limit of " + Seconds(reader.timeLimit);
            break;
        }
        const ssize_t n = ::read(pipeFds[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the reader closed its end
        if (answer.bytes.size() + static_cast<std::size_t>(n) > kMostAnswerBytes) {
            failure = "the sheet reader's answer is larger than any workbook's";
            break;
        }
        answer.bytes.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);

    // The reader ends once it has answered; one that does not is stopped.
    if (!failure.empty()) Stop(pid);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) {
            status = 0;
            break;
        }
        if (done == 0 && leftMs() == 0 && failure.empty()) {
            failure = "the sheet reader did not finish within the time limit of " + Seconds(reader.timeLimit);
            Stop(pid);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (failure.empty() && WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        failure = "the sheet reader crashed (signal " + std::to_string(signal) + ", " + strsignal(signal) + ")";
    } else if (failure.empty() && WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        failure = "the sheet reader failed (exit code " + std::to_string(WEXITSTATUS(status)) + ")";
    }
    answer.failure = failure;
    if (!failure.empty()) answer.bytes.clear();
    return answer;
}

}  // namespace dbdetail
