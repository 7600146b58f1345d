#pragma once
// The command line: `varelo --import-vcard FILE` and its kind run one task on
// the address book and end, creating no window and needing no display (over
// ssh, from cron). At most a QCoreApplication exists; nothing is ever asked:
// every message goes to the terminal, and the exit code tells how it went.
//
// Options are rows of one table (CommandLineOptions): a task takes the book
// and its argument, a setting (--book) only changes where the tasks work.
// A new task is one more row.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class DBConnection;

// Exit codes.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the task could not be done; one line says why
inline constexpr int kExitUsage = 2;    // the command line itself is wrong

// The settings of one run that a task may need besides its argument.
struct TaskSettings {
    bool append = false;  // --append: add to a book that holds contacts already
};

// Which book a task is given.
enum class TaskBook {
    kProgramBook,  // the book the windows open: the shared book Peizhi.ini names, else VRL3.mdb; --book: that file
    kLocalFile,    // a local book file: --book, else the VRL3.mdb the windows would open
    kNone,         // none: the task connects itself (the connection is given closed)
};

struct CommandLineOption {
    std::string name;      // "--import-vcard"
    std::string argument;  // "FILE"; empty when the option takes none
    std::string help;      // one line (UTF-8)
    // A task: runs on the open book with the option's argument, prints what
    // it did to `out` and returns the exit code; on failure it returns
    // kExitFailure with `why` set to one line. Empty for settings and --help.
    std::function<int(DBConnection& book, const std::string& argument, const TaskSettings& settings, std::ostream& out,
                      std::string& why)>
        task;
    TaskBook book = TaskBook::kProgramBook;
};

const std::vector<CommandLineOption>& CommandLineOptions();

// True when the program was started with a command-line option (the first
// argument starts with "--"); the windows are not opened then.
bool IsCommandLineRun(int argc, char** argv);

// Runs the command line: parses it, opens the book (the one the windows
// open: the shared book Peizhi.ini names, else the program folder's VRL3.mdb
// for a portable copy, else the user's own; --book names another), runs the
// one task. A password in a connection text never reaches the output. Writes to
// `out` and `err`; returns the exit code.
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);
