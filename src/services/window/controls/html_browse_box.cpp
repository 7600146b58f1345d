#include "services/window/controls/html_browse_box.h"

#include <QApplication>
#include <QByteArray>
#include <QPointer>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QThreadPool>
#include <QUrl>
#include <QVBoxLayout>

#include <mutex>

namespace {

std::mutex defaultFetcherMutex;
CancellablePageFetcher& defaultFetcher() {
    static CancellablePageFetcher fetcher;
    return fetcher;
}

CancellablePageFetcher ignoringCancel(PageFetcher fetcher) {
    if (!fetcher) return {};
    return [fetcher = std::move(fetcher)](const Text& url, std::stop_token) { return fetcher(url); };
}

// The charset a page declares in its first bytes (meta charset or the
// content type of an http-equiv meta); empty when none.
QByteArray declaredCharset(const Bytes& page) {
    const qsizetype head = std::min<qsizetype>(static_cast<qsizetype>(page.size()), 4096);
    const QByteArray start = QByteArray(reinterpret_cast<const char*>(page.data()), head).toLower();
    static const QRegularExpression charset(QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?\\s*([a-z0-9_:.-]+)"));
    const QRegularExpressionMatch match = charset.match(QString::fromLatin1(start));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

}  // namespace

HtmlBrowseBox::HtmlBrowseBox(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new QTextBrowser(this);
    view_->setFrameShape(QFrame::NoFrame);  // no border of its own
    view_->setOpenLinks(false);
    layout->addWidget(view_);
    // A followed link loads like any other address.
    connect(view_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl base = QUrl(address_.toQString());
        setAddress(Text::fromQString(base.resolved(link).toString()));
    });
    std::lock_guard lock(defaultFetcherMutex);
    fetcher_ = defaultFetcher();
}

HtmlBrowseBox::~HtmlBrowseBox() { loadStop_.request_stop(); }

void HtmlBrowseBox::setDefaultFetcher(CancellablePageFetcher fetcher) {
    std::lock_guard lock(defaultFetcherMutex);
    defaultFetcher() = std::move(fetcher);
}

void HtmlBrowseBox::setDefaultFetcher(PageFetcher fetcher) { setDefaultFetcher(ignoringCancel(std::move(fetcher))); }

void HtmlBrowseBox::setFetcher(CancellablePageFetcher fetcher) { fetcher_ = std::move(fetcher); }

void HtmlBrowseBox::setFetcher(PageFetcher fetcher) { fetcher_ = ignoringCancel(std::move(fetcher)); }

void HtmlBrowseBox::setAddress(const Text& url) {
    address_ = url;
    const quint64 generation = ++generation_;  // a later address makes earlier answers stale
    loadStop_.request_stop();
    loadStop_ = std::stop_source();
    if (url.empty() || !fetcher_) {
        loading_ = false;
        view_->clear();
        if (!url.empty()) emit loadFinished(false);
        return;
    }
    loading_ = true;
    QPointer<HtmlBrowseBox> box(this);
    QThreadPool::globalInstance()->start([box, generation, url, fetch = fetcher_, cancel = loadStop_.get_token()] {
        Bytes page;
        try {
            page = fetch(url, cancel);
        } catch (...) {
            page.clear();  // a failing fetcher is an empty page, not a dead program
        }
        // Back on the user-interface thread; the box may be gone by then.
        QMetaObject::invokeMethod(
            qApp,
            [box, generation, page = std::move(page)] {
                if (box) box->showPage(generation, page);
            },
            Qt::QueuedConnection);
    });
}

void HtmlBrowseBox::showPage(quint64 generation, const Bytes& page) {
    if (generation != generation_) return;
    loading_ = false;
    if (page.empty()) {
        view_->clear();
        emit loadFinished(false);
        return;
    }
    view_->document()->setBaseUrl(QUrl(address_.toQString()));
    view_->setHtml(decodePage(page));
    emit loadFinished(true);
}

void HtmlBrowseBox::showNotice(const Text& text) {
    setAddress(Text());
    view_->setPlainText(text.toQString());
}

QString HtmlBrowseBox::shownText() const { return view_->toPlainText(); }

QString HtmlBrowseBox::decodePage(const Bytes& page) {
    const char* data = reinterpret_cast<const char*>(page.data());
    auto size = static_cast<qsizetype>(page.size());
    if (size >= 3 && page[0] == 0xEF && page[1] == 0xBB && page[2] == 0xBF)
        return QString::fromUtf8(data + 3, size - 3);
    const QByteArray charset = declaredCharset(page);
    if (charset == "gbk" || charset == "gb2312" || charset == "gb18030" || charset == "x-gbk" || charset == "cp936")
        return Text::fromBytes(data, page.size()).toQString();
    if (!charset.isEmpty() && charset != "utf-8" && charset != "utf8") {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid()) return decoder.decode(QByteArrayView(data, size));
    }
    return QString::fromUtf8(data, size);
}
