// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FloatingWindow.h"

#include "platform/DisplaySession.h"
#include "platform/wayland/WaylandOverlays.h"

#include <QWidget>
#include <QWindow>

namespace mirelon::FloatingWindow {

void prepare(QWidget* window, const QString& identifier, Role role) {
    window->setObjectName(identifier);
    window->setWindowRole(identifier);
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_NoSystemBackground);
    window->setAttribute(Qt::WA_X11DoNotAcceptFocus);
    window->setFocusPolicy(Qt::NoFocus);
    if (DisplaySession::mode() == DisplayMode::WaylandNative) {
        // Qt would make an ordinary application window of it: the overlay
        // layer shows it instead.
        window->setAttribute(Qt::WA_DontShowOnScreen);
        if (WaylandOverlays* overlays = WaylandOverlays::shared()) {
            overlays->attach(window, role == Role::cameraPanel
                                         ? WaylandOverlaySurface::Kind::panel
                                         : WaylandOverlaySurface::Kind::ringLight);
        }
    }
}

void setIgnoresMouseEvents(QWidget* window, bool ignores) {
    if (QWindow* handle = window->windowHandle()) {
        handle->setFlag(Qt::WindowTransparentForInput, ignores);
    } else {
        // Not created yet: the widget's flags are carried into the window it makes.
        window->setWindowFlag(Qt::WindowTransparentForInput, ignores);
    }
    if (DisplaySession::mode() == DisplayMode::WaylandNative) {
        if (WaylandOverlays* overlays = WaylandOverlays::shared()) {
            overlays->setAcceptsPointer(window, !ignores);
        }
    }
}

bool ignoresMouseEvents(const QWidget* window) {
    if (const QWindow* handle = window->windowHandle()) {
        return handle->flags().testFlag(Qt::WindowTransparentForInput);
    }
    return window->windowFlags().testFlag(Qt::WindowTransparentForInput);
}

bool canFollowPointer() {
    return DisplaySession::mode() != DisplayMode::WaylandNative;
}

}  // namespace mirelon::FloatingWindow
