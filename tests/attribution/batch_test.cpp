// The batch attribution run end to end: a real SQLite book through the
// database layer, a real HTTP server on 127.0.0.1, a real worker thread, and
// control changes posted to this (the user-interface) thread.
#include "attribution/batch.h"
#include "attribution/lookup.h"
#include "attribution/mobile_number.h"
#include "services/db/record_set.h"
#include "services/net/fetch_time_limits.h"
#include "support/local_http_server.h"
#include "test_book.h"
#include "ui/batch_window_decl.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

using namespace std::chrono_literals;
using Kind = ControlChange::Kind;

namespace {

ControlChange text(std::string_view control, const std::string& utf8) {
    return {Kind::SetText, Text::fromUtf8(control), Text::fromUtf8(utf8), 0};
}
ControlChange number(Kind kind, std::string_view control, int n) { return {kind, Text::fromUtf8(control), Text(), n}; }

std::string describe(const ControlChange& c) {
    return std::to_string(static_cast<int>(c.kind)) + " " + c.control.toUtf8() + " [" + c.text.toUtf8() + "] " +
           std::to_string(c.number);
}

// Collects changes from any thread.
class RecordingSink {
public:
    ControlChangeSink sink() {
        return [this](const ControlChange& c) {
            std::lock_guard lock(mutex_);
            changes_.push_back(c);
        };
    }
    std::vector<ControlChange> changes() const {
        std::lock_guard lock(mutex_);
        return changes_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<ControlChange> changes_;
};

// The window's side: changes applied on this thread, as the controls would hold them.
class FakeWindow : public QObject {
public:
    std::map<std::string, std::string> texts;  // control -> text / caption
    std::map<std::string, int> numbers;        // "进度条1.max", "进度条1.pos", "height"
    std::vector<ControlChange> applied;
    bool allOnThisThread = true;

    ControlChangeSink sink() {
        return PostedToUiThread(this, [this](const ControlChange& c) { apply(c); });
    }

private:
    void apply(const ControlChange& c) {
        if (QThread::currentThread() != thread()) allOnThisThread = false;
        applied.push_back(c);
        std::string name = c.control.toUtf8();
        switch (c.kind) {
        case Kind::SetText:
        case Kind::SetCaption: texts[name] = c.text.toUtf8(); break;
        case Kind::AppendText: texts[name] += c.text.toUtf8(); break;
        case Kind::SetMaximum: numbers[name + ".max"] = c.number; break;
        case Kind::SetPosition: numbers[name + ".pos"] = c.number; break;
        case Kind::SetWindowHeight: numbers["height"] = c.number; break;
        }
    }
};

bool processEventsUntil(const std::function<bool()>& done, std::chrono::seconds timeout = 60s) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return true;
}

using Regions = std::map<std::string, std::string>;

// A lookup service: regions by number, "not found" pages for the rest, and an
// optional hook run on every request (on the server's thread).
class FakeService {
public:
    explicit FakeService(Regions regions) : regions_(std::move(regions)) {}

    std::function<void(size_t requestNumber)> onRequest;
    std::set<std::string> silentNumbers;  // never answered

    Text address() const { return Text::fromBytes(server_.baseUrl()); }
    LocalHttpServer& server() { return server_; }

private:
    std::map<std::string, std::string> regions_;
    std::atomic<size_t> count_{0};
    LocalHttpServer server_{[this](const LocalHttpServer::Request& r) {
        size_t n = ++count_;
        if (onRequest) onRequest(n);
        std::string m = r.query("m");
        if (silentNumbers.count(m)) {
            return LocalHttpServer::silent();
        }
        auto it = regions_.find(m);
        if (it == regions_.end()) return LocalHttpServer::html("<p>没有找到</p>");
        return LocalHttpServer::attributionPage(it->second);
    }};
};

struct OpenBook {
    explicit OpenBook(TestBook& book) {
        contacts.SetConnection(book.connection());
        EXPECT_TRUE(contacts.OpenTable(T("通讯录"), T("姓名 ASC")));
    }
    RecordSet contacts;
};

// A batch run on the test's own thread, its changes recorded.
struct DirectRun {
    explicit DirectRun(TestBook& book) : open(book) {}
    // Offline when `service` is empty; `book` stores the offline groups.
    int run(const Text& service, const CarrierSegments& segments = {}, DBConnection* book = nullptr) {
        BatchRun batch{&open.contacts, service, segments, book, &stop, sink.sink()};
        return run_attribution_batch(batch);
    }
    OpenBook open;
    RecordingSink sink;
    std::atomic<int> stop{0};
};

}  // namespace

