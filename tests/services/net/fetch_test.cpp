// fetch_web_page against a real HTTP server on 127.0.0.1.
#include "services/net/fetch.h"
#include "services/net/fetch_time_limits.h"
#include "support/local_http_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

std::string asString(const Bytes& b) { return std::string(b.begin(), b.end()); }
Text url(const LocalHttpServer& server, const std::string& path) { return Text::fromBytes(server.baseUrl() + path); }

// Limits short enough that tests of silent or missing peers finish quickly.
FetchTimeLimits shortLimits() { return FetchTimeLimits{1500ms, 1500ms}; }

std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return s;
}

}  // namespace

TEST(FetchWebPage, ReturnsTheBodyOfAPage) {
    LocalHttpServer server([](const auto&) { return LocalHttpServer::attributionPage("广东 深圳"); });
    std::string body = asString(fetch_web_page(url(server, "/api/mobile.php?m=13800138000&t=html")));
    EXPECT_NE(body.find("卡号归属地：<em>广东 深圳</em>   类型"), std::string::npos) << body;
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].target, "/api/mobile.php?m=13800138000&t=html");
}

TEST(FetchWebPage, SendsTheRequestTheServiceExpects) {
    LocalHttpServer server([](const auto&) { return LocalHttpServer::html("ok"); });
    ASSERT_EQ(asString(fetch_web_page(url(server, "/x?a=1"))), "ok");
    ASSERT_EQ(server.requestCount(), 1u);
    const auto r = server.requests()[0];
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.version, "HTTP/1.0");
    EXPECT_EQ(r.values("User-Agent"), std::vector<std::string>{"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"});
    // The accept-types entry (with its blank) and the extra header text, as sent.
    EXPECT_NE(r.raw.find("\r\nAccept: */* \r\n"), std::string::npos) << r.raw;
    EXPECT_NE(r.raw.find("\r\nAccept: */*\r\n"), std::string::npos) << r.raw;
    EXPECT_EQ(r.values("Accept").size(), 2u) << r.raw;
    // Fetched from the server, never from a cache; no compressed answers asked for.
    EXPECT_EQ(r.values("Pragma"), std::vector<std::string>{"no-cache"});
    EXPECT_TRUE(r.values("Accept-Encoding").empty());
    EXPECT_EQ(r.values("Host"), std::vector<std::string>{"127.0.0.1:" + std::to_string(server.port())});
}

TEST(FetchWebPage, DropsTheFragment) {
    LocalHttpServer server([](const auto&) { return LocalHttpServer::html("ok"); });
    EXPECT_EQ(asString(fetch_web_page(url(server, "/page?m=1#section#2"))), "ok");
    EXPECT_EQ(asString(fetch_web_page(url(server, "/other#?m=2"))), "ok");
    ASSERT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(server.requests()[0].target, "/page?m=1");
    EXPECT_EQ(server.requests()[1].target, "/other");
}

TEST(FetchWebPage, ReturnsErrorPagesLikeAnyOtherBody) {
    LocalHttpServer server([](const LocalHttpServer::Request& r) {
        if (r.target == "/missing") return LocalHttpServer::html("<h1>404 Not Found</h1>", 404, "Not Found");
        return LocalHttpServer::html("<h1>boom</h1>", 500, "Internal Server Error");
    });
    EXPECT_EQ(asString(fetch_web_page(url(server, "/missing"))), "<h1>404 Not Found</h1>");
    EXPECT_EQ(asString(fetch_web_page(url(server, "/broken"))), "<h1>boom</h1>");
}

