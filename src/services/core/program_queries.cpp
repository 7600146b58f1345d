// Program and system queries.

#include "services/core/core.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <unistd.h>

#include <climits>

namespace {

bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

}  // namespace

Text ProgramFolder() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return Text();
    std::string exe(path, static_cast<std::size_t>(n));
    std::size_t slash = exe.rfind('/');
    // A program in the root folder gives "" so that ProgramFolder() + "/Peizhi.ini" stays right.
    return Text::fromFileSystem(slash == std::string::npos ? std::string() : exe.substr(0, slash));
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