TEST(RunAttributionBatch, ReportsEveryStepInOrder) {
    FakeService service(Regions{{"13800138000", "广东 深圳"}});
    TestBook book;
    book.addContacts({{"c01", "13800138000", ""}, {"c02", "23800138000", ""}});
    DirectRun direct(book);

    EXPECT_EQ(direct.run(service.address()), 1);

    std::vector<ControlChange> expected = {
        text(BatchControls::FailureLog, ""),
        number(Kind::SetMaximum, BatchControls::Progress, 2),
        text(BatchControls::NameLabel, "c01"),
        text(BatchControls::NumberLabel, "13800138000"),
        text(BatchControls::AttributionLabel, "广东 深圳"),
        text(BatchControls::ProgressText, "正在获取第1 个号码"),
        number(Kind::SetPosition, BatchControls::Progress, 1),
        text(BatchControls::NameLabel, "c02"),
        text(BatchControls::NumberLabel, "23800138000"),
        text(BatchControls::AttributionLabel, ""),
        text(BatchControls::FailureCount, "有1个号码未能获取"),
        {Kind::AppendText, T(BatchControls::FailureLog), T("\r\n1.  未能获取→   c02   23800138000\r\n"), 0},
        text(BatchControls::ProgressText, "正在获取第2 个号码"),
        number(Kind::SetPosition, BatchControls::Progress, 2),
        text(BatchControls::ProgressText, "获取已完成！！！"),
        {Kind::SetWindowHeight, Text(), Text(), 404},
        {Kind::SetCaption, T(BatchControls::StartStop), T("开始获取"), 0},
    };
    auto got = direct.sink.changes();
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(got[i], expected[i]) << i << ": " << describe(got[i]);
    EXPECT_EQ(direct.stop.load(), 1);
    EXPECT_EQ(service.server().requestCount(), 1u);  // the 2... number was never asked
}

TEST(RunAttributionBatch, CompletedRunStoresEveryAttributionAndLogsOnlyWhatNoSourcePlaced) {
    FakeService service(
        Regions{{"13800138000", "广东 深圳"}, {"13700137000", "北京 北京"}, {"13600136000", "上海 上海"}});
    TestBook book;
    book.addContacts({{"c01", "13800138000", ""},
                      {"c02", "1380013800", ""},       // 10 digits: no request
                      {"c03", "13900139000", "旧的"},  // page without markers: the offline one
                      {"c04", "13700137000", "旧的"},  // looked up again and overwritten
                      {"c05", "13600136000", ""}});
    book.refuseChangesTo("c05");  // found, but the book refuses it: not obtained
    DirectRun direct(book);

    EXPECT_EQ(direct.run(service.address()), 2);

    EXPECT_EQ(book.storedAttribution("c01"), "广东 深圳");
    EXPECT_EQ(book.storedAttribution("c02"), "");
    EXPECT_EQ(book.storedAttribution("c03"), offline_attribution(T("13900139000"), CarrierSegments()).toUtf8());
    EXPECT_NE(book.storedAttribution("c03"), "");
    EXPECT_EQ(book.storedAttribution("c04"), "北京 北京");
    EXPECT_EQ(book.storedAttribution("c05"), "");
    std::string log;
    std::string lastStatus, lastCount;
    for (const auto& c : direct.sink.changes()) {
        if (c.kind == Kind::AppendText) log += c.text.toUtf8();
        if (c.kind == Kind::SetText && c.control == T(BatchControls::ProgressText)) lastStatus = c.text.toUtf8();
        if (c.kind == Kind::SetText && c.control == T(BatchControls::FailureCount)) lastCount = c.text.toUtf8();
    }
    EXPECT_EQ(log,
              "\r\n1.  未能获取→   c02   1380013800\r\n"
              "\r\n2.  未能获取→   c05   13600136000\r\n");
    EXPECT_EQ(lastCount, "有2个号码未能获取");
    EXPECT_EQ(lastStatus, "获取已完成！！！");
    EXPECT_EQ(service.server().requestCount(), 4u);
}

