// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <xcb/xcb.h>

#include <optional>

namespace mirelon {

// A private xcb connection to the display Qt runs on, for services that read
// their own X events (stacking, compositor selection) without touching Qt's.
struct X11Connection {
    xcb_connection_t* connection = nullptr;
    int screenNumber = 0;
    xcb_window_t root = XCB_NONE;
};

// None when Qt does not run on xcb or the display cannot be opened.
std::optional<X11Connection> openPrivateX11Connection();

}  // namespace mirelon
