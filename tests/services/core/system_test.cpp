// Program folder, screen and cursor queries, event processing.

#include "services/core/core.h"

#include <QCoreApplication>
#include <QCursor>
#include <QTimer>

#include <gtest/gtest.h>

TEST(ProgramFolderTest, FolderOfTheRunningExecutable) {
    Text folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.bytes().back(), '/');
    EXPECT_EQ(folder.toQString(), QCoreApplication::applicationDirPath());
    EXPECT_TRUE(FileExists(folder + Text::fromBytes("/test_core")));
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