TEST(RunAttributionBatch, EmptyBookEndsAtOnceAndKeepsTheWindowShort) {
    FakeService service(Regions{});
    TestBook book;
    DirectRun direct(book);
    const std::vector<ControlChange> shortWindow = {
        text(BatchControls::FailureLog, ""),
        number(Kind::SetMaximum, BatchControls::Progress, 0),
        text(BatchControls::ProgressText, "获取已完成！！！"),
        {Kind::SetCaption, T(BatchControls::StartStop), T("开始获取"), 0},
    };
    EXPECT_EQ(direct.run(service.address()), 0);
    EXPECT_EQ(direct.sink.changes(), shortWindow);
    EXPECT_EQ(service.server().requestCount(), 0u);
}

TEST(RunAttributionBatch, WithoutAServiceEveryContactGetsItsOfflineAttribution) {
    TestBook book;
    book.addContacts({{"c01", "13912345678", ""},
                      {"c02", "+86 170 3123 4567", "旧的"},
                      {"c03", "12345", "旧的"},
                      {"c04", "19212345678", ""}});
    DirectRun direct(book);
    CarrierSegments segments;
    segments.add("139", T("移动"));
    segments.add("170", T("电信"));
    segments.add("1703", T("移动"));
    segments.add("192", T("广电"));
    EXPECT_EQ(direct.run(Text(), segments, &book.connection()), 1);
    EXPECT_EQ(book.storedAttribution("c01"), "江苏省常州市 移动");
    // The 1703 block, not the 170 one; 手机 as written.
    EXPECT_EQ(book.storedAttribution("c02"), attribution_text(offline_place("17031234567").region, T("移动")).toUtf8());
    EXPECT_EQ(book.storedAttribution("c03"), "旧的");  // no source could place it: left as it was
    EXPECT_EQ(book.storedAttribution("c04"), "广电");
    std::string log;
    for (const auto& c : direct.sink.changes())
        if (c.kind == Kind::AppendText) log += c.text.toUtf8();
    EXPECT_EQ(log, "\r\n1.  未能获取→   c03   12345\r\n");
}

TEST(RunAttributionBatch, OfflineTheWindowIsToldInStepsNotPerContact) {
    TestBook book;
    std::vector<TestBook::Contact> contacts;
    const int count = 3000;
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "c%05d", i);
        // Every hundredth number is a landline: logged.
        contacts.push_back(
            {name, i % 100 == 0 ? "025-8312" + std::to_string(1000 + i % 9000) : std::to_string(13900000000LL + i),
             ""});
    }
    book.addContacts(contacts);
    DirectRun direct(book);
    CarrierSegments segments;
    segments.add("139", T("移动"));
    EXPECT_EQ(direct.run(Text(), segments, &book.connection()), count / 100);

    int logged = 0, positions = 0, lastPosition = 0;
    std::string lastName, lastCount;
    for (const auto& c : direct.sink.changes()) {
        if (c.kind == Kind::AppendText)
            for (std::size_t at = c.text.toUtf8().find("未能获取"); at != std::string::npos;
                 at = c.text.toUtf8().find("未能获取", at + 1))
                ++logged;
        if (c.kind == Kind::SetPosition) ++positions, lastPosition = c.number;
        if (c.kind == Kind::SetText && c.control == T(BatchControls::NameLabel)) lastName = c.text.toUtf8();
        if (c.kind == Kind::SetText && c.control == T(BatchControls::FailureCount)) lastCount = c.text.toUtf8();
    }
    EXPECT_EQ(logged, count / 100);  // every failure logged, once
    EXPECT_EQ(lastCount, "有30个号码未能获取");
    EXPECT_EQ(lastPosition, count);
    EXPECT_EQ(lastName, "c02999");
    EXPECT_LT(positions, count / 10);  // not one change per contact
    int stored = 0;
    for (const StoredContact& c : StoredContacts(book.path())) stored += c["归属地"].empty() ? 0 : 1;
    EXPECT_EQ(stored, count - count / 100);
}

