// The shared address book on a PostgreSQL server under load. The bench starts
// a server of its own (tests/support/pg_server.sh, in a temporary folder,
// stopped at the end, also after a failure or Ctrl+C), makes a server book
// and fills it with the contacts of a generated local book (contact_book.h:
// 100,000 realistic contacts, one in twenty with a 100 KB photo), copied in
// through psql's \copy. Then:
//  - ten clients at once, each a process of its own with its own connection,
//    make 1,000 saves each of random contacts through the program's save path
//    (one client alone makes 300 first: the save's own cost, for reference):
//    the contact opened by its key, one text field read, written and stored
//    with RecordSet::Update. The field (备注) holds a number each save adds 1
//    to, so that a lost update shows: at the end the sum the server holds
//    must equal the number of saves stored. A save is either stored or
//    refused as stale (another client stored the contact since it was read);
//    anything else is a failure. Figures: stored, refused, median and 95th
//    percentile of the save time (open, write, store).
//  - the contact list's search statement for each keystroke of a few texts,
//    on the server book and on the same contacts in a local book, side by
//    side: the statement opened and the first screen of 40 rows read, as the
//    list shows them (median of the rounds).
// With --hot N a second run follows where every client picks among N
// contacts only, so that clients often save the same contact at once and the
// refusals are exercised.
//
// Usage: server_bench [--contacts N] [--clients N] [--saves N] [--hot N]
//                     [--rounds N] [--limit SECONDS] [--cache FOLDER] [--no-search]
//   --limit  the server stops a statement after this long (default 120 s):
//            a keystroke that takes longer is shown as over the limit
// Exits with 1 when an update is lost, a save fails or the set-up fails.

#include "data/address_book.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "support/contact_book.h"

#include <QString>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>
#include "bench_timing.h"
#include "build_paths.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The value below which `share` of the values lie (0.5: the median).
double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * double(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

double Median(const std::vector<double>& values) { return Percentile(values, 0.5); }

class SilentMessages : public MessagePresenter {
public:
    int present(const MessageRequest&) override { return 0; }
};

// The counter the clients add to, in a text field of every contact.
constexpr const char* kCounterField = "备注";

// ------------------------------------------------------------------ the server

// A value of an ODBC connection text ("...;Key=value;...").
std::string ConnectionField(const std::string& connection, const std::string& key) {
    const auto at = connection.find(";" + key + "=");
    if (at == std::string::npos) return {};
    const auto from = at + key.size() + 2;
    return connection.substr(from, connection.find(';', from) - from);
}

std::string WithDatabase(const std::string& connection, const std::string& database) {
    const std::string key = ";Database=";
    const auto at = connection.find(key);
    if (at == std::string::npos) return connection + key + database;
    const auto end = connection.find(';', at + key.size());
    return connection.substr(0, at + key.size()) + database +
           (end == std::string::npos ? std::string() : connection.substr(end));
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The bench's PostgreSQL server, stopped when this goes, and by the signal
// handler when the run is interrupted.
char gStopScript[4096];
char gStopFolder[4096];

void StopServerNow() {
    if (!gStopFolder[0]) return;
    // Only calls a signal handler may make.
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        char bash[] = "bash", stop[] = "stop";
        char* argv[] = {bash, gStopScript, stop, gStopFolder, nullptr};
        execvp("bash", argv);
        _exit(127);
    }
    if (child > 0) waitpid(child, nullptr, 0);
    gStopFolder[0] = 0;
}

void StopOnSignal(int signal) {
    StopServerNow();
    _exit(128 + signal);
}

class Server {
public:
    // Starts the server; ok() is false (and `error` says why) when it does not.
    Server() {
        char pattern[] = "/tmp/varelo-server-bench.XXXXXX";
        if (!mkdtemp(pattern)) {
            error_ = "cannot make a temporary folder";
            return;
        }
        // The script makes the folder anew and removes it, the bench's own files in it included.
        folder_ = pattern;
        std::snprintf(gStopScript, sizeof gStopScript, "%s", VARELO_PG_SERVER_SCRIPT);
        std::snprintf(gStopFolder, sizeof gStopFolder, "%s", folder_.c_str());
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGSEGV, SIGABRT, SIGBUS}) signal(s, StopOnSignal);
        // A psql that stops reading (a refused \copy) fails the write, not the bench.
        signal(SIGPIPE, SIG_IGN);
        const std::string start =
            "bash " + ShellQuoted(VARELO_PG_SERVER_SCRIPT) + " start " + ShellQuoted(folder_.string());
        if (std::system(start.c_str()) != 0) {
            error_ = "the server did not start (tests/support/pg_server.sh)";
            return;
        }
        std::ifstream in(folder_ / "connection.txt");
        std::getline(in, maintenance_);
        if (maintenance_.empty()) error_ = "the server wrote no connection text";
        // psql reads the password from its environment, never from its command line.
        setenv("PGPASSWORD", ConnectionField(maintenance_, "Pwd").c_str(), 1);
    }
    ~Server() {
        StopServerNow();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    std::string connectionTo(const std::string& database) const { return WithDatabase(maintenance_, database); }
    // A folder for the bench's own files, removed with the server's.
    const fs::path& scratch() const { return folder_; }

    // The psql command line for `database`, its options before the database's.
    std::string psqlCommand(const std::string& database, const std::string& options) const {
        return "psql -X -q -A -t -v ON_ERROR_STOP=1 -h " + ShellQuoted(ConnectionField(maintenance_, "Server")) +
               " -p " + ShellQuoted(ConnectionField(maintenance_, "Port")) + " -U " +
               ShellQuoted(ConnectionField(maintenance_, "Uid")) + " -d " + ShellQuoted(database) + " " + options;
    }

    // Runs SQL through psql; its output (one row a line, fields separated by
    // '|'), or false with psql's error in `output`.
    bool psql(const std::string& database, const std::string& sql, std::string* output) const {
        const std::string command = psqlCommand(database, "-c " + ShellQuoted(sql)) + " 2>&1";
        std::FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return false;
        std::string out;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        const int status = pclose(pipe);
        while (!out.empty() && out.back() == '\n') out.pop_back();
        if (output) *output = out;
        return status == 0;
    }

private:
    fs::path folder_;
    std::string maintenance_;
    std::string error_;
};

