// Opening addresses, opacity, the window under the cursor, the delay and the
// special folders.

#include "services/system/system.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <atomic>
#include <thread>

namespace {

// Records the addresses instead of starting a browser.
struct RecordedUrls {
    RecordedUrls() {
        previous = SetUrlOpener([this](const QUrl& url) { urls.push_back(url); });
    }
    ~RecordedUrls() { SetUrlOpener(previous); }
    std::vector<QUrl> urls;
    UrlOpener previous;
};

}  // namespace

TEST(OpenUrl, HandsTheAddressToTheDesktop) {
    RecordedUrls recorded;
    OpenUrl(Text::fromBytes("http://127.0.0.1:8080/msgrd?V=1&Uin=12345&Site=lunarkite&Menu=yes"));
    ASSERT_EQ(recorded.urls.size(), 1u);
    EXPECT_EQ(recorded.urls[0].host(), "127.0.0.1");
    EXPECT_EQ(recorded.urls[0].query(), "V=1&Uin=12345&Site=lunarkite&Menu=yes");
    OpenUrl(Text());
    EXPECT_EQ(recorded.urls.size(), 1u);
}

TEST(SetWindowAlpha, OpacityIsClampedTo255) {
    QWidget window;
    ASSERT_TRUE(SetWindowAlpha(&window, 150));
    EXPECT_NEAR(window.windowOpacity(), 150 / 255.0, 0.01);
    ASSERT_TRUE(SetWindowAlpha(&window, 300));
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);
    SetWindowAlpha(&window, 0);
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 0.0);
    ASSERT_TRUE(SetWindowAlpha(&window, -1));
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);
    SetWindowAlpha(&window, 10);
    ASSERT_TRUE(SetWindowAlpha(&window));
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);
    EXPECT_FALSE(SetWindowAlpha(nullptr, 100));
}

TEST(SetWindowAlpha, AControlSetsItsWindow) {
    QWidget window;
    auto* child = new QWidget(&window);
    ASSERT_TRUE(SetWindowAlpha(child, 51));
    EXPECT_NEAR(window.windowOpacity(), 0.2, 0.01);
}

TEST(WindowUnderCursor, SmallestVisibleSiblingWins) {
    QWidget window;
    window.setGeometry(200, 150, 300, 200);
    auto* button = new QPushButton("x", &window);
    button->setGeometry(20, 20, 40, 30);
    // A group frame created later lies above the button and covers it.
    auto* frame = new QGroupBox(&window);
    frame->setGeometry(10, 10, 200, 150);
    auto* hidden = new QWidget(&window);
    hidden->setGeometry(25, 25, 5, 5);
    window.show();
    hidden->hide();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint onButton = window.mapToGlobal(QPoint(30, 30));
    EXPECT_EQ(WindowUnderPoint(onButton), button);
    const QPoint onFrameOnly = window.mapToGlobal(QPoint(150, 100));
    EXPECT_EQ(WindowUnderPoint(onFrameOnly), frame);
    const QPoint onWindow = window.mapToGlobal(QPoint(280, 180));
    EXPECT_EQ(WindowUnderPoint(onWindow), &window);
    EXPECT_EQ(WindowUnderPoint(QPoint(5000, 5000)), nullptr);
}

TEST(WindowUnderCursor, PartsOfAScrollingControlAreThatControl) {
    QWidget window;
    window.setGeometry(200, 150, 300, 200);
    auto* memo = new QPlainTextEdit(&window);
    memo->setGeometry(20, 20, 150, 100);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(WindowUnderPoint(window.mapToGlobal(QPoint(40, 40))), memo);  // its text area
    const QWidget* bar = memo->verticalScrollBar();
    EXPECT_EQ(WindowUnderPoint(bar->mapToGlobal(bar->rect().center())), memo);
}

TEST(Delay, HandlesEventsWhileWaiting) {
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    Delay(60);
    EXPECT_GE(clock.elapsed(), 60);
    EXPECT_TRUE(fired);
}

TEST(Delay, ZeroOrLessReturnsAtOnce) {
    bool ran = false;
    QMetaObject::invokeMethod(
        qApp, [&] { ran = true; }, Qt::QueuedConnection);
    Delay(0);
    Delay(-5);
    EXPECT_FALSE(ran);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
}

TEST(Delay, OnAWorkerThreadOnlySleeps) {
    std::atomic<long long> elapsed{0};
    std::thread worker([&] {
        QElapsedTimer clock;
        clock.start();
        Delay(40);
        elapsed = clock.elapsed();
    });
    worker.join();
    EXPECT_GE(elapsed.load(), 40);
}

TEST(SpecialFolder, KnownKindsEndInOneSlash) {
    const Text temp = SpecialFolder(kTemporaryFolder);
    EXPECT_EQ(temp.toQString(), QDir::tempPath() + "/");
    EXPECT_FALSE(temp.toQString().endsWith("//"));
    for (int kind : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11}) {
        const QString path = SpecialFolder(kind).toQString();
        EXPECT_TRUE(path.startsWith('/') && path.endsWith('/')) << kind << " " << path.toStdString();
    }
    EXPECT_TRUE(SpecialFolder(0).empty());
    EXPECT_TRUE(SpecialFolder(12).empty());
    EXPECT_TRUE(SpecialFolder(-1).empty());
    EXPECT_TRUE(SpecialFolder(2).empty());  // no favourites folder on this desktop
}
