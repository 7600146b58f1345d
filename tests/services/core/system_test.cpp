// Program folder, screen and cursor queries, event processing.

#include "services/core/core.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QCursor>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

TEST(ProgramFolderTest, FolderOfTheRunningExecutable) {
    Text folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.bytes().back(), '/');
    EXPECT_EQ(folder.toQString(), QCoreApplication::applicationDirPath());
    EXPECT_TRUE(FileExists(folder + Text::fromBytes("/test_core")));
}

// The folder comes from the file system: a copy of this test run from a
// folder whose name GBK cannot hold reports that folder byte for byte.
TEST(ProgramFolderTest, AFolderOutsideTheCodePageKeepsItsOwnBytes) {
    if (const char* report = std::getenv("VARELO_REPORT_PROGRAM_FOLDER_TO")) {
        std::ofstream(report, std::ios::binary) << ProgramFolder().toFileSystem();
        return;
    }
    TempFolder dir;
    const std::string folder = dir.file("jörg 😀");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    std::filesystem::copy_file("/proc/self/exe", folder + "/test_core");
    std::filesystem::permissions(folder + "/test_core", std::filesystem::perms::owner_all);
    const std::string report = dir.file("report");
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VARELO_REPORT_PROGRAM_FOLDER_TO", QString::fromStdString(report));
    child.setProcessEnvironment(environment);
    child.start(QString::fromStdString(folder + "/test_core"),
                {"--gtest_filter=ProgramFolderTest.AFolderOutsideTheCodePageKeepsItsOwnBytes"});
    ASSERT_TRUE(child.waitForFinished(-1));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    std::ifstream in(report, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), folder);
    EXPECT_TRUE(FileExists(Text::fromFileSystem(folder) + T("/test_core")));
}

TEST(ScreenTest, WidthAndCursor) {
    EXPECT_GT(ScreenWidth(), 0);
    QCursor::setPos(10, 20);
    int x = MouseX(), y = MouseY();
    EXPECT_GE(x, 0);
    EXPECT_GE(y, 0);
    EXPECT_EQ(x, QCursor::pos().x());
    EXPECT_EQ(y, QCursor::pos().y());
}

TEST(ProcessEventsTest, RunsWaitingEvents) {
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    for (int i = 0; i < 100 && !ran; ++i) ProcessEvents();
    EXPECT_TRUE(ran);
}
