// SPDX-License-Identifier: GPL-3.0-or-later
// The XEmbed system tray of X11 sessions.
#include "platform/TrayHost.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace mirelon::TrayHost {
namespace {

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name) {
    const auto cookie =
        xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.constData());
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

}  // namespace

std::optional<QColor> xembedTrayForeground() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return std::nullopt;
    }
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        // ":0.1" names screen 1.
        const QByteArray d(display);
        const int dot = d.lastIndexOf('.');
        if (dot > d.lastIndexOf(':')) {
            screen = d.mid(dot + 1).toInt();
        }
    }
    const xcb_atom_t selection =
        atom(connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    const xcb_atom_t colors = atom(connection, "_NET_SYSTEM_TRAY_COLORS");
    if (selection == XCB_ATOM_NONE || colors == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
                                      nullptr),
        &std::free);
    if (!owner || owner->owner == XCB_NONE) {
        return std::nullopt;
    }
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
        xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, owner->owner, colors, XCB_ATOM_CARDINAL, 0, 12),
            nullptr),
        &std::free);
    if (!property || property->format != 32) {
        return std::nullopt;
    }
    return foregroundFromTrayColors(
        static_cast<const quint32*>(xcb_get_property_value(property.get())),
        xcb_get_property_value_length(property.get()) / 4);
}

}  // namespace mirelon::TrayHost
