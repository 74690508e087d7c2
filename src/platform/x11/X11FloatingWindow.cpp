// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11FloatingWindow.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>

namespace mirelon {

void X11FloatingWindow::keepComposited(QWidget* window) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) {
        return;
    }
    xcb_connection_t* c = x11->connection();
    static const char name[] = "_NET_WM_BYPASS_COMPOSITOR";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof(name) - 1, name), nullptr);
    if (atom) {
        const quint32 value = 2;  // never unredirect
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), atom->atom,
                            XCB_ATOM_CARDINAL, 32, 1, &value);
        std::free(atom);
        xcb_flush(c);
    }
}

}  // namespace mirelon
