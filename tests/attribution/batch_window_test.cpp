// The batch attribution window end to end, offscreen: the real declaration and
// handlers, the real main window owning the book's connection, a lookup
// service on 127.0.0.1, the start button clicked with the mouse, and the book
// read back from the file.
#include "attribution/batch_window.h"
#include "attribution/carrier.h"
#include "attribution/lookup.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/net/fetch_time_limits.h"
#include "services/window/commands.h"
#include "support/file_bytes.h"
#include "support/local_http_server.h"
#include "support/temp_folder.h"
#include "support/window_driver.h"
#include "test_book.h"
#include "ui/batch_window_decl.h"
#include "ui/main_window_decl.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEvent>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A lookup service: regions by number, a "not found" page for the rest;
// numbers answered late or never.
class LookupService {
public:
    struct Script {
        std::map<std::string, std::string> regions;
        std::set<std::string> silent;
        std::map<std::string, std::chrono::milliseconds> late;
    };
    explicit LookupService(Script script)
        : script_(std::move(script)), server_([this](const LocalHttpServer::Request& r) { return answer(r); }) {}

    Text address() const { return Text::fromUtf8(server_.baseUrl()); }
    std::size_t requestCount() const { return server_.requestCount(); }

private:
    LocalHttpServer::Response answer(const LocalHttpServer::Request& request) const {
        const std::string number = request.query("m");
        if (script_.silent.count(number)) return LocalHttpServer::silent();
        auto region = script_.regions.find(number);
        auto page = region == script_.regions.end() ? LocalHttpServer::html("<html><body>查无此号</body></html>")
                                                    : LocalHttpServer::attributionPage(region->second);
        if (auto late = script_.late.find(number); late != script_.late.end()) page.delay = late->second;
        return page;
    }

    const Script script_;  // read by the server's threads: fixed before the server starts
    LocalHttpServer server_;
};

bool WaitFor(const std::function<bool()>& done, int ms = 20000) { return QTest::qWaitFor(done, ms); }

class BatchWindowTest : public ::testing::Test, protected WindowDriver {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadWindow(MainWindowDecl(), HandlerTable{}, false));
        state_.settingsPath = settings_.fileText("Peizhi.ini");
    }

    void TearDown() override { closeAllWindows(); }

    // The main window's connection opened on the book (start-up does this).
    void connectBook() {
        Window* main = FindWindow("main");
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(main->connection(T(MainControls::AddressBook))->ConnectAccess(Text::fromUtf8(book_.path())));
    }

    void useService(const LookupService& service) {
        ASSERT_TRUE(WriteIni(state_.settingsPath, T("网络"), T("归属地查询地址"), service.address()));
    }

    // The book connected, the service named in the settings, and the window opened modeless.
    Window& openOn(const LookupService& service) {
        connectBook();
        useService(service);
        return openModeless();
    }

    Window& openModeless() {
        EXPECT_TRUE(LoadWindow(BatchWindowDecl(), batch_window_handlers(state_), false));
        Window* batch = FindWindow("batch");
        if (!batch) throw std::runtime_error("batch window not loaded");
        return *batch;
    }

    static void clickStartStop(Window& window) { click(window, BatchControls::StartStop); }
    static QProgressBar* progressOf(Window& window) {
        return qobject_cast<QProgressBar*>(window.control(T(BatchControls::Progress)).widget());
    }
    static bool finished(Window& window, const char* status) {
        return textOf(window, BatchControls::ProgressText) == status &&
               textOf(window, BatchControls::StartStop) == "开始获取";
    }

    TestBook book_;
    TempFolder settings_;
    ProgramState state_;
};

// ---- the declaration ----

