#include "local_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <stdexcept>

namespace {

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexDigit(s[i + 1]) >= 0 && hexDigit(s[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

LocalHttpServer::Request parseRequest(const std::string& raw) {
    LocalHttpServer::Request r;
    r.raw = raw;
    size_t lineEnd = raw.find("\r\n");
    std::string first = raw.substr(0, lineEnd);
    size_t a = first.find(' ');
    size_t b = first.rfind(' ');
    if (a != std::string::npos && b != std::string::npos && b > a) {
        r.method = first.substr(0, a);
        r.target = first.substr(a + 1, b - a - 1);
        r.version = first.substr(b + 1);
    }
    size_t pos = lineEnd == std::string::npos ? raw.size() : lineEnd + 2;
    while (pos < raw.size()) {
        size_t end = raw.find("\r\n", pos);
        if (end == std::string::npos || end == pos) break;
        std::string line = raw.substr(pos, end - pos);
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string value = line.substr(colon + 1);
            if (!value.empty() && value[0] == ' ') value.erase(0, 1);
            r.headers.emplace_back(line.substr(0, colon), value);
        }
        pos = end + 2;
    }
    return r;
}

// Sends everything, unless the peer is gone.
bool sendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::vector<std::string> LocalHttpServer::Request::values(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& [n, v] : headers)
        if (lower(n) == lower(name)) out.push_back(v);
    return out;
}

std::string LocalHttpServer::Request::query(const std::string& key) const {
    size_t q = target.find('?');
    if (q == std::string::npos) return {};
    std::string rest = target.substr(q + 1);
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t amp = rest.find('&', pos);
        std::string pair = rest.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
        size_t eq = pair.find('=');
        if (pair.substr(0, eq) == key)
            return eq == std::string::npos ? std::string() : percentDecoded(pair.substr(eq + 1));
        if (amp == std::string::npos) break;
        pos = amp + 1;
    }
    return {};
}

LocalHttpServer::LocalHttpServer(Handler handler) : handler_(std::move(handler)) {
    if (::pipe2(wakeFds_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 64) != 0)
        throw std::runtime_error("bind/listen failed");
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

LocalHttpServer::~LocalHttpServer() {
    stopping_ = true;
    char c = 1;
    (void)!::write(wakeFds_[1], &c, 1);
    acceptThread_.join();
    {
        std::lock_guard lock(connectionsMutex_);
        for (auto& conn : connections_) conn->thread.join();
        connections_.clear();
    }
    ::close(listenFd_);
    ::close(wakeFds_[0]);
    ::close(wakeFds_[1]);
}

std::string LocalHttpServer::baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<LocalHttpServer::Request> LocalHttpServer::requests() const {
    std::lock_guard lock(requestsMutex_);
    return requests_;
}

std::size_t LocalHttpServer::requestCount() const {
    std::lock_guard lock(requestsMutex_);
    return requests_.size();
}

bool LocalHttpServer::waitForRequests(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(requestsMutex_);
    return requestArrived_.wait_for(lock, timeout, [&] { return requests_.size() >= n; });
}

bool LocalHttpServer::waitReadable(int fd, int timeoutMs) const {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
    for (;;) {
        int r = ::poll(fds, 2, timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (stopping_ || fds[1].revents) return false;
        return r > 0;
    }
}

void LocalHttpServer::acceptLoop() {
    while (waitReadable(listenFd_, -1)) {
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(connectionsMutex_);
        // Join the connections that have finished, so a long run keeps few threads.
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->done) {
                (*it)->thread.join();
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
        auto conn = std::make_unique<Connection>();
        Connection* raw = conn.get();
        conn->thread = std::thread([this, fd, raw] {
            serve(fd);
            ::close(fd);
            raw->done = true;
        });
        connections_.push_back(std::move(conn));
    }
}

void LocalHttpServer::serve(int fd) {
    std::string raw;
    char buf[4096];
    while (raw.find("\r\n\r\n") == std::string::npos) {
        if (!waitReadable(fd, -1)) return;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return;
        raw.append(buf, static_cast<size_t>(n));
    }
    raw.resize(raw.find("\r\n\r\n") + 4);
    Request request = parseRequest(raw);
    {
        std::lock_guard lock(requestsMutex_);
        requests_.push_back(request);
    }
    requestArrived_.notify_all();

    Response response = handler_(request);
    if (response.neverAnswer) {
        // Hold the connection open and silent until the client or the server gives up.
        while (waitReadable(fd, -1)) {
            if (::recv(fd, buf, sizeof buf, 0) <= 0) return;
        }
        return;
    }
    if (response.delay.count() > 0) (void)waitReadable(wakeFds_[0], static_cast<int>(response.delay.count()));
    if (stopping_) return;

    std::string head = "HTTP/1.0 " + std::to_string(response.status) + " " + response.reason + "\r\n";
    for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
    if (response.contentLength) head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    head += "\r\n";
    if (!sendAll(fd, head.data(), head.size())) return;
    size_t bodyBytes = response.cutAfter ? std::min(*response.cutAfter, response.body.size()) : response.body.size();
    if (!sendAll(fd, response.body.data(), bodyBytes)) return;
    if (response.cutAfter && response.stallAfterCut) {
        while (waitReadable(fd, -1)) {
            if (::recv(fd, buf, sizeof buf, 0) <= 0) return;
        }
        return;
    }
    ::shutdown(fd, SHUT_WR);
    // Let the client read to the end before the socket goes.
    while (waitReadable(fd, 5000)) {
        if (::recv(fd, buf, sizeof buf, 0) <= 0) break;
    }
}

LocalHttpServer::Response LocalHttpServer::html(std::string utf8Body, int status, std::string reason) {
    Response r;
    r.status = status;
    r.reason = std::move(reason);
    r.headers = {{"Content-Type", "text/html; charset=utf-8"}};
    r.body = std::move(utf8Body);
    return r;
}

LocalHttpServer::Response LocalHttpServer::attributionPage(const std::string& utf8Region) {
    return html(
        "<html><head><meta charset=\"utf-8\"><title>手机号码查询</title></head><body>\n"
        "<p>卡号归属地：<em>" +
        utf8Region +
        "</em>   类型：<em>移动全球通卡</em></p>\n"
        "</body></html>\n");
}

LocalHttpServer::Response LocalHttpServer::silent() {
    Response r;
    r.neverAnswer = true;
    return r;
}

LocalHttpServer::Response LocalHttpServer::brokenAfter(std::string body, std::size_t sent) {
    Response r = html(std::move(body));
    r.cutAfter = sent;
    return r;
}

std::uint16_t LocalHttpServer::closedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}
