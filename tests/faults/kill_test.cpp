// The program killed with SIGKILL at random moments while it imports and
// while it saves: the book stays whole and every row it reported as stored
// is in it.

#include "faults/fault_support.h"
#include "support/address_book_copy.h"
#include "support/temp_folder.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace faults;

namespace {

struct ChildRun {
    std::vector<std::string> lines;
};

// Starts the child on a fresh copy of the book, lets it work for `workMs`
// after it is ready, then kills it.
ChildRun RunAndKill(const TempFolder& folder, const std::string& mode, int count, int workMs) {
    ChildRun run;
    QProcess child;
    child.setProgram(VARELO_FAULT_CHILD);
    child.setArguments({QString::fromStdString(mode), QString::fromStdString(folder.path()), QString::number(count)});
    child.start();
    if (!child.waitForStarted(10000)) return run;
    // Ready: the main window is up on the book.
    while (child.state() != QProcess::NotRunning && !child.canReadLine()) child.waitForReadyRead(10000);
    child.waitForFinished(workMs);
    if (child.state() != QProcess::NotRunning) {
        child.kill();  // SIGKILL
        child.waitForFinished(10000);
    }
    std::istringstream out(child.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(out, line);) run.lines.push_back(line);
    return run;
}

// What one killed run left: the rows the child reported as stored, and how
// many of those the book lacks.
struct Reported {
    long long rows = 0, lost = 0;
};

class KillTest : public ::testing::Test {
protected:
    // Six runs of the child doing `mode` on a fresh book, killed a random
    // moment (told, so that a failing run can be repeated) from `fromMs` to
    // `toMs` after it is ready. Every book must be whole and lack no reported
    // row; `count` reads what one run reported and lost.
    void killSixTimes(const char* outcome, const std::string& mode, int childCount, int fromMs, int toMs,
                      const std::function<Reported(const std::string& book, const ChildRun& run)>& count) {
        const int runs = 6;
        long long reportedAll = 0, storedAll = 0, lostAll = 0;
        for (int r = 0; r < runs; ++r) {
            TempFolder folder;
            const std::string book = folder.file("VRL3.mdb");
            ASSERT_TRUE(CopyDeliveredBook(book));
            const int workMs = std::uniform_int_distribution<int>(fromMs, toMs)(random_);
            const ChildRun run = RunAndKill(folder, mode, childCount, workMs);
            ASSERT_FALSE(run.lines.empty()) << "the child did not start";
            ASSERT_EQ(run.lines.front(), "ready");
            ASSERT_EQ(IntegrityCheck(book), "ok") << "killed after " << workMs << " ms";
            const Reported reported = count(book, run);
            EXPECT_EQ(reported.lost, 0) << "killed after " << workMs << " ms";
            reportedAll += reported.rows;
            storedAll += CountRows(book);
            lostAll += reported.lost;
        }
        RecordOutcome(outcome, runs, reportedAll, storedAll, lostAll);
        EXPECT_EQ(lostAll, 0);
    }

    std::mt19937 random_{std::random_device{}()};
};

TEST_F(KillTest, KilledDuringATextImportKeepsEveryRowItReportedAndAWholeBook) {
    killSixTimes("text import, SIGKILL at random moments", "import", 30000, 50, 2200,
                 [](const std::string& book, const ChildRun& run) {
                     long long reported = 0;
                     for (const auto& line : run.lines)
                         if (line.rfind("stored ", 0) == 0) reported = std::max(reported, std::atoll(line.c_str() + 7));
                     // Rows are committed in order: the reported ones are the first names.
                     const long long present =
                         CountRows(book, "CAST(substr(姓名, 2) AS INTEGER) < " + std::to_string(100000 + reported));
                     return Reported{reported, reported - present};
                 });
}

TEST_F(KillTest, KilledDuringASeriesOfSavesKeepsEverySaveItReported) {
    killSixTimes("record window saves, SIGKILL at random moments", "saves", 400, 50, 1500,
                 [](const std::string& book, const ChildRun& run) {
                     std::string saving;
                     Reported reported;
                     for (const auto& line : run.lines) {
                         if (line.rfind("saving ", 0) == 0) saving = line.substr(7);
                         if (line == "said 保存成功！") {
                             ++reported.rows;
                             if (!HasContactNamed(book, saving)) ++reported.lost;
                         }
                     }
                     return reported;
                 });
}

}  // namespace