TEST(BatchWindowDecl, DeclaresEveryControlOfTheWindow) {
    const WindowDecl decl = BatchWindowDecl();
    EXPECT_EQ(decl.id, "batch");
    EXPECT_EQ(decl.title.toUtf8(), "批量获取手机归属地");
    EXPECT_EQ(decl.width, 434);
    EXPECT_EQ(decl.height, 404);
    EXPECT_TRUE(decl.escCloses);

    struct Expected {
        const char* name;
        ControlKind kind;
        RectDecl rect;
        const char* text;
    };
    const Expected expected[] = {
        {BatchControls::NameLabel, ControlKind::Label, {16, 16, 96, 24}, "姓名"},
        {BatchControls::NumberLabel, ControlKind::Label, {136, 16, 96, 24}, "手机号"},
        {BatchControls::AttributionLabel, ControlKind::Label, {257, 16, 159, 24}, "归属地"},
        {BatchControls::Progress, ControlKind::ProcessBar, {16, 51, 400, 16}, ""},
        {BatchControls::ProgressText, ControlKind::TransLabel, {17, 66, 175, 24}, ""},
        {BatchControls::FailureCount, ControlKind::TransLabel, {256, 64, 159, 24}, ""},
        {BatchControls::StartStop, ControlKind::Button, {336, 90, 80, 28}, "开始获取"},
        {BatchControls::DetailsButton, ControlKind::Button, {328, 130, 96, 28}, "未获取详情"},
        {BatchControls::FailureLog, ControlKind::EditBox, {0, 128, 428, 242}, ""},
        {BatchControls::Contacts, ControlKind::RecordSet, {}, ""},
    };
    ASSERT_EQ(decl.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < decl.controls.size(); ++i) {
        const ControlDecl& c = decl.controls[i];
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(c.name.toUtf8(), expected[i].name);
        EXPECT_EQ(c.kind, expected[i].kind);
        EXPECT_EQ(c.rect, expected[i].rect);
        EXPECT_EQ(c.text.toUtf8(), expected[i].text);
    }
    EXPECT_FALSE(decl.controls[7].visible);  // 按钮3 is not used
    EXPECT_TRUE(decl.controls[8].multiLine);
    EXPECT_EQ(decl.controls[8].scrollBars, ScrollBars::Vertical);
    EXPECT_EQ(decl.controls[0].textColour, Rgb(128, 128, 128));
    EXPECT_EQ(decl.controls[0].border, Border::ShallowSunken);
    EXPECT_EQ(decl.controls[5].hAlign, HAlign::Right);
    ProgramState state;
    EXPECT_TRUE(MissingHandlers(decl, batch_window_handlers(state)).empty());
}

// ---- created ----

TEST_F(BatchWindowTest, CreatedShowsTheFirstContactByNameAndHidesTheLog) {
    book_.addContacts({{"c02", "13800000002", ""}, {"c01", "13800000001", ""}});
    connectBook();
    Window& batch = openModeless();
    EXPECT_EQ(textOf(batch, BatchControls::NameLabel), "c01");
    EXPECT_EQ(textOf(batch, BatchControls::NumberLabel), "13800000001");
    EXPECT_EQ(batch.height(), 152);
    EXPECT_EQ(batch.width(), 434);
    EXPECT_EQ(textOf(batch, BatchControls::StartStop), "开始获取");
}

TEST_F(BatchWindowTest, EmptyBookCompletesAtOnceAndStaysShort) {
    LookupService service({});
    Window& batch = openOn(service);
    clickStartStop(batch);
    EXPECT_TRUE(WaitFor([&] { return finished(batch, "获取已完成！！！"); }));
    EXPECT_EQ(batch.height(), 152);
    EXPECT_EQ(service.requestCount(), 0u);
    // An empty bar, not an endless busy indicator (a range of 0 to 0).
    QProgressBar* bar = progressOf(batch);
    EXPECT_LT(bar->minimum(), bar->maximum());
    EXPECT_EQ(bar->value(), bar->minimum());
}

// ---- runs ----

