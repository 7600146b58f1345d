#pragma once
// A small HTTP server on 127.0.0.1 at an ephemeral port, for tests and
// benchmarks of everything that fetches web pages. It runs on its own threads,
// answers each request from a handler with a scripted response, records what
// it received, and stops (closing every connection) when destroyed.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class LocalHttpServer {
public:
    // One request as it arrived.
    struct Request {
        std::string raw;                                           // request line and headers, CR LF included
        std::string method;                                        // "GET"
        std::string target;                                        // "/api/mobile.php?m=...&t=html"
        std::string version;                                       // "HTTP/1.0"
        std::vector<std::pair<std::string, std::string>> headers;  // name, value (value as sent, untrimmed)

        // Every value of a header (name compared case-insensitively).
        std::vector<std::string> values(const std::string& name) const;
        // The decoded value of a query key of the target ("" when absent).
        std::string query(const std::string& key) const;
    };

    // What to answer.
    struct Response {
        int status = 200;
        std::string reason = "OK";
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        bool contentLength = true;  // send a Content-Length header for the body
        bool neverAnswer = false;   // read the request, then send nothing until the server stops
        // Announce the whole body's length but send only this many bytes of it,
        // then close the connection (a transfer broken off part-way).
        std::optional<std::size_t> cutAfter;
        // With cutAfter: keep the connection open and silent after the cut
        // instead of closing it (a transfer that stalls part-way).
        bool stallAfterCut = false;
        // Wait this long before answering.
        std::chrono::milliseconds delay{0};
    };

    using Handler = std::function<Response(const Request&)>;

    // Starts listening; the handler may run on several connection threads at once.
    explicit LocalHttpServer(Handler handler);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;

    std::vector<Request> requests() const;
    std::size_t requestCount() const;
    // Waits until at least n requests have arrived, or the timeout passed.
    bool waitForRequests(std::size_t n, std::chrono::milliseconds timeout) const;

    // Scripted responses.
    static Response html(std::string utf8Body, int status = 200, std::string reason = "OK");
    // The lookup service's answer page for a region (UTF-8, both markers).
    static Response attributionPage(const std::string& utf8Region);
    // Reads the request and never answers (a dead service).
    static Response silent();
    // Announces the whole body but sends only its first `sent` bytes, then closes.
    static Response brokenAfter(std::string body, std::size_t sent);
    // A port on 127.0.0.1 on which nothing listens.
    static std::uint16_t closedPort();

private:
    struct Connection {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void acceptLoop();
    void serve(int fd);
    bool waitReadable(int fd, int timeoutMs) const;  // false when the server stops

    Handler handler_;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;

    std::mutex connectionsMutex_;
    std::list<std::unique_ptr<Connection>> connections_;

    mutable std::mutex requestsMutex_;
    mutable std::condition_variable requestArrived_;
    std::vector<Request> requests_;
};