TEST(AttributionBatch, RunThatCompletesOnAWorkerThread) {
    FakeService service(Regions{{"13800138000", "广东 深圳"}, {"13900139000", "广东 广州"}});
    TestBook book;
    book.addContacts({{"c01", "13800138000", ""}, {"c02", "13900139000", ""}, {"c03", "13700137000", ""}});
    OpenBook open(book);
    FakeWindow window;
    AttributionBatch batch(window.sink());
    ASSERT_TRUE(batch.start(open.contacts, service.address(), {}));
    EXPECT_EQ(batch.stop_requested(), 0);
    ASSERT_TRUE(processEventsUntil([&] { return !batch.running(); }));

    EXPECT_TRUE(window.allOnThisThread);
    EXPECT_EQ(window.texts[BatchControls::ProgressText], "获取已完成！！！");
    // c03, unknown to the service, keeps its offline attribution: no failure.
    EXPECT_EQ(window.texts[BatchControls::FailureCount], "");
    EXPECT_EQ(window.texts[BatchControls::FailureLog], "");
    EXPECT_EQ(window.texts[BatchControls::StartStop], "开始获取");
    EXPECT_EQ(window.texts[BatchControls::NameLabel], "c03");
    EXPECT_EQ(window.numbers["进度条1.max"], 3);
    EXPECT_EQ(window.numbers["进度条1.pos"], 3);
    EXPECT_EQ(window.numbers.count("height"), 0u);
    EXPECT_EQ(book.storedAttribution("c03"), offline_attribution(T("13700137000"), CarrierSegments()).toUtf8());
    EXPECT_EQ(batch.stop_requested(), 1);
    EXPECT_EQ(book.storedAttribution("c01"), "广东 深圳");
    EXPECT_EQ(book.storedAttribution("c02"), "广东 广州");
}

TEST(AttributionBatch, StoppedHalfWayFinishesTheCurrentNumber) {
    std::map<std::string, std::string> regions;
    TestBook book;
    std::vector<TestBook::Contact> contacts;
    for (int i = 1; i <= 8; ++i) {
        std::string n = "1380000000" + std::to_string(i);
        regions[n] = "区域" + std::to_string(i);
        contacts.push_back({"c0" + std::to_string(i), n, ""});
    }
    book.addContacts(contacts);
    FakeService service(regions);
    OpenBook open(book);
    FakeWindow window;
    AttributionBatch batch(window.sink());
    // The stop button is pressed while the third number is being fetched.
    service.onRequest = [&](size_t n) {
        if (n == 3) batch.request_stop();
    };
    ASSERT_TRUE(batch.start(open.contacts, service.address(), {}));
    ASSERT_TRUE(processEventsUntil([&] { return !batch.running(); }));

    EXPECT_EQ(service.server().requestCount(), 3u);
    EXPECT_EQ(window.texts[BatchControls::ProgressText], "获取已停止！！！");
    EXPECT_EQ(window.texts[BatchControls::AttributionLabel], "区域3");
    EXPECT_EQ(window.numbers["进度条1.pos"], 2);    // the stopped number does not advance the bar
    EXPECT_EQ(window.numbers.count("height"), 0u);  // no failures: the log stays hidden
    EXPECT_EQ(window.texts[BatchControls::StartStop], "开始获取");
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(book.storedAttribution("c0" + std::to_string(i)), "区域" + std::to_string(i));
    for (int i = 4; i <= 8; ++i) EXPECT_EQ(book.storedAttribution("c0" + std::to_string(i)), "");

    // A new run starts again from the first contact.
    service.onRequest = nullptr;
    ASSERT_TRUE(batch.start(open.contacts, service.address(), {}));
    ASSERT_TRUE(processEventsUntil([&] { return !batch.running(); }));
    EXPECT_EQ(window.texts[BatchControls::ProgressText], "获取已完成！！！");
    EXPECT_EQ(book.storedAttribution("c08"), "区域8");
    EXPECT_EQ(service.server().requestCount(), 11u);
}

