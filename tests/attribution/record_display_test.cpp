// The carrier logo and the attribution as the real contact record window
// shows them, offscreen, against a copy of the delivered book and a lookup
// service on 127.0.0.1.
#include "attribution/record_display.h"
#include "attribution/service_refinement.h"
#include "services/core/core.h"
#include "services/db/record_set.h"
#include "services/net/fetch_time_limits.h"
#include "services/window/commands.h"
#include "support/local_http_server.h"
#include "support/recording_presenter.h"
#include "support/window_driver.h"
#include "test_book.h"
#include "ui/pictures/pictures.h"
#include "ui/record_window_decl.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEvent>
#include <QTest>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace {

class RecordDisplay : public ::testing::Test, protected WindowDriver {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadWindow(RecordWindowDecl(), HandlerTable{}, false));
        window_ = FindWindow("record");
        ASSERT_NE(window_, nullptr);
        RecordSet* carriers = window_->recordSet(T(RecordControls::Carriers));
        ASSERT_NE(carriers, nullptr);
        ASSERT_TRUE(carriers->SetConnection(book_.connection()));
    }

    void TearDown() override { closeAllWindows(); }

    Bytes logoFor(const char* number) {
        show_carrier_logo(*window_, Text::fromUtf8(number));
        return window_->control(T(RecordControls::CarrierIcon)).picture();
    }

    TestBook book_;
    Window* window_ = nullptr;
};

TEST_F(RecordDisplay, EachRecognisedCarrierShowsItsOwnLogo) {
    book_.replaceSegments({{"130", "联通"}, {"138", "移动"}, {"133", "电信"}, {"166", "移动 "}, {"199", "广电"}});
    const Bytes lianTong = PictureResource(Pictures::CarrierLogoLianTong);
    const Bytes yiDong = PictureResource(Pictures::CarrierLogoYiDong);
    const Bytes dianXin = PictureResource(Pictures::CarrierLogoDianXin);
    ASSERT_FALSE(lianTong.empty());
    EXPECT_EQ(logoFor("13012345678"), lianTong);
    EXPECT_EQ(logoFor("13812345678"), yiDong);
    EXPECT_EQ(logoFor("13312345678"), dianXin);
    // Exact equality only: a trailing blank or another carrier clears the box,
    // and so does a number that matches no segment.
    EXPECT_TRUE(logoFor("16612345678").empty());
    EXPECT_EQ(logoFor("13812345678"), yiDong);
    EXPECT_TRUE(logoFor("19912345678").empty());
    EXPECT_EQ(logoFor("13312345678"), dianXin);
    EXPECT_TRUE(logoFor("12012345678").empty());
}

TEST_F(RecordDisplay, TheDeliveredSegmentsGiveEveryShared170BlockItsOwnLogo) {
    const Bytes lianTong = PictureResource(Pictures::CarrierLogoLianTong);
    const Bytes yiDong = PictureResource(Pictures::CarrierLogoYiDong);
    const Bytes dianXin = PictureResource(Pictures::CarrierLogoDianXin);
    for (const char* number : {"17001234567", "17011234567", "17021234567"})
        EXPECT_EQ(logoFor(number), dianXin) << number;
    for (const char* number : {"17031234567", "17051234567", "17061234567"})
        EXPECT_EQ(logoFor(number), yiDong) << number;
    for (const char* number : {"17041234567", "17071234567", "17081234567", "17091234567"})
        EXPECT_EQ(logoFor(number), lianTong) << number;
    EXPECT_EQ(logoFor("+86 170 3123 4567"), yiDong);
}

TEST_F(RecordDisplay, NoNumberNoLogo) {
    book_.replaceSegments({{"155", "联通"}, {"134", "移动"}});
    EXPECT_TRUE(logoFor("").empty());
    EXPECT_TRUE(logoFor("13").empty());
    EXPECT_TRUE(logoFor("1341234567").empty());
}

TEST_F(RecordDisplay, AQuoteInTheNumberClearsTheLogoWithoutAMessage) {
    ScopedPresenter presenter;
    EXPECT_FALSE(logoFor("13812345678").empty());
    EXPECT_TRUE(logoFor("1'8").empty());
    EXPECT_TRUE(presenter->shown.empty()) << presenter->lastText();
}

// ---- the attribution ----

