// Image sizes, opening web addresses, window opacity, the window under the
// cursor, the delay and the special folders.

#include "services/system/system.h"

#include "services/core/core.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <chrono>
#include <mutex>
#include <thread>

namespace {

std::mutex openerMutex;
UrlOpener& currentOpener() {
    static UrlOpener opener;
    return opener;
}

}  // namespace

// An unreadable file reads as no bytes, which decode to a null image of size 0.
int ImageWidth(const Text& file) { return DecodePicture(ReadFile(file)).width(); }

int ImageHeight(const Text& file) { return DecodePicture(ReadFile(file)).height(); }

UrlOpener SetUrlOpener(UrlOpener opener) {
    std::lock_guard lock(openerMutex);
    UrlOpener previous = std::move(currentOpener());
    currentOpener() = std::move(opener);
    return previous;
}

void OpenUrl(const Text& address) {
    // The program always passes an address; without one there is nothing to open.
    if (address.empty()) return;
    const QUrl url = QUrl::fromUserInput(address.toQString());
    if (!url.isValid()) return;
    UrlOpener opener;
    {
        std::lock_guard lock(openerMutex);
        opener = currentOpener();
    }
    if (opener) opener(url);
    else QDesktopServices::openUrl(url);
}

bool SetWindowAlpha(QWidget* window, std::optional<int> opacity) {
    if (!window) return false;
    int value = opacity.value_or(255);
    if (value < 0 || value > 255) value = 255;
    // Opacity belongs to top-level windows.
    window->window()->setWindowOpacity(value / 255.0);
    return true;
}

namespace {

// The viewport, scroll bars and header of a scrolling control (edit box,
// list) are parts of that one control, not windows of their own; what lies
// inside the viewport is.
QWidget* scrollingControlOf(QWidget* hit) {
    for (QWidget* up = hit; up && !up->isWindow(); up = up->parentWidget()) {
        auto* area = qobject_cast<QAbstractScrollArea*>(up->parentWidget());
        if (!area) continue;
        QWidget* viewport = area->viewport();
        return hit == viewport || !viewport->isAncestorOf(hit) ? area : hit;
    }
    return hit;
}

}  // namespace

QWidget* WindowUnderPoint(const QPoint& screenPoint) {
    QWidget* hit = QApplication::widgetAt(screenPoint);
    if (!hit) return nullptr;
    hit = scrollingControlOf(hit);
    QWidget* parent = hit->parentWidget();
    if (!parent || hit->isWindow()) return hit;
    // The widget found is the topmost; of the siblings stacked beneath it, a
    // smaller visible one under the point wins (a control inside a group
    // frame that lies above it, for instance).
    QWidget* choice = hit;
    auto area = [](const QWidget* w) { return static_cast<long long>(w->width()) * w->height(); };
    const QObjectList& siblings = parent->children();
    for (qsizetype i = siblings.indexOf(hit) - 1; i >= 0; --i) {
        auto* sibling = qobject_cast<QWidget*>(siblings[i]);
        if (!sibling || sibling->isWindow() || !sibling->isVisible()) continue;
        if (!sibling->rect().contains(sibling->mapFromGlobal(screenPoint))) continue;
        if (area(sibling) < area(choice)) choice = sibling;
    }
    return choice;
}

QWidget* WindowUnderCursor() { return WindowUnderPoint(QCursor::pos()); }

void Delay(int ms) {
    if (ms <= 0) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        // A worker thread has no windows to keep alive: it only paces itself.
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
}

Text SpecialFolder(int kind) {
    QString path;
    switch (kind) {
    case 1: path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); break;
    case 2:  // favourites: this desktop keeps none as a folder
        break;
    case 3: path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); break;
    case 4: path = QStandardPaths::writableLocation(QStandardPaths::FontsLocation); break;
    case 5:  // start menu and its programs: the desktop's application entries
    case 6: path = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation); break;
    case 7: {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        if (!config.isEmpty()) path = config + "/autostart";
        break;
    }
    case 8: path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); break;
    case 9:  // the operating system's folder
        path = "/usr";
        break;
    case 10:  // its shared libraries
        path = "/usr/lib";
        break;
    case 11: path = QDir::tempPath(); break;
    default: break;
    }
    if (path.isEmpty()) return Text();
    if (!path.endsWith('/')) path += '/';
    return Text::fromQFileName(path);
}