TEST_F(BatchWindowTest, CompletedRunThroughTheModalWindowStoresEveryAttribution) {
    book_.addContacts({{"c01", "13800000001", ""}, {"c02", "13800000002", "旧的"}, {"c03", "13800000003", ""}});
    connectBook();
    LookupService service(
        {.regions = {{"13800000001", "北京 北京"}, {"13800000002", "广东 广州"}, {"13800000003", "上海 上海"}}});
    useService(service);

    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        Window* batch = FindWindow("batch");
        ASSERT_NE(batch, nullptr);
        EXPECT_TRUE(batch->modal());
        clickStartStop(*batch);
        EXPECT_EQ(textOf(*batch, BatchControls::StartStop), "停止");
        EXPECT_TRUE(WaitFor([&] { return finished(*batch, "获取已完成！！！"); }));
        EXPECT_EQ(textOf(*batch, BatchControls::NameLabel), "c03");
        EXPECT_EQ(textOf(*batch, BatchControls::NumberLabel), "13800000003");
        EXPECT_EQ(textOf(*batch, BatchControls::AttributionLabel), "上海 上海");
        EXPECT_EQ(textOf(*batch, BatchControls::FailureCount), "");
        EXPECT_EQ(textOf(*batch, BatchControls::FailureLog), "");
        ASSERT_NE(progressOf(*batch), nullptr);
        EXPECT_EQ(progressOf(*batch)->maximum(), 3);
        EXPECT_EQ(progressOf(*batch)->value(), 3);
        EXPECT_EQ(batch->height(), 152);  // no failures: the log stays hidden
        ASSERT_TRUE(QTest::qWaitForWindowActive(batch->widget()));
        pressKey(*batch, Qt::Key_Escape);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { DestroyWindow("batch"); });
    watchdog.start(60000);
    open_batch_window(state_);

    EXPECT_TRUE(ran);
    EXPECT_TRUE(watchdog.isActive()) << "closed by the watchdog, not by Escape";
    EXPECT_EQ(FindWindow("batch"), nullptr);
    EXPECT_EQ(book_.storedAttribution("c01"), "北京 北京");
    EXPECT_EQ(book_.storedAttribution("c02"), "广东 广州");  // looked up again and overwritten
    EXPECT_EQ(book_.storedAttribution("c03"), "上海 上海");
    EXPECT_EQ(service.requestCount(), 3u);
}

TEST_F(BatchWindowTest, FailuresAreCountedLoggedAndGrowTheWindow) {
    book_.addContacts({{"c01", "13800000001", ""},
                       {"c02", "1380000000", ""},        // 10 digits: never asked
                       {"c03", "025-83123456", "旧的"},  // a landline: no source places it
                       {"c04", "13800000004", ""}});
    LookupService service({.regions = {{"13800000001", "北京 北京"}, {"13800000004", "江苏 南京"}}});
    Window& batch = openOn(service);

    clickStartStop(batch);
    EXPECT_TRUE(WaitFor([&] { return finished(batch, "获取已完成！！！"); }));
    EXPECT_EQ(textOf(batch, BatchControls::FailureCount), "有2个号码未能获取");
    const std::string log = textOf(batch, BatchControls::FailureLog);
    const std::string first = "1.  未能获取→   c02   1380000000";
    const std::string second = "2.  未能获取→   c03   025-83123456";
    EXPECT_NE(log.find(first), std::string::npos) << log;
    EXPECT_NE(log.find(second), std::string::npos) << log;
    EXPECT_LT(log.find(first), log.find(second));
    EXPECT_EQ(batch.height(), 404);
    EXPECT_EQ(progressOf(batch)->value(), 4);

    EXPECT_EQ(book_.storedAttribution("c01"), "北京 北京");
    EXPECT_EQ(book_.storedAttribution("c02"), "");
    EXPECT_EQ(book_.storedAttribution("c03"), "旧的");  // a failure leaves the stored value
    EXPECT_EQ(book_.storedAttribution("c04"), "江苏 南京");
    EXPECT_EQ(service.requestCount(), 2u);  // only mobile numbers are asked

    // A second run starts with an empty log and counts its failures afresh.
    clickStartStop(batch);
    EXPECT_EQ(textOf(batch, BatchControls::FailureLog).find("3."), std::string::npos);
    EXPECT_TRUE(WaitFor([&] { return finished(batch, "获取已完成！！！"); }));
    EXPECT_EQ(textOf(batch, BatchControls::FailureCount), "有2个号码未能获取");
    EXPECT_EQ(textOf(batch, BatchControls::FailureLog).find("3."), std::string::npos);
}