// ------------------------------------------------------------ the server book

// The book's tables as the program creates them, with their starting rows.
bool CreateBookTables(const std::string& connection, std::string* error) {
    DBConnection book;
    Text why;
    if (!book.Connect(Text::fromUtf8(connection)) || !CreateServerBook(book, why)) {
        *error = why.empty() ? book.ErrorText().toUtf8() : why.toUtf8();
        return false;
    }
    return true;
}

// One value in PostgreSQL's COPY text format.
void AppendCopyValue(std::string& line, sqlite3_stmt* row, int column, bool emptyIsNull) {
    static const char kHex[] = "0123456789abcdef";
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL: line += "\\N"; return;
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(row, column));
        const int size = sqlite3_column_bytes(row, column);
        line += "\\\\x";
        for (int i = 0; i < size; ++i) {
            line += kHex[bytes[i] >> 4];
            line += kHex[bytes[i] & 15];
        }
        return;
    }
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
        const int size = sqlite3_column_bytes(row, column);
        if (size == 0 && emptyIsNull) {
            line += "\\N";
            return;
        }
        for (int i = 0; i < size; ++i) {
            switch (text[i]) {
            case '\\': line += "\\\\"; break;
            case '\t': line += "\\t"; break;
            case '\n': line += "\\n"; break;
            case '\r': line += "\\r"; break;
            default: line += text[i];
            }
        }
    }
    }
}

