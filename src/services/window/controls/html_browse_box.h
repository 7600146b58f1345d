#pragma once
// HTML browse box: shows the page at an address, without a border of its own.
// The page is fetched on a worker thread so the window never blocks; the
// bytes come back to the user-interface thread and are shown in a text
// browser, decoded by the page's declared charset (UTF-8 when none; GBK and
// GB2312 understood).

#include "services/core/text.h"
#include "services/core/value.h"

#include <QWidget>

#include <functional>
#include <stop_token>

class QTextBrowser;

// Fetches the bytes of a web page (empty on failure). Called on a worker thread.
using PageFetcher = std::function<Bytes(const Text& url)>;
// The same, told through the token when its answer is no longer wanted (a
// new address, the box closed), so that a slow host does not hold a thread
// (and the program's exit) for long.
using CancellablePageFetcher = std::function<Bytes(const Text& url, std::stop_token cancel)>;

class HtmlBrowseBox : public QWidget {
    Q_OBJECT
public:
    explicit HtmlBrowseBox(QWidget* parent = nullptr);
    ~HtmlBrowseBox() override;

    // The fetcher boxes created from now on use (the program wires its HTTP
    // fetch here once at start); a box without any fetcher shows nothing.
    static void setDefaultFetcher(PageFetcher fetcher);
    static void setDefaultFetcher(CancellablePageFetcher fetcher);
    void setFetcher(PageFetcher fetcher);
    void setFetcher(CancellablePageFetcher fetcher);

    // Starts loading the page; returns at once. An empty address clears the box.
    void setAddress(const Text& url);
    Text address() const { return address_; }
    // Shows a short plain text in place of a page (no address, nothing fetched).
    void showNotice(const Text& text);

    bool isLoading() const { return loading_; }
    // The document shown, as plain text (for inspection).
    QString shownText() const;
    QTextBrowser* view() const { return view_; }

    // Decodes page bytes by their <meta charset> (or http-equiv content type);
    // UTF-8 when none is declared.
    static QString decodePage(const Bytes& page);

signals:
    // After each load: ok false when the fetch gave no bytes.
    void loadFinished(bool ok);

private:
    void showPage(quint64 generation, const Bytes& page);

    QTextBrowser* view_ = nullptr;
    CancellablePageFetcher fetcher_;
    std::stop_source loadStop_;  // stops the fetch under way
    Text address_;
    bool loading_ = false;
    quint64 generation_ = 0;
};