TEST_F(BatchWindowTest, StopFinishesTheCurrentNumberAndRefusesARestartUntilTheWorkerEnds) {
    book_.addContacts({{"c01", "13800000001", ""},
                       {"c02", "13800000002", ""},
                       {"c03", "13800000003", ""},
                       {"c04", "13800000004", ""}});
    LookupService service({.regions = {{"13800000001", "区域1"},
                                       {"13800000002", "区域2"},
                                       {"13800000003", "区域3"},
                                       {"13800000004", "区域4"}},
                           .late = {{"13800000002", 1500ms}}});
    Window& batch = openOn(service);

    clickStartStop(batch);
    ASSERT_TRUE(WaitFor([&] { return service.requestCount() >= 2; }));
    clickStartStop(batch);  // "停止" while c02's answer is still on its way
    EXPECT_EQ(textOf(batch, BatchControls::StartStop), "开始获取");
    // The worker is still finishing c02: a click now must not start a second one.
    clickStartStop(batch);
    EXPECT_EQ(textOf(batch, BatchControls::StartStop), "开始获取");

    EXPECT_TRUE(WaitFor([&] { return textOf(batch, BatchControls::ProgressText) == "获取已停止！！！"; }));
    EXPECT_EQ(book_.storedAttribution("c01"), "区域1");
    EXPECT_EQ(book_.storedAttribution("c02"), "区域2");  // the current number was finished and stored
    EXPECT_EQ(book_.storedAttribution("c03"), "");
    EXPECT_EQ(service.requestCount(), 2u);
    EXPECT_EQ(progressOf(batch)->value(), 1);  // the stopped number does not advance the bar
    EXPECT_EQ(batch.height(), 152);            // no failures so far

    // Once the worker has ended, a start runs again from the first contact.
    clickStartStop(batch);
    EXPECT_EQ(textOf(batch, BatchControls::StartStop), "停止");
    EXPECT_TRUE(WaitFor([&] { return finished(batch, "获取已完成！！！"); }));
    EXPECT_EQ(service.requestCount(), 6u);
    EXPECT_EQ(book_.storedAttribution("c04"), "区域4");
}

TEST_F(BatchWindowTest, StoppedWithFailuresShowsTheLog) {
    book_.addContacts({{"c01", "23800000001", ""}, {"c02", "13800000002", ""}, {"c03", "13800000003", ""}});
    LookupService service(
        {.regions = {{"13800000002", "区域2"}, {"13800000003", "区域3"}}, .late = {{"13800000002", 1000ms}}});
    Window& batch = openOn(service);

    clickStartStop(batch);
    ASSERT_TRUE(WaitFor([&] { return service.requestCount() >= 1; }));
    clickStartStop(batch);
    EXPECT_TRUE(WaitFor([&] { return finished(batch, "获取已停止！！！"); }));
    EXPECT_EQ(textOf(batch, BatchControls::FailureCount), "有1个号码未能获取");
    EXPECT_NE(textOf(batch, BatchControls::FailureLog).find("1.  未能获取→   c01   23800000001"), std::string::npos);
    EXPECT_EQ(batch.height(), 404);
    EXPECT_EQ(book_.storedAttribution("c02"), "区域2");
    EXPECT_EQ(book_.storedAttribution("c03"), "");
}

