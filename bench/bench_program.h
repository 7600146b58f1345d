#pragma once
// The whole program on a book of many contacts, for the benchmarks that work
// its windows: a program folder in a temporary folder, the book filled with
// common names, and the sign-in through the login window's widgets.

#include "app/program.h"
#include "services/window/report_list.h"
#include "services/window/window.h"

#include <QTemporaryDir>

#include <memory>
#include <string>

// Adds `contacts` contacts straight into the book: names of two or three
// common characters, mobile numbers of the three carriers, initials of two
// letters, one group in ten. The same contacts for the same count.
void FillWithCommonNames(const std::string& book, int contacts);

// Offscreen unless the environment chose a platform; call before the application is made.
void OffscreenUnlessChosen();
// The contact count the command line gives (at least `minimum`), else 100,000.
int ContactsToBench(int argc, char** argv, int minimum);

class BenchProgram {
public:
    // The program folder with `contacts` contacts in its book; the program not
    // started. Message boxes answer at once and are printed on stderr (a
    // successful save's left out); web pages are never fetched.
    explicit BenchProgram(int contacts);
    ~BenchProgram();

    // Starts the program (its time in startMs) and signs in with the starting
    // account (wall-clock and processor time in signInMs, signInCpuMs; the
    // resident memory just before in residentBeforeMb). False, said on
    // stderr, when no main window with its list opened.
    bool startAndSignIn();

    std::string bookPath() const { return folder_.filePath("VRL3.mdb").toStdString(); }
    Program& program() { return *program_; }
    Window& mainWindow() const { return *main_; }
    ReportList& list() const { return *list_; }

    double startMs = 0, signInMs = 0, signInCpuMs = 0, residentBeforeMb = 0;

private:
    QTemporaryDir folder_;
    std::unique_ptr<Program> program_;
    Window* main_ = nullptr;
    ReportList* list_ = nullptr;
};
