// The HTML browse box loads on a worker thread and shows the decoded page.

#include "services/window/controls/html_browse_box.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes gbkPage(const std::string& utf8Html) { return BytesOf(Text::fromUtf8(utf8Html)); }

const Text kWeather = Text::fromBytes("http://127.0.0.1:8080/tb.q?cid=webq.wea");

}  // namespace

TEST(HtmlBrowseBox, LoadsWithoutBlockingTheWindow) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> fetchedOffTheUiThread{false};
    const auto uiThread = std::this_thread::get_id();
    HtmlBrowseBox box;
    box.setFetcher([&, released](const Text& url) {
        fetchedOffTheUiThread = std::this_thread::get_id() != uiThread;
        released.wait();
        return url == kWeather ? bytesOf("<html><body><p>Sunny 25</p></body></html>") : Bytes();
    });
    QSignalSpy finished(&box, &HtmlBrowseBox::loadFinished);
    box.setAddress(kWeather);
    // Returned while the fetch is still waiting.
    EXPECT_TRUE(box.isLoading());
    EXPECT_EQ(box.address(), kWeather);
    QTest::qWait(30);
    EXPECT_TRUE(box.shownText().isEmpty());
    release.set_value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.isLoading(); }, 3000));
    EXPECT_TRUE(fetchedOffTheUiThread);
    EXPECT_EQ(box.shownText(), QStringLiteral("Sunny 25"));
    ASSERT_EQ(finished.count(), 1);
    EXPECT_TRUE(finished[0][0].toBool());
}

TEST(HtmlBrowseBox, NoBorderOfItsOwn) {
    HtmlBrowseBox box;
    box.resize(264, 200);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.view()->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(box.view()->geometry(), box.rect());
}

TEST(HtmlBrowseBox, PageCharsets) {
    EXPECT_EQ(HtmlBrowseBox::decodePage(gbkPage("<html><head><meta charset=\"gbk\"></head><body>晴 25℃</body></html>")),
              QStringLiteral("<html><head><meta charset=\"gbk\"></head><body>晴 25℃</body></html>"));
    const QString gb2312 = HtmlBrowseBox::decodePage(
        gbkPage("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=GB2312\"><p>多云</p>"));
    EXPECT_TRUE(gb2312.contains(QStringLiteral("多云")));
    // No declaration: UTF-8, with or without a byte order mark.
    EXPECT_TRUE(HtmlBrowseBox::decodePage(bytesOf("<p>小雨</p>")).contains(QStringLiteral("小雨")));
    EXPECT_EQ(HtmlBrowseBox::decodePage(bytesOf("\xEF\xBB\xBF<p>雪</p>")), QStringLiteral("<p>雪</p>"));
    EXPECT_TRUE(HtmlBrowseBox::decodePage(bytesOf("<meta charset='utf-8'><p>阴</p>")).contains(QStringLiteral("阴")));
    EXPECT_TRUE(HtmlBrowseBox::decodePage(bytesOf("<meta charset=\"iso-8859-1\"><p>caf\xE9</p>"))
                    .contains(QStringLiteral("café")));
}

TEST(HtmlBrowseBox, ShowsAGbkPage) {
    HtmlBrowseBox box;
    box.setFetcher(
        [](const Text&) { return gbkPage("<html><head><meta charset=gb2312></head><body>北京 晴</body></html>"); });
    box.setAddress(kWeather);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.isLoading(); }, 3000));
    EXPECT_EQ(box.shownText(), QStringLiteral("北京 晴"));
}

TEST(HtmlBrowseBox, ALaterAddressWinsOverASlowerEarlierOne) {
    HtmlBrowseBox box;
    box.setFetcher([](const Text& url) {
        if (url == Text::fromBytes("http://127.0.0.1/slow")) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            return bytesOf("<p>old</p>");
        }
        return bytesOf("<p>new</p>");
    });
    box.setAddress(Text::fromBytes("http://127.0.0.1/slow"));
    box.setAddress(Text::fromBytes("http://127.0.0.1/fast"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.isLoading(); }, 3000));
    QTest::qWait(300);  // the slow answer has come back meanwhile
    EXPECT_EQ(box.shownText(), QStringLiteral("new"));
}

TEST(HtmlBrowseBox, FailedFetchesShowNothing) {
    HtmlBrowseBox box;
    QSignalSpy finished(&box, &HtmlBrowseBox::loadFinished);
    box.setAddress(kWeather);  // no fetcher at all
    EXPECT_FALSE(box.isLoading());
    box.setFetcher([](const Text&) -> Bytes { return {}; });
    box.setAddress(kWeather);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.isLoading(); }, 3000));
    box.setFetcher([](const Text&) -> Bytes { throw std::runtime_error("refused"); });
    box.setAddress(kWeather);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.isLoading(); }, 3000));
    ASSERT_EQ(finished.count(), 3);
    for (const auto& call : finished) EXPECT_FALSE(call[0].toBool());
    EXPECT_TRUE(box.shownText().isEmpty());
}

TEST(HtmlBrowseBox, BoxClosedWhileLoading) {
    auto box = std::make_unique<HtmlBrowseBox>();
    std::atomic<bool> done{false};
    box->setFetcher([&](const Text&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        done = true;
        return bytesOf("<p>late</p>");
    });
    box->setAddress(kWeather);
    box.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 3000));
    QTest::qWait(50);  // the late answer finds no box and is dropped
    SUCCEED();
}

// Waits up to five seconds for the answer, or until told to stop.
struct StoppableFetch {
    std::atomic<int> stopped{0};
    CancellablePageFetcher fetcher() {
        return [this](const Text&, std::stop_token cancel) {
            for (int i = 0; i < 500 && !cancel.stop_requested(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (cancel.stop_requested()) ++stopped;
            return bytesOf("<p>too late</p>");
        };
    }
};

TEST(HtmlBrowseBox, ClosingTheBoxStopsItsFetch) {
    StoppableFetch fetch;
    auto box = std::make_unique<HtmlBrowseBox>();
    box->setFetcher(fetch.fetcher());
    box->setAddress(kWeather);
    QTest::qWait(30);
    box.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return fetch.stopped.load() == 1; }, 1000));
}

TEST(HtmlBrowseBox, ANewAddressStopsTheEarlierFetch) {
    StoppableFetch fetch;
    HtmlBrowseBox box;
    box.setFetcher(fetch.fetcher());
    box.setAddress(kWeather);
    QTest::qWait(30);
    box.setFetcher([](const Text&) { return bytesOf("<p>now</p>"); });
    box.setAddress(Text::fromBytes("http://127.0.0.1/other"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fetch.stopped.load() == 1; }, 1000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.isLoading(); }, 3000));
    QTest::qWait(50);
    EXPECT_EQ(box.shownText(), QStringLiteral("now"));
}

TEST(HtmlBrowseBox, BoxesTakeTheProgramsFetcher) {
    HtmlBrowseBox::setDefaultFetcher([](const Text&) { return bytesOf("<p>wired</p>"); });
    HtmlBrowseBox box;
    HtmlBrowseBox::setDefaultFetcher(PageFetcher());
    box.setAddress(kWeather);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.isLoading(); }, 3000));
    EXPECT_EQ(box.shownText(), QStringLiteral("wired"));
}