// Copies every row of `table` from the local book into the server book with
// psql's \copy, keys included. The counter field starts empty (0), and an
// empty date is none. The rows copied, or -1.
long long CopyTable(const Server& server, const std::string& database, sqlite3* local, const std::string& table) {
    sqlite3_stmt* rows = nullptr;
    if (sqlite3_prepare_v2(local, ("select * from " + table).c_str(), -1, &rows, nullptr) != SQLITE_OK) return -1;
    const int columns = sqlite3_column_count(rows);
    std::string names;
    std::vector<bool> counter(columns), date(columns);
    for (int c = 0; c < columns; ++c) {
        const std::string name = sqlite3_column_name(rows, c);
        names += (c ? ",\"" : "\"") + name + "\"";  // QQ is a name in capitals
        counter[c] = name == kCounterField;
        const char* declared = sqlite3_column_decltype(rows, c);
        date[c] = declared && std::strcmp(declared, "DATETIME") == 0;
    }
    const std::string copy = "\\copy " + table + " (" + names + ") from pstdin";
    std::FILE* pipe = popen(server.psqlCommand(database, "-c " + ShellQuoted(copy)).c_str(), "w");
    long long copied = 0;
    if (pipe) {
        std::string line;
        while (sqlite3_step(rows) == SQLITE_ROW) {
            line.clear();
            for (int c = 0; c < columns; ++c) {
                if (c) line += '\t';
                if (!counter[c]) AppendCopyValue(line, rows, c, date[c]);
            }
            line += '\n';
            if (std::fwrite(line.data(), 1, line.size(), pipe) != line.size()) break;
            ++copied;
        }
        if (pclose(pipe) != 0) copied = -1;
    } else {
        copied = -1;
    }
    sqlite3_finalize(rows);
    return copied;
}

// The server book `database`, filled from the local book. False, with the
// reason in `error`, when it cannot be made.
bool MakeServerBook(const Server& server, const std::string& database, const std::string& localBook, int limitSeconds,
                    std::string* error) {
    if (!server.psql("postgres", "CREATE DATABASE " + database + " ENCODING 'UTF8' TEMPLATE template0", error))
        return false;
    if (!CreateBookTables(server.connectionTo(database), error)) return false;
    sqlite3* local = nullptr;
    if (sqlite3_open_v2(localBook.c_str(), &local, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        *error = "cannot open " + localBook;
        sqlite3_close(local);
        return false;
    }
    const auto at = BenchClock::now();
    const long long rows = CopyTable(server, database, local, "通讯录");
    sqlite3_close(local);
    if (rows < 0) {
        *error = "the contacts were not copied";
        return false;
    }
    std::printf("    %lld contacts copied in %.1f s\n", rows, MsSince(at) / 1000);
    // New contacts are numbered after the copied ones.
    return server.psql(database,
                       "select setval(pg_get_serial_sequence('通讯录', '编号'), (select max(编号) from 通讯录)); "
                       "analyze; alter database " +
                           database + " set statement_timeout = '" + std::to_string(limitSeconds) + "s'",
                       error);
}

// ------------------------------------------------------------------- a client

struct SaveOutcome {
    long long stored = 0;
    long long refused = 0;  // stale: stored by another client since it was read
    long long failed = 0;
    std::vector<double> storedMs, refusedMs;
    std::string firstFailure;
};

// One save as the record window makes it: the contact opened by its key,
// its counter read, the next number written, the record stored; or refused
// when another client stored the contact since it was read.
void SaveOnce(DBConnection& book, long long id, SaveOutcome& outcome) {
    const Text key = Text::fromUtf8(std::to_string(id));
    const auto at = BenchClock::now();
    RecordSet contact;
    contact.SetConnection(book);
    bool stored = false, opened = false;
    if (contact.Open(ContactByKeySql(key), RecordSet::kSqlText) && contact.RecordCount() == 1 && contact.MoveTo(0)) {
        opened = true;
        const Text countRead = contact.ReadText(T(kCounterField));
        const long long count = countRead.empty() ? 0 : std::atoll(countRead.toUtf8().c_str());
        stored = contact.WriteText(T(kCounterField), Text::fromUtf8(std::to_string(count + 1))) && contact.Update();
    }
    const double ms = MsSince(at);
    if (stored) {
        ++outcome.stored;
        outcome.storedMs.push_back(ms);
        return;
    }
    const std::string reason = book.ErrorText().toUtf8();
    if (opened && contact.LastConflict() == RecordSet::RowConflict::kChangedElsewhere) {
        ++outcome.refused;
        outcome.refusedMs.push_back(ms);
        return;
    }
    ++outcome.failed;
    if (outcome.firstFailure.empty())
        outcome.firstFailure = "contact " + std::to_string(id) + (opened ? ": " : " not opened: ") + reason;
}

std::string JoinedMs(const std::vector<double>& values) {
    std::string line;
    char number[32];
    for (double v : values) {
        std::snprintf(number, sizeof number, " %.3f", v);
        line += number;
    }
    return line;
}

// The client process: connects, says "ready", waits for a line on its input,
// makes its saves and writes what came of them.
int RunClient(const std::string& connectionFile, unsigned seed, int saves, long long firstId, long long lastId,
              int hot) {
    SetMessagePresenter(std::make_shared<SilentMessages>());
    std::string connection;
    std::ifstream in(connectionFile);
    std::getline(in, connection);
    DBConnection book;
    if (!book.Connect(Text::fromUtf8(connection))) {
        std::printf("failure cannot connect: %s\n", book.ErrorText().toUtf8().c_str());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    char go[16];
    if (!std::fgets(go, sizeof go, stdin) || std::strncmp(go, "go", 2) != 0) return 1;

    std::mt19937_64 random(seed);
    const long long last = hot > 0 ? std::min(lastId, firstId + hot - 1) : lastId;
    std::uniform_int_distribution<long long> pick(firstId, last);
    SaveOutcome outcome;
    for (int i = 0; i < saves; ++i) SaveOnce(book, pick(random), outcome);
    std::printf("counts %lld %lld %lld\n", outcome.stored, outcome.refused, outcome.failed);
    std::printf("stored_ms%s\n", JoinedMs(outcome.storedMs).c_str());
    std::printf("refused_ms%s\n", JoinedMs(outcome.refusedMs).c_str());
    if (!outcome.firstFailure.empty()) std::printf("failure %s\n", outcome.firstFailure.c_str());
    std::fflush(stdout);
    return 0;
}

// ------------------------------------------------------------ the parent side

struct Child {
    pid_t pid = -1;
    std::FILE* in = nullptr;   // the child's input
    std::FILE* out = nullptr;  // the child's output
};

Child SpawnChild(const std::vector<std::string>& args) {
    Child child;
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0) return child;
    if (pipe(fromChild) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return child;
    }
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) posix_spawn_file_actions_addclose(&actions, fd);
    if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    child.in = fdopen(toChild[1], "w");
    child.out = fdopen(fromChild[0], "r");
    return child;
}

