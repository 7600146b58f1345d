// The address book at scale, through the real program, offscreen: books of
// 100,000 and 1,000,000 contacts (contact_book.h), each measured side by side
// with the stock sqlite3 shell reading the same file:
//  - the shell: `sqlite3 BOOK "select 姓名,手机 from 通讯录 order by 姓名"` to
//    /dev/null, wall time, best of 3;
//  - sign-in: user and password typed into the login window, Enter, until the
//    main window's list holds every contact and its count label says so;
//  - every keystroke typed into the main window's search box for a text
//    matching every row, two characters, initials, a name and digits, until
//    the list shows the search statement's result (worst keystroke of the
//    text, median over the rounds);
//  - one save from the record window until the list shows the change;
//  - the program's peak memory (VmHWM) with the batch window open, and on
//    the way there: after sign-in, after the searches, after the saves.
// The program runs in a child process per size, so each size's peak memory
// is its own and a failure at one size does not end the run.
//
// Usage: scale_bench [--sizes 100000,1000000] [--quick] [--cache FOLDER] [--rounds N]
//   --quick   10,000 and 100,000 contacts (a smoke run)
//   --cache   where the generated books are kept between runs (default: build/scale_books)
//   --rounds  rounds of each keystroke text and of the save (default 3)
// Exits with 1 when a figure misses its target or a run fails.

#include "app/program.h"
#include "attribution/batch_window.h"
#include "data/address_book.h"
#include "services/core/gbk_walk.h"
#include "services/core/message.h"
#include "services/db/detail/spelling_function.h"
#include "services/window/commands.h"
#include "services/window/controls/html_browse_box.h"
#include "services/window/report_list.h"
#include "support/contact_book.h"
#include "ui/login_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>
#include "bench_timing.h"
#include "build_paths.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Processor time of the whole process, milliseconds: on a machine shared with
// other work the wall clock also counts the time others had the processor.
double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// Wall-clock and processor milliseconds since it was made.
struct Stopwatch {
    BenchClock::time_point wallStart = BenchClock::now();
    double cpuStart = ProcessCpuMs();
    double wallMs() const { return MsSince(wallStart); }
    double cpuMs() const { return ProcessCpuMs() - cpuStart; }
};

double Median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The searches typed, one keystroke (or one input-method commit) a character.
struct SearchText {
    const char* key;  // figure name
    const char* text;
    const char* what;
};
constexpr SearchText kSearches[] = {
    {"search_1", "1", "one character, every row"},
    {"search_13", "13", "two characters"},
    {"search_zw", "zw", "initials"},
    {"search_name", "张伟", "a name"},
    {"search_digits", "5678", "digits"},
};

// ---------------------------------------------------------------- child side

class SilentMessages : public MessagePresenter {
public:
    int present(const MessageRequest&) override { return 0; }
};

long PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

void Figure(const std::string& key, double value) {
    std::printf("figure %s %.3f\n", key.c_str(), value);
    std::fflush(stdout);
}

// A timing: its wall time under `key`, its processor time under `key`_cpu.
void Figure(const std::string& key, const Stopwatch& watch) {
    const double wall = watch.wallMs(), cpu = watch.cpuMs();
    Figure(key, wall);
    Figure(key + "_cpu", cpu);
}

