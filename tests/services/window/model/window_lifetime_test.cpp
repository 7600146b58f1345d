// A window closed while one of its handlers runs: every way a user or the
// code closes it hides it at once, and its objects stay until the handler
// has returned. A hold on an owned window holds its owner too.

#include "services/window/model/test_window.h"

#include "services/db/record_set.h"
#include "support/close_way.h"

#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Gone from the screen: hidden, or its widget already destroyed.
bool OutOfSight(const Window& window) {
    QWidget* w = window.widget();
    return !w || !w->isVisible();
}

class WindowLifetime : public WindowTest, public ::testing::WithParamInterface<CloseWay> {};

// A click handler that lets events run until its window is out of sight,
// as a long action does, then uses the window's objects.
TEST_P(WindowLifetime, ObjectsOutliveTheHandlerThatRunsWhenTheWindowCloses) {
    ASSERT_TRUE(LoadWindow(EveryKindWindow("other"), LoggingHandlers(log)));
    bool sawRecordSet = false;
    bool sawControl = false;
    bool closingMeanwhile = false;
    HandlerTable handlers = LoggingHandlers(log);
    handlers["log"] = [&](const EventArgs& e) {
        log.entries.push_back(std::string(EventName(e.event)) + (e.control ? " control" : " window"));
        if (e.event != Event::Clicked) return;
        RecordSet* records = e.window.recordSet(T("记录集1"));
        QTimer::singleShot(0, [&, way = GetParam()] { CloseBy(way, e.window); });
        QTest::qWaitFor([&] { return OutOfSight(e.window); }, 5000);
        closingMeanwhile = e.window.closing();
        // The objects the handler took before the close are the ones still there.
        sawRecordSet = records != nullptr && e.window.recordSet(T("记录集1")) == records;
        sawControl = e.window.control(T("编辑框1")).text() == T("初始");
        log.entries.push_back("handler returns");
    };
    ASSERT_TRUE(LoadWindow(EveryKindWindow("every"), handlers));
    Window* every = FindWindow("every");
    ASSERT_TRUE(QTest::qWaitForWindowActive(every->widget()));
    click(*every, "按钮1");

    EXPECT_TRUE(closingMeanwhile);
    EXPECT_TRUE(sawRecordSet);
    EXPECT_TRUE(sawControl);
    // Destroyed right after the handler, not before.
    QCoreApplication::processEvents();
    EXPECT_EQ(FindWindow("every"), nullptr);
    const auto returns = std::find(log.entries.begin(), log.entries.end(), "handler returns");
    const auto destroying = std::find(log.entries.begin(), log.entries.end(), "Destroying window");
    ASSERT_NE(destroying, log.entries.end());
    EXPECT_LT(returns, destroying);
    // The other window runs on.
    ASSERT_NE(FindWindow("other"), nullptr);
    FindWindow("other")->control(T("编辑框1")).setText(T("还在"));
    EXPECT_EQ(FindWindow("other")->control(T("编辑框1")).text(), T("还在"));
}

INSTANTIATE_TEST_SUITE_P(EveryWay, WindowLifetime, VARELO_EVERY_CLOSE_WAY);

using WindowHolds = WindowTest;

// An owned window's handler uses its owner's objects: the owner closed
// meanwhile waits for it, and both go when it returns, the owned one first.
TEST_F(WindowHolds, AnOwnedWindowsHandlerHoldsTheOwner) {
    ASSERT_TRUE(LoadWindow(EveryKindWindow("main"), LoggingHandlers(log)));
    bool ownerObjectsThere = false;
    HandlerTable handlers;
    handlers["log"] = [&](const EventArgs& e) {
        if (e.event == Event::Destroying) log.entries.push_back("Destroying owned");
        if (e.event != Event::Clicked) return;
        Window* main = FindWindow("main");
        RecordSet* records = main->recordSet(T("记录集1"));
        DestroyWindow(main, true);
        ownerObjectsThere = main->closing() && main->recordSet(T("记录集1")) == records && records != nullptr;
        log.entries.push_back("handler returns");
    };
    ASSERT_TRUE(LoadWindow(EveryKindWindow("record"), handlers, false, "main"));
    click(*FindWindow("record"), "按钮1");
    EXPECT_TRUE(ownerObjectsThere);
    EXPECT_EQ(FindWindow("main"), nullptr);
    EXPECT_EQ(FindWindow("record"), nullptr);
    const std::vector<std::string> tail(log.entries.end() - 3, log.entries.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"handler returns", "Destroying owned", "Destroying window"}));
}

// A window held after it was closed and loaded anew meanwhile: the new one
// is the one found, and the old one's end does not take it along.
TEST_F(WindowHolds, AWindowLoadedAnewWhileTheOldOneIsHeldIsTheOneFound) {
    Window* second = nullptr;
    HandlerTable handlers = LoggingHandlers(log);
    handlers["log"] = [&](const EventArgs& e) {
        if (e.event != Event::Clicked) return;
        DestroyWindow(&e.window, true);
        ASSERT_TRUE(LoadWindow(EveryKindWindow("every"), LoggingHandlers(log)));
        second = FindWindow("every");
    };
    ASSERT_TRUE(LoadWindow(EveryKindWindow("every"), handlers));
    Window* first = FindWindow("every");
    click(*first, "按钮1");
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(FindWindow("every"), second);
    EXPECT_FALSE(second->closing());
    EXPECT_EQ(LoadedWindows().size(), 1u);
}

}  // namespace