std::string ReadLine(std::FILE* from) {
    std::string line;
    for (int c; (c = std::fgetc(from)) != EOF && c != '\n';) line += char(c);
    return line;
}

std::vector<double> ParsedMs(const std::string& line) {
    std::vector<double> values;
    std::istringstream in(line.substr(line.find(' ') == std::string::npos ? line.size() : line.find(' ')));
    for (double v; in >> v;) values.push_back(v);
    return values;
}

struct Options {
    int contacts = 100000;
    int clients = 10;
    int saves = 1000;
    int hot = 0;
    int rounds = 3;
    int limitSeconds = 120;  // the server stops a statement that runs longer
    std::string cache = VARELO_BENCH_CACHE;
    bool search = true;
};

// How many clients make how many saves each, picking among the first `hot`
// contacts (0: among all).
struct ClientRun {
    int clients = 10;
    int saves = 1000;
    int hot = 0;
};

// One run of the clients. `storedBefore`, the saves stored by earlier runs,
// grows by this run's. False when a client failed, a save failed or an
// update was lost.
bool RunClients(const Server& server, const std::string& database, const ClientRun& run, long long* storedBefore) {
    const fs::path connectionFile = server.scratch() / "book-connection.txt";
    {
        std::ofstream(connectionFile) << server.connectionTo(database) << "\n";
        chmod(connectionFile.c_str(), 0600);
    }
    std::string range;
    if (!server.psql(database, "select min(编号) || ' ' || max(编号) from 通讯录", &range)) {
        std::printf("    cannot read the keys: %s\n", range.c_str());
        return false;
    }
    long long firstId = 0, lastId = 0;
    std::sscanf(range.c_str(), "%lld %lld", &firstId, &lastId);

    std::vector<Child> children;
    for (int c = 0; c < run.clients; ++c)
        children.push_back(SpawnChild({"/proc/self/exe", "--client", connectionFile.string(), std::to_string(13 + c),
                                       std::to_string(run.saves), std::to_string(firstId), std::to_string(lastId),
                                       std::to_string(run.hot)}));
    bool allReady = true;
    for (auto& child : children) {
        if (child.pid < 0 || !child.out) {
            allReady = false;
            continue;
        }
        const std::string line = ReadLine(child.out);
        if (line != "ready") {
            std::printf("    a client did not connect: %s\n", line.c_str());
            allReady = false;
        }
    }
    // Every client starts at once, on its own connection already open.
    const auto started = BenchClock::now();
    for (auto& child : children) {
        if (!child.in) continue;
        std::fputs(allReady ? "go\n" : "stop\n", child.in);
        std::fclose(child.in);
        child.in = nullptr;
    }
    SaveOutcome total;
    bool clientsOk = allReady;
    for (auto& child : children) {
        if (!child.out) continue;
        for (std::string line; !(line = ReadLine(child.out)).empty() || !std::feof(child.out);) {
            long long stored = 0, refused = 0, failed = 0;
            if (std::sscanf(line.c_str(), "counts %lld %lld %lld", &stored, &refused, &failed) == 3) {
                total.stored += stored;
                total.refused += refused;
                total.failed += failed;
            } else if (line.rfind("stored_ms", 0) == 0) {
                const auto values = ParsedMs(line);
                total.storedMs.insert(total.storedMs.end(), values.begin(), values.end());
            } else if (line.rfind("refused_ms", 0) == 0) {
                const auto values = ParsedMs(line);
                total.refusedMs.insert(total.refusedMs.end(), values.begin(), values.end());
            } else if (line.rfind("failure ", 0) == 0) {
                std::printf("    a client: %s\n", line.c_str() + 8);
            }
        }
        std::fclose(child.out);
        int status = 0;
        if (child.pid > 0) waitpid(child.pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) clientsOk = false;
    }
    const double wallS = MsSince(started) / 1000;
    if (!allReady) return false;

    std::string held;
    server.psql(database,
                std::string("select coalesce(sum(nullif(") + kCounterField +
                    ", '')::bigint), 0) || ' ' || count(nullif(" + kCounterField + ", '')) from 通讯录",
                &held);
    long long heldSum = -1, heldContacts = -1;
    std::sscanf(held.c_str(), "%lld %lld", &heldSum, &heldContacts);

    std::vector<double> all = total.storedMs;
    all.insert(all.end(), total.refusedMs.begin(), total.refusedMs.end());
    const long long made = total.stored + total.refused + total.failed;
    std::printf("    %d clients x %d saves (%lld made) in %.1f s: %.0f saves/s\n", run.clients, run.saves, made, wallS,
                made / std::max(wallS, 1e-9));
    std::printf("    stored %lld, refused as stale %lld, failed %lld\n", total.stored, total.refused, total.failed);
    const long long storedInAll = *storedBefore + total.stored;
    *storedBefore = storedInAll;
    std::printf("    the server holds %lld in %lld contacts' counters, the saves stored %lld: %s\n", heldSum,
                heldContacts, storedInAll,
                heldSum == storedInAll ? "equal, no update lost" : "NOT EQUAL: updates were lost or counted twice");
    std::printf("    save time, every save: median %.2f ms, 95th percentile %.2f ms, worst %.2f ms\n", Median(all),
                Percentile(all, 0.95), Percentile(all, 1.0));
    std::printf("    save time, stored saves: median %.2f ms, 95th percentile %.2f ms\n", Median(total.storedMs),
                Percentile(total.storedMs, 0.95));
    if (!total.refusedMs.empty())
        std::printf("    save time, refused saves: median %.2f ms, 95th percentile %.2f ms\n", Median(total.refusedMs),
                    Percentile(total.refusedMs, 0.95));
    std::fflush(stdout);
    return clientsOk && total.failed == 0 && heldSum == storedInAll && made == 1LL * run.clients * run.saves;
}