namespace {

// A lookup service whose answers are held back until released, so that a
// test sees the window both before and after an answer arrives.
class HeldService {
public:
    explicit HeldService(std::function<LocalHttpServer::Response(const std::string& number)> answer)
        : answer_(std::move(answer)), server_([this](const LocalHttpServer::Request& r) {
              std::unique_lock lock(mutex_);
              released_.wait(lock, [&] { return open_ || stopping_; });
              return answer_(r.query("m"));
          }) {}
    ~HeldService() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        released_.notify_all();
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        released_.notify_all();
    }
    Text address() const { return Text::fromBytes(server_.baseUrl()); }
    LocalHttpServer& server() { return server_; }

private:
    std::function<LocalHttpServer::Response(const std::string&)> answer_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool open_ = false;
    bool stopping_ = false;
    LocalHttpServer server_;  // last: its threads stop before the rest goes
};

bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 20000); }

}  // namespace

class RecordAttribution : public RecordDisplay {
protected:
    void SetUp() override {
        RecordDisplay::SetUp();
        book_.addContacts({{"c01", "13912345678", ""},
                           {"c02", "+86 139 1234 5678", ""},
                           {"c03", "12345", ""},
                           {"c04", "13800138000", "北京 北京"}});
        ASSERT_TRUE(contacts_.SetConnection(book_.connection()));
        ASSERT_TRUE(contacts_.OpenTable(T("通讯录"), T("姓名 ASC")));
    }
    // Shows contact `row` as the record window does: its position text, then the attribution.
    void show(int row, const Text& service, std::function<bool()> stillShown = {}) {
        ASSERT_TRUE(contacts_.MoveTo(row));
        label().setText(T("当前选中第") + TextOf(row + 1) + T("条"));
        show_attribution(*window_, contacts_, service, std::move(stillShown));
    }
    Control label() { return window_->control(T(RecordControls::PositionLabel)); }
    std::string labelText() { return label().text().toUtf8(); }

    RecordSet contacts_;
};

TEST_F(RecordAttribution, OfflineWithoutAnySetting) {
    show(0, Text());
    EXPECT_EQ(labelText(), "当前选中第1条      归属地：江苏省常州市 移动");
    EXPECT_EQ(book_.storedAttribution("c01"), "江苏省常州市 移动");
    EXPECT_FALSE(attribution_service_asked(*window_));

    show(1, Text());
    EXPECT_EQ(labelText(), "当前选中第2条      归属地：江苏省常州市 移动");
    EXPECT_EQ(book_.storedAttribution("c02"), "江苏省常州市 移动");
    // What is stored in 手机 stays as written.
    for (const StoredContact& c : StoredContacts(book_.path()))
        if (c["姓名"] == "c02") EXPECT_EQ(c["手机"], "+86 139 1234 5678");

    show(2, Text());  // not a mobile number
    EXPECT_EQ(labelText(), "当前选中第3条");
    EXPECT_EQ(book_.storedAttribution("c03"), "");

    show(3, Text());  // stored already
    EXPECT_EQ(labelText(), "当前选中第4条      归属地：北京 北京");
}

TEST_F(RecordAttribution, TheServiceAnswerReplacesTheOfflineOneWhenItComes) {
    HeldService service([](const std::string&) { return LocalHttpServer::attributionPage("江苏 常州 移动全球通卡"); });
    show(0, service.address());
    // At once, before any answer: the offline attribution, stored.
    EXPECT_EQ(labelText(), "当前选中第1条      归属地：江苏省常州市 移动");
    EXPECT_EQ(book_.storedAttribution("c01"), "江苏省常州市 移动");
    EXPECT_TRUE(attribution_service_asked(*window_));
    service.release();
    ASSERT_TRUE(WaitFor([&] { return !attribution_service_asked(*window_); }));
    EXPECT_EQ(labelText(), "当前选中第1条      归属地：江苏 常州 移动全球通卡");
    EXPECT_EQ(book_.storedAttribution("c01"), "江苏 常州 移动全球通卡");
    ASSERT_EQ(service.server().requestCount(), 1u);
    EXPECT_EQ(service.server().requests()[0].target, "/api/mobile.php?m=13912345678&t=html");

    // Stored now: shown again without asking.
    show(0, service.address());
    EXPECT_EQ(labelText(), "当前选中第1条      归属地：江苏 常州 移动全球通卡");
    EXPECT_FALSE(attribution_service_asked(*window_));
    // Neither a stored one nor a text that is no number is asked about.
    show(3, service.address());
    show(2, service.address());
    EXPECT_FALSE(attribution_service_asked(*window_));
    EXPECT_EQ(service.server().requestCount(), 1u);
}

