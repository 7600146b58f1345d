#include "services/window/native_title.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

}  // namespace

bool DesktopComposites() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return true;
    xcb_connection_t* connection = x11->connection();
    // A compositing manager owns this selection for the screen it draws.
    const xcb_atom_t manager = Atom(connection, "_NET_WM_CM_S0");
    if (manager == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, manager), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

void ShowEmptyTitle(QWidget* window) {
    if (!window || !window->windowHandle() || !window->testAttribute(Qt::WA_WState_Created)) return;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t netName = Atom(connection, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, "");
    if (netName != XCB_ATOM_NONE && utf8 != XCB_ATOM_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, netName, utf8, 8, 0, "");
    xcb_flush(connection);
}
