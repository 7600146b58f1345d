// Program and system queries, and ShowMessage.

#include "services/core/core.h"
#include "services/core/message.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <unistd.h>

#include <climits>

namespace {

constexpr int kSystemModal = 0x1000;
constexpr int kTaskModal = 0x2000;

bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

} // namespace

Text ProgramFolder() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return Text();
    std::string exe(path, static_cast<std::size_t>(n));
    std::size_t slash = exe.rfind('/');
    // A program in the root folder gives "" so that ProgramFolder() + "/Peizhi.ini" stays right.
    return Text::fromUtf8(slash == std::string::npos ? std::string() : exe.substr(0, slash));
}

int ScreenWidth() {
    if (!HaveGuiApplication()) return 0;
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

int MouseX() { return HaveGuiApplication() ? QCursor::pos().x() : 0; }
int MouseY() { return HaveGuiApplication() ? QCursor::pos().y() : 0; }

void ProcessEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int ShowMessage(const Value& content, int flags, const Text& caption) {
    MessageRequest request;
    request.caption = caption;
    // Numbers, logicals, date-times and texts are shown; other values show an empty text.
    bool shown = !std::holds_alternative<Bytes>(content) && !std::holds_alternative<NumberArray>(content) &&
                 !std::holds_alternative<OtherArray>(content) && !std::holds_alternative<Subroutine>(content);
    if (shown) request.text = ToText(content);
    request.flags = (flags & kSystemModal) ? flags : (flags | kTaskModal);
    int answer = CurrentMessagePresenter()->present(request);
    return (answer >= 0 && answer <= 6) ? answer : 0;
}