TEST_F(RecordAttribution, AnAnswerForAContactNoLongerShownIsDropped) {
    HeldService service([](const std::string&) { return LocalHttpServer::attributionPage("江苏 常州"); });
    // c01 asked, then c02 shown before the answer: c01's question is withdrawn.
    show(0, service.address());
    show(1, service.address());
    service.release();
    ASSERT_TRUE(WaitFor([&] { return !attribution_service_asked(*window_); }));
    QTest::qWait(50);  // any late answer for c01 would be handled by now
    EXPECT_EQ(book_.storedAttribution("c01"), "江苏省常州市 移动");
    EXPECT_EQ(book_.storedAttribution("c02"), "江苏 常州");
    EXPECT_EQ(labelText(), "当前选中第2条      归属地：江苏 常州");

    // Still the current question, but the window shows someone else by now.
    HeldService second([](const std::string&) { return LocalHttpServer::attributionPage("别处"); });
    ASSERT_TRUE(contacts_.MoveTo(0));
    ASSERT_TRUE(contacts_.WriteText(T("归属地"), Text()) && contacts_.Update());
    bool stillShown = true;
    show(0, second.address(), [&] { return stillShown; });
    stillShown = false;
    second.release();
    ASSERT_TRUE(WaitFor([&] { return !attribution_service_asked(*window_); }));
    EXPECT_EQ(book_.storedAttribution("c01"), "江苏省常州市 移动");
    EXPECT_EQ(labelText(), "当前选中第1条      归属地：江苏省常州市 移动");
}

TEST_F(RecordAttribution, ADeadOrFailingServiceChangesNothing) {
    const int kinds = 5;
    for (int kind = 0; kind < kinds; ++kind) {
        SCOPED_TRACE(kind);
        std::unique_ptr<LocalHttpServer> server;
        Text address;
        switch (kind) {
        case 0: address = Text::fromBytes("http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort())); break;
        case 1:
            server = std::make_unique<LocalHttpServer>(
                [](const auto&) { return LocalHttpServer::html("<h1>500</h1>", 500, "Internal Server Error"); });
            break;
        case 2:
            server = std::make_unique<LocalHttpServer>([](const auto&) {
                return LocalHttpServer::brokenAfter("<p>卡号归属地：<em>江苏 常州</em>   类型</p>", 20);
            });
            break;
        case 3:
            server = std::make_unique<LocalHttpServer>([](const auto&) {
                return LocalHttpServer::html(T("<p>卡号归属地：<em>江苏 常州</em>   类型</p>").bytes());
            });
            break;  // code page 936, not UTF-8
        case 4:
            server = std::make_unique<LocalHttpServer>(
                [](const auto&) { return LocalHttpServer::attributionPage(std::string(10 * 1024 * 1024, 'x')); });
            break;
        }
        if (server) address = Text::fromBytes(server->baseUrl());
        ASSERT_TRUE(contacts_.MoveTo(0));
        ASSERT_TRUE(contacts_.WriteText(T("归属地"), Text()) && contacts_.Update());
        show(0, address);
        ASSERT_TRUE(WaitFor([&] { return !attribution_service_asked(*window_); }));
        EXPECT_EQ(labelText(), "当前选中第1条      归属地：江苏省常州市 移动");
        EXPECT_EQ(book_.storedAttribution("c01"), "江苏省常州市 移动");
    }
}

TEST_F(RecordAttribution, AServiceThatNeverAnswersIsLeftBehindWhenTheWindowCloses) {
    // Far longer limits than the test may take: only withdrawing the question ends its fetch.
    ScopedFetchTimeLimits limits(FetchTimeLimits{std::chrono::seconds(10), std::chrono::seconds(600)});
    LocalHttpServer silent([](const auto&) { return LocalHttpServer::silent(); });
    show(0, Text::fromBytes(silent.baseUrl()));
    EXPECT_EQ(labelText(), "当前选中第1条      归属地：江苏省常州市 移动");
    ASSERT_TRUE(silent.waitForRequests(1, std::chrono::seconds(20)));
    QTest::qWait(100);  // the window goes on handling events meanwhile
    EXPECT_TRUE(attribution_service_asked(*window_));
    EXPECT_EQ(labelText(), "当前选中第1条      归属地：江苏省常州市 移动");

    DestroyWindow(window_, true);
    window_ = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The request thread ends once its fetch is cut short (the test's time
    // limit catches one that would wait out the 600 s).
    end_service_requests();
    EXPECT_EQ(book_.storedAttribution("c01"), "江苏省常州市 移动");
}

}  // namespace