TEST_F(BatchWindowTest, AStartRightAfterTheWorkerEndedIsNotUndoneByItsLastChanges) {
    // The previous worker has ended, but the changes it posted last (its
    // final caption and status) have not been applied yet when the user
    // starts again: they must not land on the new run.
    book_.addContacts({{"c01", "13800000001", ""}, {"c02", "13800000002", ""}});
    LookupService service(
        {.regions = {{"13800000001", "区域1"}, {"13800000002", "区域2"}}, .late = {{"13800000001", 1000ms}}});
    Window& batch = openOn(service);

    clickStartStop(batch);
    ASSERT_TRUE(WaitFor([&] { return service.requestCount() >= 1; }));
    clickStartStop(batch);  // stop while c01's answer is on its way
    // Wait for the worker to end without handling any event, so that its
    // last changes are still queued.
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (book_.storedAttribution("c01").empty() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(20ms);
    ASSERT_EQ(book_.storedAttribution("c01"), "区域1");
    std::this_thread::sleep_for(300ms);  // its pause, its last posts, its return

    clickStartStop(batch);  // a new run, c01 answered late again
    QCoreApplication::processEvents();
    EXPECT_EQ(textOf(batch, BatchControls::StartStop), "停止");  // and so it can still be stopped
    EXPECT_TRUE(WaitFor([&] { return finished(batch, "获取已完成！！！"); }));
    EXPECT_EQ(book_.storedAttribution("c02"), "区域2");
}

// ---- closing during a run ----

TEST_F(BatchWindowTest, EscapeMidRunEndsTheWorkerAndKeepsWhatWasFound) {
    // The service never answers c03, and the fetch limits are far longer than
    // the test may take: only cutting the fetch short lets the window close.
    ScopedFetchTimeLimits limits(FetchTimeLimits{10s, 600s});
    book_.addContacts({{"c01", "13800000001", ""},
                       {"c02", "13800000002", ""},
                       {"c03", "13800000003", ""},
                       {"c04", "13800000004", ""}});
    LookupService service({.regions = {{"13800000001", "区域1"}, {"13800000002", "区域2"}, {"13800000004", "区域4"}},
                           .silent = {"13800000003"}});
    Window& batch = openOn(service);
    ASSERT_TRUE(QTest::qWaitForWindowActive(batch.widget()));

    clickStartStop(batch);
    ASSERT_TRUE(WaitFor([&] { return service.requestCount() >= 3; }));
    const auto closing = std::chrono::steady_clock::now();
    pressKey(batch, Qt::Key_Escape);
    EXPECT_EQ(FindWindow("batch"), nullptr);  // the worker was waited for within the close
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 10s);

    // Changes the worker queued before it ended reach no window and harm nothing.
    settle();
    EXPECT_EQ(book_.storedAttribution("c01"), "区域1");
    EXPECT_EQ(book_.storedAttribution("c02"), "区域2");
    // The fetch cut short by the close: the offline attribution was stored.
    EXPECT_EQ(book_.storedAttribution("c03"), offline_attribution(T("13800000003"), DeliveredSegments()).toUtf8());
    EXPECT_EQ(book_.storedAttribution("c04"), "");  // no worker went on after the close
    EXPECT_EQ(service.requestCount(), 3u);
    EXPECT_EQ(IntegrityCheck(book_.path()), "ok");

    // The book is still usable by the main window, and the window opens again.
    Window& again = openModeless();
    EXPECT_EQ(textOf(again, BatchControls::NameLabel), "c01");
}

// The other ways to close the window during a run: the title bar's close
// button and DestroyWindow from code, posted or at once. The worker ends, what
// it found is stored, the book is intact and the main window runs on.
enum class CloseWay { CloseButton, PostedDestroy, DestroyAtOnce };

