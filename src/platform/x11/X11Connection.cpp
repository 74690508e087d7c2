// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Connection.h"

#include <QGuiApplication>

namespace mirelon {

std::optional<X11Connection> openPrivateX11Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return std::nullopt;
    }
    X11Connection x;
    x.connection = xcb_connect(nullptr, &x.screenNumber);
    if (!x.connection || xcb_connection_has_error(x.connection)) {
        if (x.connection) {
            xcb_disconnect(x.connection);
        }
        return std::nullopt;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(x.connection));
    for (int i = 0; i < x.screenNumber && it.rem; ++i) {
        xcb_screen_next(&it);
    }
    if (!it.rem) {
        xcb_disconnect(x.connection);
        return std::nullopt;
    }
    x.root = it.data->root;
    return x;
}

}  // namespace mirelon