void Note(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

// Processes events until `done` holds (then once more, so the list draws what
// it now shows). False after `timeoutMs`.
bool WaitUntil(const std::function<bool()>& done, double timeoutMs = 300000) {
    const auto start = BenchClock::now();
    while (!done()) {
        if (MsSince(start) > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QCoreApplication::processEvents();
    return true;
}

// What the search statement finds, read with a connection of our own.
long long StatementCount(const std::string& book, const Text& sql) {
    sqlite3* db = nullptr;
    long long count = -1;
    if (sqlite3_open_v2(book.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        // The search's spelling term calls a function of the program's connections.
        dbdetail::RegisterSpellingMatch(db);
        // Counted without its ORDER BY (its last one: the search text is
        // quoted before it): sorting every row with its photo would take
        // minutes and put the sort's memory into the program's peak.
        std::string unordered = sql.toUtf8();
        if (const std::size_t orderBy = gbk::FoldedCase(unordered).rfind("order by"); orderBy != std::string::npos)
            unordered.resize(orderBy);
        const std::string counting = "select count(*) from (" + unordered + ")";
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, counting.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

Text CountLabel(long long count) { return T("共 ") + Text::fromUtf8(std::to_string(count)) + T(" 条记录"); }

struct MainView {
    Window* window = nullptr;
    ReportList* list = nullptr;

    bool shows(long long count) const {
        return list && list->ItemCount() == count &&
               window->control(T(MainControls::CountLabel)).text() == CountLabel(count);
    }
    std::string state() const {
        if (!list) return "no list";
        return std::to_string(list->ItemCount()) + " rows, label \"" +
               window->control(T(MainControls::CountLabel)).text().toUtf8() + "\"";
    }
};

// One key for a Latin character, an input-method commit for a Chinese one.
void TypeCharacter(QWidget* box, QChar c) {
    if (c.unicode() < 0x80) {
        QTest::keyClick(box, c.toLatin1());
        return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(QString(c));
    QApplication::sendEvent(box, &commit);
}

int RunProgram(const std::string& folder, long long contacts, int rounds) {
    SetMessagePresenter(std::make_shared<SilentMessages>());
    HtmlBrowseBox::setDefaultFetcher([](const Text&) { return Bytes{}; });
    const std::string book = (fs::path(folder) / "VRL3.mdb").string();

    Program varelo(Text::fromFileSystem(folder));
    varelo.setQuit([] {});
    if (!varelo.start() || !FindWindow("login")) {
        Note("the login window did not open");
        return 1;
    }
    Window* login = FindWindow("login");
    if (auto* users = qobject_cast<QComboBox*>(login->control(T(LoginControls::UserNameBox)).widget())) {
        if (users->isEditable()) {
            users->clearEditText();
            QTest::keyClicks(users, "admin");
        } else if (const int admin = users->findText("admin"); admin >= 0) {
            users->setCurrentIndex(admin);
        }
    }
    auto* password = qobject_cast<QLineEdit*>(login->control(T(LoginControls::PasswordBox)).widget());
    if (!password) {
        Note("no password box");
        return 1;
    }
    QTest::keyClicks(password, "123456");
    Figure("peak_at_login", PeakKilobytes() / 1024.0);

    MainView main;
    const Stopwatch signingIn;
    QTest::keyClick(password, Qt::Key_Return);
    const bool signedIn = WaitUntil([&] {
        main.window = FindWindow("main");
        main.list = main.window ? main.window->list(T(MainControls::ContactList)) : nullptr;
        return main.shows(contacts);
    });
    const double signInMs = signingIn.wallMs(), signInCpuMs = signingIn.cpuMs();
    if (!signedIn) {
        Note("sign-in did not list every contact: " + main.state());
        return 1;
    }
    Figure("sign_in", signInMs);
    Figure("sign_in_cpu", signInCpuMs);
    Figure("peak_after_sign_in", PeakKilobytes() / 1024.0);

    // Every keystroke of each text, the box emptied before (emptying it by
    // hand keeps the last result, so it costs no search).
    auto* search = qobject_cast<QLineEdit*>(main.window->control(T(MainControls::SearchBox)).widget());
    if (!search) {
        Note("no search box");
        return 1;
    }
    main.window->widget()->activateWindow();
    search->setFocus();
    QCoreApplication::processEvents();
    for (const SearchText& s : kSearches) {
        const QString text = QString::fromUtf8(s.text);
        std::vector<long long> expected;
        for (int typed = 1; typed <= text.size(); ++typed)
            expected.push_back(StatementCount(book, ContactSearchWithSpellingSql(Text::fromQString(text.left(typed)))));
        std::vector<std::vector<double>> keystrokes(static_cast<std::size_t>(text.size()));
        std::vector<std::vector<double>> keystrokesCpu(keystrokes.size());
        bool shown = true;
        for (int round = 0; round < rounds && shown; ++round) {
            search->selectAll();
            QTest::keyClick(search, Qt::Key_Backspace);
            QCoreApplication::processEvents();
            for (int typed = 0; typed < text.size() && shown; ++typed) {
                const long long count = expected[static_cast<std::size_t>(typed)];
                const Stopwatch at;
                TypeCharacter(search, text[typed]);
                // Without the statement's count (it did not run on a bare
                // connection) the list is taken as it stands after the key.
                shown =
                    count < 0 ? WaitUntil([] { return true; }) : WaitUntil([&] { return main.shows(count); }, 120000);
                keystrokes[static_cast<std::size_t>(typed)].push_back(at.wallMs());
                keystrokesCpu[static_cast<std::size_t>(typed)].push_back(at.cpuMs());
                if (!shown)
                    Note(std::string("search \"") + text.left(typed + 1).toStdString() + "\": the list shows " +
                         main.state() + ", the statement finds " + std::to_string(count));
            }
        }
        if (!shown) continue;
        double worst = 0, worstCpu = 0;
        std::string detail;
        for (int typed = 0; typed < text.size(); ++typed) {
            const double ms = Median(keystrokes[static_cast<std::size_t>(typed)]);
            worst = std::max(worst, ms);
            worstCpu = std::max(worstCpu, Median(keystrokesCpu[static_cast<std::size_t>(typed)]));
            char part[96];
            std::snprintf(part, sizeof part, " \"%s\" %.1f ms (%lld rows)", text.left(typed + 1).toStdString().c_str(),
                          ms, expected[static_cast<std::size_t>(typed)]);
            detail += part;
        }
        Note(std::string("  ") + s.what + ":" + detail);
        Figure(s.key, worst);
        Figure(std::string(s.key) + "_cpu", worstCpu);
    }

    Figure("peak_after_search", PeakKilobytes() / 1024.0);

    // Back to every contact with the clear button, then one contact in the
    // middle opened in the record window, its mobile number changed and saved.
    const Stopwatch clearing;
    QTest::mouseClick(main.window->control(T(MainControls::ClearSearchButton)).widget(), Qt::LeftButton);
    if (!WaitUntil([&] { return main.shows(contacts); })) {
        Note("the clear button did not list every contact: " + main.state());
        return 1;
    }
    Figure("clear_search", clearing);
    const int row = static_cast<int>(contacts / 2);
    main.list->setCurrentSelection(row);
    QTest::keyClick(main.list, Qt::Key_Return);
    Window* record = FindWindow("record");
    auto* mobile = record ? qobject_cast<QLineEdit*>(record->control(T(RecordControls::MobileBox)).widget()) : nullptr;
    QWidget* save = record ? record->control(T(RecordControls::SaveButton)).widget() : nullptr;
    if (!mobile || !save) {
        Note("the record window did not open on row " + std::to_string(row));
        return 1;
    }
    std::vector<double> saves, savesCpu;
    for (int round = 0; round < rounds; ++round) {
        const Text number = Text::fromUtf8("1390013" + std::to_string(1000 + round));
        mobile->setText(number.toQString());
        const Stopwatch at;
        QTest::mouseClick(save, Qt::LeftButton);
        const bool listed = WaitUntil(
            [&] {
                // The row the record window reports, and the row it was opened from.
                const Text position = record->control(T(RecordControls::PositionLabel)).text();
                const std::string digits = [&] {
                    std::string d;
                    for (char c : position.toUtf8())
                        if (c >= '0' && c <= '9') d += c;
                    return d;
                }();
                const int shownRow = digits.empty() ? row : std::atoi(digits.c_str()) - 1;
                return main.list->GetItemText(shownRow, 1) == number || main.list->GetItemText(row, 1) == number;
            },
            120000);
        saves.push_back(at.wallMs());
        savesCpu.push_back(at.cpuMs());
        if (!listed) {
            Note("the list does not show the saved number: " + main.state());
            return 1;
        }
    }
    Figure("save", Median(saves));
    Figure("save_cpu", Median(savesCpu));
    Figure("peak_after_save", PeakKilobytes() / 1024.0);

    // The batch window over the whole book. It is modal: its figures are
    // taken from inside its event loop, once it is there.
    const Stopwatch opening;
    const auto measureOpenBatchWindow = [&] {
        Figure("batch_open", opening);
        QTest::qWait(200);
        Figure("peak", PeakKilobytes() / 1024.0);
        // Tearing down a million-row window measures nothing.
        std::fflush(stdout);
        std::_Exit(0);
    };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (FindWindow("batch")) {
            watch.stop();
            measureOpenBatchWindow();
        }
    });
    watch.start(5);
    open_batch_window(varelo.state());
    if (FindWindow("batch")) measureOpenBatchWindow();
    Note("the batch window did not open");
    return 1;
}

// --------------------------------------------------------------- parent side

// Runs argv with its output to /dev/null (or to `output`); the exit status, -1 when it did not start.
int Spawn(const std::vector<std::string>& args, std::string* output = nullptr, rusage* used = nullptr) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipeEnds[2] = {-1, -1};
    if (output) {
        if (pipe(pipeEnds) != 0) return -1;
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    pid_t child = 0;
    const int started = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output) {
        close(pipeEnds[1]);
        if (started == 0) {
            char buffer[4096];
            ssize_t n;
            std::string pending;
            while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
                output->append(buffer, static_cast<std::size_t>(n));
                pending.append(buffer, static_cast<std::size_t>(n));
                // Progress as it comes: the child's notes.
                for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
                    if (pending.rfind("figure ", 0) != 0) std::printf("    %s\n", pending.substr(0, end).c_str());
                std::fflush(stdout);
            }
        }
        close(pipeEnds[0]);
    }
    if (started != 0) return -1;
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (used) *used = usage;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

double CpuMs(const rusage& used) {
    return (used.ru_utime.tv_sec + used.ru_stime.tv_sec) * 1000.0 +
           (used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1000.0;
}

// Best of three, wall and processor milliseconds; false when the shell is missing or fails.
bool ShellRead(const std::string& book, double* wallMs, double* cpuMs) {
    *wallMs = *cpuMs = 1e300;
    for (int run = 0; run < 3; ++run) {
        const auto at = BenchClock::now();
        rusage used{};
        if (Spawn({"sqlite3", book, "select 姓名,手机 from 通讯录 order by 姓名"}, nullptr, &used) != 0) return false;
        *wallMs = std::min(*wallMs, MsSince(at));
        *cpuMs = std::min(*cpuMs, CpuMs(used));
    }
    return true;
}

struct SizeFigures {
    long long contacts = 0;
    std::map<std::string, double> figures;  // missing: not measured
    bool failed = false;
    std::optional<double> get(const std::string& key) const {
        auto it = figures.find(key);
        return it == figures.end() ? std::nullopt : std::optional<double>(it->second);
    }
};

SizeFigures MeasureSize(long long contacts, const std::string& cache, int rounds) {
    SizeFigures result;
    result.contacts = contacts;
    const fs::path delivered = fs::path(VARELO_PROGRAM_DIR) / "VRL3.mdb";
    std::printf("%lld contacts\n", contacts);
    std::fflush(stdout);
    ContactBookShape shape;
    shape.contacts = static_cast<int>(contacts);
    std::string error;
    const auto making = BenchClock::now();
    const std::string cached = CachedContactBook(delivered.string(), cache, shape, &error);
    if (cached.empty()) {
        std::printf("    cannot make the book: %s\n", error.c_str());
        result.failed = true;
        return result;
    }
    std::printf("    book %s (%.1f MB, ready in %.1f s)\n", cached.c_str(), fs::file_size(cached) / 1048576.0,
                MsSince(making) / 1000);

    // The program changes its book: each run works on a fresh copy.
    const fs::path folder = fs::path(cache) / ("run-" + std::to_string(contacts));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    fs::copy_file(cached, folder / "VRL3.mdb");
    fs::copy_file(fs::path(VARELO_PROGRAM_DIR) / "libSkinH_EL.so", folder / "libSkinH_EL.so");

    double shellMs = 0, shellCpuMs = 0;
    if (ShellRead((folder / "VRL3.mdb").string(), &shellMs, &shellCpuMs))
        result.figures["shell_read"] = shellMs, result.figures["shell_read_cpu"] = shellCpuMs;
    else std::printf("    the sqlite3 shell did not run\n");

    std::string output;
    rusage used{};
    const int status =
        Spawn({"/proc/self/exe", "--child", folder.string(), std::to_string(contacts), std::to_string(rounds)}, &output,
              &used);
    std::size_t at = 0;
    while ((at = output.find("figure ", at)) != std::string::npos) {
        char key[64];
        double value = 0;
        if (std::sscanf(output.c_str() + at, "figure %63s %lf", key, &value) == 2) result.figures[key] = value;
        at += 7;
    }
    if (status != 0) {
        std::printf("    the program run ended with status %d\n", status);
        result.failed = true;
    }
    std::printf("    peak resident memory reported by the system: %.1f MB\n", used.ru_maxrss / 1024.0);
    std::fflush(stdout);
    fs::remove_all(folder, ignored);
    return result;
}

// Columns of a terminal: the Chinese characters take two.
std::string Padded(const std::string& text, int width) {
    int columns = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80) continue;
        columns += c >= 0xE0 ? 2 : 1;
    }
    return text + std::string(static_cast<std::size_t>(std::max(0, width - columns)), ' ');
}

// "wall (processor) unit", or "-".
std::string Formatted(std::optional<double> value, std::optional<double> cpu, const char* unit) {
    if (!value) return "-";
    char out[48];
    if (cpu) std::snprintf(out, sizeof out, "%.1f (%.1f) %s", *value, *cpu, unit);
    else std::snprintf(out, sizeof out, "%.1f %s", *value, unit);
    return out;
}

struct Row {
    std::string key;
    std::string label;
    const char* unit;
    // The limit at a size, for the wall-clock figure or the processor-time
    // one; nullopt when that size has none.
    std::function<std::optional<double>(long long contacts, const SizeFigures&, bool cpu)> limit;
    std::string target;
    bool scaled;  // the larger book may take at most 1.2x as long as the size ratio
};

// The misses of one row in one kind of figure ("" when none), or nullopt when
// a figure with a target was not measured.
std::optional<std::string> Misses(const Row& row, const std::vector<SizeFigures>& sizes, bool cpu) {
    const std::string key = cpu ? row.key + "_cpu" : row.key;
    std::string misses;
    for (const auto& s : sizes) {
        const auto limit = row.limit ? row.limit(s.contacts, s, cpu) : std::nullopt;
        if (!limit) continue;
        const auto value = s.get(key);
        if (!value) return std::nullopt;
        const bool within = row.key == "peak" ? *value < *limit : *value <= *limit;
        char miss[64];
        std::snprintf(miss, sizeof miss, " %lld: %.0f%% over;", s.contacts, (*value / *limit - 1) * 100);
        if (!within) misses += miss;
    }
    if (row.scaled && sizes.size() >= 2) {
        const double allowed = 1.2 * double(sizes.back().contacts) / double(sizes.front().contacts);
        const auto small = sizes.front().get(key), large = sizes.back().get(key);
        if (!small || !large) return std::nullopt;
        char miss[64];
        std::snprintf(miss, sizeof miss, " ratio over %.0f;", allowed);
        if (*small > 0 && *large / *small > allowed) misses += miss;
    }
    return misses;
}

// Whether any target of the row applies to these sizes.
bool HasTarget(const Row& row, const std::vector<SizeFigures>& sizes) {
    if (row.scaled && sizes.size() >= 2) return true;
    for (const auto& s : sizes)
        if (row.limit && row.limit(s.contacts, s, false)) return true;
    return false;
}

int Report(const std::vector<SizeFigures>& sizes) {
    using Limit = std::optional<double>;
    const auto perSize = [](double small, double large) {
        return [small, large](long long contacts, const SizeFigures&, bool) -> Limit {
            return contacts >= 1000000 ? large : small;
        };
    };
    std::vector<Row> rows = {
        {"shell_read", "sqlite3 shell read, best of 3", "ms", nullptr, "reference", false},
        {"sign_in", "sign-in to a filled main window", "ms",
         [](long long contacts, const SizeFigures& f, bool cpu) -> Limit {
             if (contacts < 1000000) return std::nullopt;
             const auto shell = f.get(cpu ? "shell_read_cpu" : "shell_read");
             return shell ? std::min(1500.0, 1.5 * *shell) : 1500.0;
         },
         "1M: <=1.5 s, <=1.5x shell", true},
    };
    for (const SearchText& s : kSearches)
        rows.push_back({s.key, std::string("keystroke \"") + s.text + "\" (" + s.what + ")", "ms", perSize(50, 300),
                        "<=50 ms / <=300 ms", true});
    rows.push_back({"save", "save from the record window", "ms", perSize(50, 200), "<=50 ms / <=200 ms", true});
    rows.push_back({"peak", "peak memory, batch window open", "MB",
                    [](long long contacts, const SizeFigures&, bool cpu) -> Limit {
                        return contacts >= 1000000 && !cpu ? Limit(200) : std::nullopt;
                    },
                    "1M: <200 MB", true});
    rows.push_back({"peak_at_login", "peak memory at the login window", "MB", nullptr, "", false});
    rows.push_back({"peak_after_sign_in", "peak memory after sign-in", "MB", nullptr, "", false});
    rows.push_back({"peak_after_search", "peak memory after the searches", "MB", nullptr, "", false});
    rows.push_back({"peak_after_save", "peak memory after the saves", "MB", nullptr, "", false});
    rows.push_back({"clear_search", "clear button, every contact listed", "ms", nullptr, "", false});
    rows.push_back({"batch_open", "batch window opened", "ms", nullptr, "", false});

    const bool withRatio = sizes.size() >= 2;
    std::printf("\nwall-clock time (processor time of the process in brackets)\n");
    std::printf("%s", Padded("figure", 40).c_str());
    for (const auto& s : sizes) std::printf("%24lld", s.contacts);
    if (withRatio) std::printf("%8s", "ratio");
    std::printf("  %-27s %s\n", "target", "result");
    bool allMet = true;
    for (const Row& row : rows) {
        std::printf("%s", Padded(row.label, 40).c_str());
        for (const auto& s : sizes)
            std::printf("%24s", Formatted(s.get(row.key), s.get(row.key + "_cpu"), row.unit).c_str());
        if (withRatio) {
            const auto small = sizes.front().get(row.key), large = sizes.back().get(row.key);
            char ratio[16] = "-";
            if (small && large && *small > 0) std::snprintf(ratio, sizeof ratio, "%.1f", *large / *small);
            std::printf("%8s", ratio);
        }
        std::string result;
        if (HasTarget(row, sizes)) {
            const auto wall = Misses(row, sizes, false);
            // Memory has no processor time to fall back on.
            const auto cpu = row.key == "peak" ? std::nullopt : Misses(row, sizes, true);
            if (!wall) result = "MISS (not measured)";
            else if (wall->empty()) result = "pass";
            else result = "MISS" + *wall + (cpu && cpu->empty() ? " (processor time within)" : "");
            if (result != "pass") allMet = false;
        }
        std::printf("  %-27s %s\n", row.target.c_str(), result.c_str());
    }
    std::printf(
        "\nlimits: the first for 100,000 contacts (and smaller books), the second for 1,000,000; the larger "
        "book may take at most 1.2x as much longer as it is larger (12x for 10x the contacts)\n");
    std::ifstream load("/proc/loadavg");
    std::string loadAverage;
    std::getline(load, loadAverage);
    std::printf("load average at the end: %s\n", loadAverage.c_str());
    for (const auto& s : sizes)
        if (s.failed) allMet = false;
    std::printf("%s\n", allMet ? "every figure within its target" : "some figures miss their target");
    return allMet ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0) {
        // The offscreen platform's notes about window hints say nothing about the program.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtWarningMsg && (message.startsWith(QLatin1String("This plugin does not support")) ||
                                         message.startsWith(QLatin1String("QStandardPaths:"))))
                return;
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        });
        QApplication app(argc, argv);
        return RunProgram(argv[2], std::atoll(argv[3]), std::max(1, std::atoi(argv[4])));
    }

    std::vector<long long> sizes = {100000, 1000000};
    std::string cache = VARELO_BENCH_CACHE;
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--quick") {
            sizes = {10000, 100000};
        } else if (option == "--sizes" && hasValue) {
            sizes.clear();
            for (std::string list = argv[++i]; !list.empty();) {
                const std::size_t comma = list.find(',');
                const long long size = std::atoll(list.substr(0, comma).c_str());
                if (size > 0) sizes.push_back(size);
                list = comma == std::string::npos ? std::string() : list.substr(comma + 1);
            }
        } else if (option == "--cache" && hasValue) {
            cache = argv[++i];
        } else if (option == "--rounds" && hasValue) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--sizes 100000,1000000] [--quick] [--cache FOLDER] [--rounds N]\n",
                         argv[0]);
            return 2;
        }
    }
    if (sizes.empty()) {
        std::fprintf(stderr, "no sizes given\n");
        return 2;
    }
    std::sort(sizes.begin(), sizes.end());
    std::vector<SizeFigures> figures;
    for (long long size : sizes) figures.push_back(MeasureSize(size, cache, rounds));
    return Report(figures);
}