TEST(AttributionBatch, StoppedWithFailuresShowsTheLog) {
    FakeService service(Regions{{"13800000002", "区域2"}});
    TestBook book;
    book.addContacts({{"c01", "23800000001", ""}, {"c02", "13800000002", ""}, {"c03", "13800000003", ""}});
    OpenBook open(book);
    FakeWindow window;
    AttributionBatch batch(window.sink());
    service.onRequest = [&](size_t n) {
        if (n == 1) batch.request_stop();  // during c02, after c01 failed without a request
    };
    ASSERT_TRUE(batch.start(open.contacts, service.address(), {}));
    ASSERT_TRUE(processEventsUntil([&] { return !batch.running(); }));
    EXPECT_EQ(window.texts[BatchControls::ProgressText], "获取已停止！！！");
    EXPECT_EQ(window.texts[BatchControls::FailureCount], "有1个号码未能获取");
    EXPECT_EQ(window.numbers["height"], 404);
    EXPECT_EQ(book.storedAttribution("c02"), "区域2");
}

TEST(AttributionBatch, StartIsRefusedWhileAWorkerRuns) {
    ScopedFetchTimeLimits limits(FetchTimeLimits{10s, 600s});
    FakeService service(Regions{{"13800000001", "区域1"}});
    service.silentNumbers = {"13800000002"};
    TestBook book;
    book.addContacts({{"c01", "13800000001", ""}, {"c02", "13800000002", ""}});
    OpenBook open(book);
    FakeWindow window;
    AttributionBatch batch(window.sink());
    ASSERT_TRUE(batch.start(open.contacts, service.address(), {}));
    ASSERT_TRUE(service.server().waitForRequests(2, 30s));
    EXPECT_FALSE(batch.start(open.contacts, service.address(), {}));
    batch.request_stop();  // stopping: still finishing its number
    EXPECT_FALSE(batch.start(open.contacts, service.address(), {}));
    EXPECT_TRUE(batch.running());
    batch.stop_and_wait();
    EXPECT_FALSE(batch.running());
}

TEST(AttributionBatch, ClosingMidRunStopsAndJoinsWithoutLosingWrites) {
    // The service hangs on the second number far longer than the test may run:
    // only cutting the fetch short lets the window close.
    ScopedFetchTimeLimits limits(FetchTimeLimits{10s, 600s});
    FakeService service(Regions{{"13800000001", "区域1"}, {"13800000003", "区域3"}});
    service.silentNumbers = {"13800000002"};
    TestBook book;
    book.addContacts({{"c01", "13800000001", ""}, {"c02", "13800000002", ""}, {"c03", "13800000003", ""}});
    {
        OpenBook open(book);
        auto window = std::make_unique<FakeWindow>();
        auto batch = std::make_unique<AttributionBatch>(window->sink());
        ASSERT_TRUE(batch->start(open.contacts, service.address(), {}));
        ASSERT_TRUE(service.server().waitForRequests(2, 30s));
        batch.reset();   // the window's about-to-be-destroyed handler: stop and wait
        window.reset();  // then the window goes, with changes still queued for it
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(book.storedAttribution("c01"), "区域1");
    // The cut fetch leaves the offline attribution, stored before the worker ended.
    EXPECT_EQ(book.storedAttribution("c02"), offline_attribution(T("13800000002"), CarrierSegments()).toUtf8());
    EXPECT_EQ(book.storedAttribution("c03"), "");
    EXPECT_EQ(service.server().requestCount(), 2u);
}

TEST(PostedToUiThread, AppliesChangesOnTheReceiversThreadInOrder) {
    FakeWindow window;
    ControlChangeSink sink = window.sink();
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) sink({Kind::SetPosition, T(BatchControls::Progress), Text(), i});
    });
    worker.join();
    EXPECT_TRUE(window.applied.empty());  // nothing runs on the worker
    ASSERT_TRUE(processEventsUntil([&] { return window.applied.size() == 200; }));
    EXPECT_TRUE(window.allOnThisThread);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(window.applied[i].number, i);
}