class BatchClosingMidRun : public BatchWindowTest, public ::testing::WithParamInterface<CloseWay> {};

TEST_P(BatchClosingMidRun, EndsTheWorkerKeepsWhatWasFoundAndLeavesTheBookIntact) {
    ScopedFetchTimeLimits limits(FetchTimeLimits{10s, 600s});
    book_.addContacts({{"c01", "13800000001", ""}, {"c02", "13800000002", ""}, {"c03", "13800000003", ""}});
    LookupService service({.regions = {{"13800000001", "区域1"}, {"13800000003", "区域3"}}, .silent = {"13800000002"}});
    Window& batch = openOn(service);
    clickStartStop(batch);
    ASSERT_TRUE(WaitFor(
        [&] { return service.requestCount() >= 2 && textOf(batch, BatchControls::AttributionLabel) == "区域1"; }));
    switch (GetParam()) {
    case CloseWay::CloseButton: batch.widget()->close(); break;
    case CloseWay::PostedDestroy:
        DestroyWindow(&batch);
        QCoreApplication::processEvents();
        break;
    case CloseWay::DestroyAtOnce: DestroyWindow(&batch, true); break;
    }
    EXPECT_EQ(FindWindow("batch"), nullptr);
    settle();
    EXPECT_EQ(IntegrityCheck(book_.path()), "ok");
    // What the window showed as found is stored; nothing after the close.
    EXPECT_EQ(book_.storedAttribution("c01"), "区域1");
    // The fetch cut short by the close: the offline attribution was stored.
    EXPECT_EQ(book_.storedAttribution("c02"), offline_attribution(T("13800000002"), DeliveredSegments()).toUtf8());
    EXPECT_EQ(book_.storedAttribution("c03"), "");
    EXPECT_EQ(service.requestCount(), 2u);
    ASSERT_NE(FindWindow("main"), nullptr);
    Window& again = openModeless();
    EXPECT_EQ(textOf(again, BatchControls::NameLabel), "c01");
}

INSTANTIATE_TEST_SUITE_P(EveryOtherWay, BatchClosingMidRun,
                         ::testing::Values(CloseWay::CloseButton, CloseWay::PostedDestroy, CloseWay::DestroyAtOnce),
                         [](const ::testing::TestParamInfo<CloseWay>& info) {
                             switch (info.param) {
                             case CloseWay::CloseButton: return std::string("CloseButton");
                             case CloseWay::PostedDestroy: return std::string("PostedDestroy");
                             case CloseWay::DestroyAtOnce: return std::string("DestroyAtOnce");
                             }
                             return std::string("unknown");
                         });

TEST_F(BatchWindowTest, WithoutAConfiguredServiceEveryContactIsPlacedOffline) {
    book_.addContacts({{"c01", "13912345678", "旧的"},
                       {"c02", "+86 170 3123 4567", ""},
                       {"c03", "1391234567", ""},
                       {"c04", "19912345678", ""}});
    connectBook();
    LookupService service({.regions = {{"13912345678", "区域1"}}});  // running, but not named in Peizhi.ini
    Window& batch = openModeless();
    clickStartStop(batch);
    EXPECT_TRUE(WaitFor([&] { return finished(batch, "获取已完成！！！"); }));
    EXPECT_EQ(service.requestCount(), 0u);
    EXPECT_EQ(book_.storedAttribution("c01"), "江苏省常州市 移动");
    EXPECT_EQ(book_.storedAttribution("c02"), offline_attribution(T("17031234567"), DeliveredSegments()).toUtf8());
    EXPECT_NE(book_.storedAttribution("c02").find("移动"), std::string::npos);
    EXPECT_EQ(book_.storedAttribution("c04"), "电信");
    // Only the number no source could place is logged.
    EXPECT_EQ(textOf(batch, BatchControls::FailureCount), "有1个号码未能获取");
    const std::string log = textOf(batch, BatchControls::FailureLog);
    EXPECT_NE(log.find("1.  未能获取→   c03   1391234567"), std::string::npos) << log;
    EXPECT_EQ(log.find("2."), std::string::npos) << log;
    EXPECT_EQ(batch.height(), 404);
    EXPECT_EQ(progressOf(batch)->value(), 4);
}