TEST(FetchWebPage, FollowsARedirect) {
    LocalHttpServer server([](const LocalHttpServer::Request& r) {
        if (r.target == "/old") {
            auto moved = LocalHttpServer::html("moved", 302, "Found");
            moved.headers.emplace_back("Location", "/new");
            return moved;
        }
        return LocalHttpServer::html("new page");
    });
    EXPECT_EQ(asString(fetch_web_page(url(server, "/old"))), "new page");
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST(FetchWebPage, ReadsABodyWithoutContentLengthToItsEnd) {
    const std::string big = pattern(123457);  // many 10240-byte steps, the last one short
    LocalHttpServer server([&](const auto&) {
        auto r = LocalHttpServer::html(big);
        r.contentLength = false;
        return r;
    });
    Bytes body = fetch_web_page(url(server, "/"));
    ASSERT_EQ(body.size(), big.size());
    EXPECT_TRUE(asString(body) == big);
}

TEST(FetchWebPage, ReadsTwoMillionBytesWithContentLengthWhole) {
    const std::string big = pattern(2'000'000);
    LocalHttpServer server([&](const auto&) { return LocalHttpServer::html(big); });
    Bytes body = fetch_web_page(url(server, "/big"));
    ASSERT_EQ(body.size(), 2'000'000u);
    EXPECT_TRUE(asString(body) == big);
}

TEST(FetchWebPage, KeepsBinaryBytesAndNuls) {
    std::string binary("\0\x01\xff\xfe<em>\0", 9);
    LocalHttpServer server([&](const auto&) { return LocalHttpServer::html(binary); });
    EXPECT_EQ(asString(fetch_web_page(url(server, "/"))), binary);
}

TEST(FetchWebPage, ReturnsTheBytesReceivedBeforeABrokenTransfer) {
    const std::string page = pattern(50'000);
    LocalHttpServer server([&](const auto&) { return LocalHttpServer::brokenAfter(page, 30'000); });
    Bytes body = fetch_web_page(url(server, "/"));
    ASSERT_EQ(body.size(), 30'000u);
    EXPECT_TRUE(asString(body) == page.substr(0, 30'000));
}

TEST(FetchWebPage, EmptyBodyGivesAnEmptyBlock) {
    LocalHttpServer server([](const auto&) { return LocalHttpServer::html(""); });
    EXPECT_TRUE(fetch_web_page(url(server, "/")).empty());
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST(FetchWebPageFailures, SilentServerEndsAtTheTimeLimitWithNothing) {
    ScopedFetchTimeLimits limits(shortLimits());
    LocalHttpServer server([](const auto&) { return LocalHttpServer::silent(); });
    EXPECT_TRUE(fetch_web_page(url(server, "/")).empty());
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST(FetchWebPageFailures, TimeLimitKeepsWhatArrivedOfASlowBody) {
    ScopedFetchTimeLimits limits(shortLimits());
    // Headers announce 100 bytes, 10 come, then silence until the limit.
    LocalHttpServer server([](const auto&) {
        auto r = LocalHttpServer::html(std::string(100, 'x'));
        r.cutAfter = 10;
        r.stallAfterCut = true;
        return r;
    });
    EXPECT_EQ(asString(fetch_web_page(url(server, "/"))), std::string(10, 'x'));
}

TEST(FetchWebPageFailures, ClosedPortGivesNothing) {
    Text closed = Text::fromBytes("http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort()) + "/");
    EXPECT_TRUE(fetch_web_page(closed).empty());
}

TEST(FetchWebPageFailures, UnknownHostGivesNothing) {
    ScopedFetchTimeLimits limits(shortLimits());
    EXPECT_TRUE(fetch_web_page(Text::fromBytes("http://no-such-host.invalid/api/mobile.php?m=1&t=html")).empty());
}

TEST(FetchWebPageFailures, UrlsThatCannotBeSplitAreNotRequested) {
    LocalHttpServer server([](const auto&) { return LocalHttpServer::html("should not be fetched"); });
    const std::string hostPort = "127.0.0.1:" + std::to_string(server.port());
    for (const std::string& bad :
         std::vector<std::string>{std::string(), hostPort + "/x", "//" + hostPort + "/x", "#http://" + hostPort + "/",
                                  "ftp://" + hostPort + "/", "file:///etc/hostname", "http://",
                                  "http://" + hostPort + "/a b", "not a url at all"}) {
        EXPECT_TRUE(fetch_web_page(Text::fromBytes(bad)).empty()) << bad;
    }
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST(FetchWebPageFailures, SecureSchemeSpeaksTlsNotPlainHttp) {
    ScopedFetchTimeLimits limits(shortLimits());
    LocalHttpServer server([](const auto&) { return LocalHttpServer::html("plain"); });
    Text secure = Text::fromBytes("https://127.0.0.1:" + std::to_string(server.port()) + "/");
    EXPECT_TRUE(fetch_web_page(secure).empty());
    EXPECT_EQ(server.requestCount(), 0u);  // a TLS greeting, never a plain GET
}

TEST(FetchWebPageFailures, StopRequestEndsAWaitingFetch) {
    // Limits far beyond the test's own time-out: only the stop can end the wait.
    ScopedFetchTimeLimits limits(FetchTimeLimits{10s, 600s});
    LocalHttpServer server([](const auto&) { return LocalHttpServer::silent(); });
    std::stop_source stop;
    Bytes result{1};
    std::thread fetcher([&] { result = fetch_web_page(url(server, "/"), stop.get_token()); });
    ASSERT_TRUE(server.waitForRequests(1, 10s));
    stop.request_stop();
    fetcher.join();
    EXPECT_TRUE(result.empty());
}

TEST(FetchWebPageThreads, ManyThreadsFetchAtOnce) {
    LocalHttpServer server(
        [](const LocalHttpServer::Request& r) { return LocalHttpServer::html("page " + r.query("n")); });
    constexpr int kThreads = 6, kEach = 15;
    std::atomic<int> right{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                std::string n = std::to_string(t * 100 + i);
                if (asString(fetch_web_page(url(server, "/?n=" + n))) == "page " + n) ++right;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(right.load(), kThreads * kEach);
}

TEST(FetchTimeLimitsSeam, RestoresTheProgramLimits) {
    EXPECT_EQ(CurrentFetchTimeLimits().connect, 10s);
    EXPECT_EQ(CurrentFetchTimeLimits().total, 30s);
    {
        ScopedFetchTimeLimits limits(shortLimits());
        EXPECT_EQ(CurrentFetchTimeLimits().total, 1500ms);
    }
    EXPECT_EQ(CurrentFetchTimeLimits().connect, 10s);
    EXPECT_EQ(CurrentFetchTimeLimits().total, 30s);
}
