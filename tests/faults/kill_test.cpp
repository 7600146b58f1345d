// The program killed with SIGKILL at random moments while it imports and
// while it saves: the book stays whole and every row it reported as stored
// is in it.

#include "faults/fault_support.h"
#include "support/address_book_copy.h"
#include "support/temp_folder.h"

#include <QProcess>

#include <gtest/gtest.h>

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

class KillTest : public ::testing::Test {
protected:
    // Random moments, told so that a failing run can be repeated.
    std::mt19937 random_{std::random_device{}()};
    int moment(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random_); }
};

TEST_F(KillTest, KilledDuringATextImportKeepsEveryRowItReportedAndAWholeBook) {
    const int runs = 6;
    long long reportedAll = 0, storedAll = 0, lostAll = 0;
    for (int r = 0; r < runs; ++r) {
        TempFolder folder;
        const std::string book = folder.file("VRL3.mdb");
        ASSERT_TRUE(CopyDeliveredBook(book));
        const int workMs = moment(50, 2200);
        const ChildRun run = RunAndKill(folder, "import", 30000, workMs);
        ASSERT_FALSE(run.lines.empty()) << "the child did not start";
        ASSERT_EQ(run.lines.front(), "ready");
        long long reported = 0;
        for (const auto& line : run.lines)
            if (line.rfind("stored ", 0) == 0) reported = std::max(reported, std::atoll(line.c_str() + 7));
        ASSERT_EQ(IntegrityCheck(book), "ok") << "killed after " << workMs << " ms";
        // Rows are committed in order: the reported ones are the first names.
        const long long present =
            CountRows(book, "CAST(substr(姓名, 2) AS INTEGER) < " + std::to_string(100000 + reported));
        const long long stored = CountRows(book);
        EXPECT_EQ(present, reported) << "killed after " << workMs << " ms";
        reportedAll += reported;
        storedAll += stored;
        lostAll += reported - present;
    }
    RecordOutcome("text import, SIGKILL at random moments", runs, reportedAll, storedAll, lostAll);
    EXPECT_EQ(lostAll, 0);
}

TEST_F(KillTest, KilledDuringASeriesOfSavesKeepsEverySaveItReported) {
    const int runs = 6;
    long long reportedAll = 0, storedAll = 0, lostAll = 0;
    for (int r = 0; r < runs; ++r) {
        TempFolder folder;
        const std::string book = folder.file("VRL3.mdb");
        ASSERT_TRUE(CopyDeliveredBook(book));
        const int workMs = moment(50, 1500);
        const ChildRun run = RunAndKill(folder, "saves", 400, workMs);
        ASSERT_FALSE(run.lines.empty()) << "the child did not start";
        std::string saving;
        long long reported = 0, lost = 0;
        for (const auto& line : run.lines) {
            if (line.rfind("saving ", 0) == 0) saving = line.substr(7);
            if (line == "said 保存成功！") {
                ++reported;
                if (!HasContactNamed(book, saving)) ++lost;
            }
        }
        ASSERT_EQ(IntegrityCheck(book), "ok") << "killed after " << workMs << " ms";
        EXPECT_EQ(lost, 0) << "killed after " << workMs << " ms";
        reportedAll += reported;
        storedAll += CountRows(book);
        lostAll += lost;
    }
    RecordOutcome("record window saves, SIGKILL at random moments", runs, reportedAll, storedAll, lostAll);
    EXPECT_EQ(lostAll, 0);
}

}  // namespace