TEST_F(BatchWindowTest, AFreshBookNeedsNoSettingAndLogsNothing) {
    book_.addContacts({{"c01", "13912345678", ""}, {"c02", "13800138000", ""}});
    connectBook();
    Window& batch = openModeless();
    clickStartStop(batch);
    EXPECT_TRUE(WaitFor([&] { return finished(batch, "获取已完成！！！"); }));
    EXPECT_EQ(textOf(batch, BatchControls::FailureCount), "");
    EXPECT_EQ(textOf(batch, BatchControls::FailureLog), "");
    EXPECT_EQ(batch.height(), 152);
    EXPECT_EQ(textOf(batch, BatchControls::NameLabel), "c02");
    EXPECT_EQ(textOf(batch, BatchControls::AttributionLabel), book_.storedAttribution("c02"));
    EXPECT_NE(book_.storedAttribution("c02"), "");
}

TEST_F(BatchWindowTest, ABookThatRefusesEveryChangeLogsEachFoundRowAsNotStored) {
    const std::string placed = offline_attribution(T("13912345678"), DeliveredSegments()).toUtf8();
    ASSERT_FALSE(placed.empty());
    book_.addContacts({{"c01", "13912345678", placed},  // holds its attribution already: nothing to store
                       {"c02", "13800138000", ""},
                       {"c03", "19912345678", ""},
                       {"c04", "13912345678", "旧的"}});
    ASSERT_EQ(chmod(book_.path().c_str(), 0444), 0);
    const std::string before = FileBytes(book_.path());
    connectBook();
    Window& batch = openModeless();
    clickStartStop(batch);
    EXPECT_TRUE(WaitFor([&] { return finished(batch, "获取已完成！！！"); }));

    // The file is exactly as it was: no 归属地 was stored.
    EXPECT_EQ(FileBytes(book_.path()), before);
    EXPECT_EQ(book_.storedAttribution("c01"), placed);
    EXPECT_EQ(book_.storedAttribution("c02"), "");
    EXPECT_EQ(book_.storedAttribution("c03"), "");
    EXPECT_EQ(book_.storedAttribution("c04"), "旧的");
    // Every row found but refused is counted and logged as not obtained; the
    // one that needed no change is not.
    EXPECT_EQ(textOf(batch, BatchControls::FailureCount), "有3个号码未能获取");
    const std::string log = textOf(batch, BatchControls::FailureLog);
    const std::size_t c02Logged = log.find("1.  未能获取→   c02   13800138000");
    const std::size_t c03Logged = log.find("2.  未能获取→   c03   19912345678");
    const std::size_t c04Logged = log.find("3.  未能获取→   c04   13912345678");
    EXPECT_NE(c02Logged, std::string::npos) << log;
    EXPECT_NE(c03Logged, std::string::npos) << log;
    EXPECT_NE(c04Logged, std::string::npos) << log;
    EXPECT_EQ(log.find("c01"), std::string::npos) << log;
    EXPECT_EQ(log.find("4."), std::string::npos) << log;
    EXPECT_EQ(batch.height(), 404);
    EXPECT_EQ(progressOf(batch)->value(), 4);
    // The program runs on over an intact book, and the window can run again.
    EXPECT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(IntegrityCheck(book_.path()), "ok");
    clickStartStop(batch);
    EXPECT_TRUE(WaitFor([&] { return finished(batch, "获取已完成！！！"); }));
    EXPECT_EQ(textOf(batch, BatchControls::FailureCount), "有3个号码未能获取");
    EXPECT_EQ(FileBytes(book_.path()), before);
}

}  // namespace
