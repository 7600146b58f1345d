#include "services/net/fetch.h"

#include "services/net/fetch_time_limits.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The request identity the lookup service has always seen.
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// Two accept texts: the accept-types entry of the request, then the extra
// header text sent with it. Both are complete header lines.
constexpr std::string_view kAcceptTypesEntry = "Accept: */* \r\n";
constexpr std::string_view kExtraHeaders = "Accept: */*\r\n\r\n";
// HTTP/1.0's way of saying "fetch from the server, not from a cache".
constexpr const char* kNoCache = "Pragma: no-cache";

// Read sizes: the announced body length plus one (so that the closing empty
// read follows a single full read), never more than this; 10240 without a
// length. libcurl's receive buffer cannot change size once a transfer runs,
// so it is given the largest read and the body buffer is sized from the
// announced length instead.
constexpr long kLargestRead = 102400;
constexpr long kReadWithoutLength = 10240;
// An announced length is trusted for the first reservation only up to this;
// a larger body still arrives whole, the buffer just grows as it comes.
constexpr curl_off_t kLargestReservation = 16 * 1024 * 1024;

constexpr long kMostRedirects = 10;

std::atomic<long long> g_connectMs{FetchTimeLimits{}.connect.count()};
std::atomic<long long> g_totalMs{FetchTimeLimits{}.total.count()};

std::once_flag g_curlReady;

struct CurlDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
template <class T>
using CurlPtr = std::unique_ptr<T, CurlDeleter>;

struct Transfer {
    CURL* handle = nullptr;
    Bytes body;
    bool sized = false;
    std::stop_token cancel;
};

size_t collectBody(char* data, size_t size, size_t count, void* userdata) {
    auto* t = static_cast<Transfer*>(userdata);
    const size_t n = size * count;
    try {
        if (!t->sized) {
            t->sized = true;
            curl_off_t announced = -1;
            if (curl_easy_getinfo(t->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK &&
                announced > 0)
                t->body.reserve(static_cast<size_t>(std::min(announced + 1, kLargestReservation)));
            else t->body.reserve(static_cast<size_t>(kReadWithoutLength));
        }
        t->body.insert(t->body.end(), data, data + n);
    } catch (const std::bad_alloc&) {
        return 0;  // ends the transfer; what was collected is kept
    }
    return n;
}

int checkCancel(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(userdata)->cancel.stop_requested() ? 1 : 0;
}

// The non-empty lines of a header text, without their CR LF.
std::vector<std::string> headerLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        size_t end = text.find("\r\n");
        std::string_view line = text.substr(0, end);
        if (!line.empty()) lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 2);
    }
    return lines;
}

// The URL as the request will use it: cut before the first "#", split, and
// only the plain and the secure web scheme. Nothing is escaped.
CurlPtr<CURLU> parseUrl(const std::string& url) {
    std::string cut = url.substr(0, url.find('#'));
    if (cut.empty()) return nullptr;
    CurlPtr<CURLU> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, cut.c_str(), 0) != CURLUE_OK) return nullptr;
    char* scheme = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return nullptr;
    std::string s(scheme);
    curl_free(scheme);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    if (s != "http" && s != "https") return nullptr;
    char* host = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK) return nullptr;
    bool hasHost = host[0] != '\0';
    curl_free(host);
    return hasHost ? std::move(parsed) : nullptr;
}

}  // namespace

void PrepareWebFetch() {
    std::call_once(g_curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    // No matching cleanup: a worker may still be fetching while the program
    // exits, and the system reclaims everything then.
}

Bytes fetch_web_page(const Text& url, std::stop_token cancel) {
    if (url.empty()) return {};
    PrepareWebFetch();

    CurlPtr<CURLU> parsed = parseUrl(url.bytes());
    if (!parsed) return {};
    CurlPtr<CURL> handle(curl_easy_init());
    if (!handle) return {};

    CurlPtr<curl_slist> headers;
    std::vector<std::string> lines = headerLines(kAcceptTypesEntry);
    for (auto& line : headerLines(kExtraHeaders)) lines.push_back(line);
    lines.emplace_back(kNoCache);
    for (const auto& line : lines) {
        curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
        if (!grown) return {};
        (void)headers.release();
        headers.reset(grown);
    }

    const FetchTimeLimits limits = CurrentFetchTimeLimits();
    Transfer transfer;
    transfer.handle = handle.get();
    transfer.cancel = cancel;

    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_CURLU, parsed.get());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMostRedirects);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kLargestRead);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total.count()));
    if (cancel.stop_possible()) {
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, checkCancel);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    }

    // Whether the transfer completed is not passed on: a failure before the
    // body leaves it empty, a failure during it leaves what had arrived.
    (void)curl_easy_perform(h);
    return std::move(transfer.body);
}

FetchTimeLimits CurrentFetchTimeLimits() {
    return FetchTimeLimits{std::chrono::milliseconds(g_connectMs.load()), std::chrono::milliseconds(g_totalMs.load())};
}

ScopedFetchTimeLimits::ScopedFetchTimeLimits(FetchTimeLimits limits) : previous_(CurrentFetchTimeLimits()) {
    g_connectMs = limits.connect.count();
    g_totalMs = limits.total.count();
}

ScopedFetchTimeLimits::~ScopedFetchTimeLimits() {
    g_connectMs = previous_.connect.count();
    g_totalMs = previous_.total.count();
}