// --------------------------------------------------------------- the searches

struct SearchText {
    const char* text;
    const char* what;
};
constexpr SearchText kSearches[] = {
    {"1", "one character, nearly every row"},
    {"13", "two characters"},
    {"zw", "initials"},
    {"张伟", "a name"},
    {"5678", "digits"},
};

constexpr int kScreenRows = 40;

// Padded to `width` terminal columns: a Chinese character takes two.
std::string Padded(const std::string& text, int width) {
    int columns = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) columns += c >= 0xE0 ? 2 : 1;
    return text + std::string(static_cast<std::size_t>(std::max(0, width - columns)), ' ');
}

// One keystroke's statement: opened, counted and its first screen read, as
// the list shows it. The milliseconds, or -1 when the statement fails.
double SearchOnce(DBConnection& book, const Text& sql, int* rows) {
    const auto at = BenchClock::now();
    RecordSet found;
    found.SetConnection(book);
    if (!found.Open(sql, RecordSet::kSqlText)) return -1;
    *rows = found.RecordCount();
    for (int row = 0; row < std::min(*rows, kScreenRows); ++row) {
        found.ReadTextAt(row, T("姓名"));
        found.ReadTextAt(row, T("手机"));
    }
    return MsSince(at);
}

struct Keystroke {
    double ms = -1;
    int rows = -1;
    bool overLimit = false;  // the server stopped the statement at the bench's limit
    std::string failure;
};

// The median of the rounds for the statement of `typed`.
Keystroke MeasureKeystroke(DBConnection& book, const Text& typed, int rounds) {
    Keystroke k;
    const Text sql = ContactSearchWithSpellingSql(typed);
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const double ms = SearchOnce(book, sql, &k.rows);
        if (ms < 0) {
            k.failure = book.ErrorText().toUtf8();
            k.failure = k.failure.substr(0, k.failure.find('\r'));
            // SQLSTATE 57014: cancelled, here by the statement time limit.
            k.overLimit = book.ErrorText().toUtf8().find("57014") != std::string::npos ||
                          k.failure.find("statement timeout") != std::string::npos;
            return k;
        }
        times.push_back(ms);
    }
    k.ms = Median(times);
    return k;
}

std::string KeystrokeFigure(const Keystroke& k, int limitSeconds) {
    char figure[48];
    if (k.overLimit) std::snprintf(figure, sizeof figure, "over %d s", limitSeconds);
    else if (k.ms < 0) std::snprintf(figure, sizeof figure, "failed");
    else std::snprintf(figure, sizeof figure, "%.1f ms %6d rows", k.ms, k.rows);
    return figure;
}

bool RunSearches(const Server& server, const std::string& database, const std::string& cachedBook, int rounds,
                 int limitSeconds) {
    // The program's own opening of a local book may add to it: a copy.
    const fs::path localBook = server.scratch() / "VRL3.mdb";
    std::error_code copyError;
    fs::copy_file(cachedBook, localBook, fs::copy_options::overwrite_existing, copyError);
    DBConnection local, shared;
    if (copyError || !local.ConnectAccess(Text::fromFileSystem(localBook.string()))) {
        std::printf("    cannot open the local book\n");
        return false;
    }
    KeepContactOrder(local);
    if (!shared.Connect(Text::fromUtf8(server.connectionTo(database)))) {
        std::printf("    cannot connect to the server book: %s\n", shared.ErrorText().toUtf8().c_str());
        return false;
    }
    KeepContactOrder(shared);
    std::printf("    %-8s %20s %20s %8s\n", "typed", "local book", "server book", "ratio");
    bool ok = true;
    for (const SearchText& s : kSearches) {
        // Every name here is of characters of one UTF-16 unit each.
        const QString text = QString::fromUtf8(s.text);
        for (qsizetype typed = 1; typed <= text.size(); ++typed) {
            const QString prefix = text.left(typed);
            const Text typedText = Text::fromQString(prefix);
            const Keystroke onLocal = MeasureKeystroke(local, typedText, rounds);
            const Keystroke onServer = MeasureKeystroke(shared, typedText, rounds);
            char ratio[16] = "-";
            if (onLocal.ms > 0 && onServer.ms >= 0)
                std::snprintf(ratio, sizeof ratio, "%.1fx", onServer.ms / onLocal.ms);
            std::printf("    %s %20s %20s %8s  %s\n", Padded("\"" + prefix.toStdString() + "\"", 8).c_str(),
                        KeystrokeFigure(onLocal, limitSeconds).c_str(), KeystrokeFigure(onServer, limitSeconds).c_str(),
                        ratio, typed == 1 ? s.what : "");
            for (const Keystroke* k : {&onLocal, &onServer})
                if (!k->failure.empty() && !k->overLimit) {
                    std::printf("        %s book: %s\n", k == &onLocal ? "local" : "server", k->failure.c_str());
                    ok = false;
                }
            std::fflush(stdout);
        }
    }
    return ok;
}

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [--contacts N] [--clients N] [--saves N] [--hot N] [--rounds N] [--limit SECONDS] "
                 "[--cache FOLDER] [--no-search]\n",
                 program);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc == 8 && std::strcmp(argv[1], "--client") == 0)
        return RunClient(argv[2], unsigned(std::atoi(argv[3])), std::atoi(argv[4]), std::atoll(argv[5]),
                         std::atoll(argv[6]), std::atoi(argv[7]));

    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        const auto number = [&] { return std::max(0, std::atoi(argv[++i])); };
        if (option == "--contacts" && hasValue) options.contacts = std::max(1, number());
        else if (option == "--clients" && hasValue) options.clients = std::max(1, number());
        else if (option == "--saves" && hasValue) options.saves = number();
        else if (option == "--hot" && hasValue) options.hot = number();
        else if (option == "--rounds" && hasValue) options.rounds = std::max(1, number());
        else if (option == "--limit" && hasValue) options.limitSeconds = std::max(1, number());
        else if (option == "--cache" && hasValue) options.cache = argv[++i];
        else if (option == "--no-search") options.search = false;
        else return Usage(argv[0]);
    }
    SetMessagePresenter(std::make_shared<SilentMessages>());

    std::printf("local book of %d contacts\n", options.contacts);
    ContactBookShape shape;
    shape.contacts = options.contacts;
    std::string error;
    auto at = BenchClock::now();
    const std::string cached =
        CachedContactBook((fs::path(VARELO_PROGRAM_DIR) / "VRL3.mdb").string(), options.cache, shape, &error);
    if (cached.empty()) {
        std::printf("    cannot make the book: %s\n", error.c_str());
        return 1;
    }
    std::printf("    %s (ready in %.1f s)\n", cached.c_str(), MsSince(at) / 1000);

    std::printf("PostgreSQL server\n");
    Server server;
    if (!server.ok()) {
        std::printf("    %s\n", server.error().c_str());
        return 1;
    }
    const std::string database = "server_bench";
    at = BenchClock::now();
    if (!MakeServerBook(server, database, cached, options.limitSeconds, &error)) {
        std::printf("    cannot make the server book: %s\n", error.c_str());
        return 1;
    }
    std::printf("    server book ready in %.1f s\n", MsSince(at) / 1000);

    bool ok = true;
    if (options.saves > 0) {
        long long stored = 0;
        // One client alone first: the save's own cost, without the others'.
        const ClientRun alone{1, std::min(options.saves, 300), 0};
        std::printf("saves of random contacts, one client alone\n");
        ok = RunClients(server, database, alone, &stored) && ok;
        std::printf("saves of random contacts, %d clients at once\n", options.clients);
        ok = RunClients(server, database, {options.clients, options.saves, 0}, &stored) && ok;
        if (options.hot > 0) {
            std::printf("saves among %d contacts, often the same at once\n", options.hot);
            ok = RunClients(server, database, {options.clients, options.saves, options.hot}, &stored) && ok;
        }
    }
    if (options.search) {
        std::printf("search keystrokes (statement opened and %d rows read; median of %d rounds)\n", kScreenRows,
                    options.rounds);
        ok = RunSearches(server, database, cached, options.rounds, options.limitSeconds) && ok;
    }
    std::ifstream load("/proc/loadavg");
    std::string loadAverage;
    std::getline(load, loadAverage);
    std::printf("load average at the end: %s (a shared machine: other work ran at the same time)\n",
                loadAverage.c_str());
    std::printf("%s\n", ok ? "no update lost, every save stored or refused as stale" : "FAILED");
    return ok ? 0 : 1;
}
