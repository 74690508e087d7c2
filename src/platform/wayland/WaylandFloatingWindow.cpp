// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandFloatingWindow.h"

#include "platform/wayland/WaylandOverlays.h"

#include <QWidget>

namespace mirelon {

void WaylandFloatingWindow::prepare(QWidget* window, FloatingWindow::Role role) {
    window->setAttribute(Qt::WA_DontShowOnScreen);
    if (WaylandOverlays* overlays = WaylandOverlays::shared()) {
        overlays->attach(window, role == FloatingWindow::Role::cameraPanel
                                     ? WaylandOverlaySurface::Kind::panel
                                     : WaylandOverlaySurface::Kind::ringLight);
    }
}

void WaylandFloatingWindow::setAcceptsPointer(QWidget* window, bool accepts) {
    if (WaylandOverlays* overlays = WaylandOverlays::shared()) {
        overlays->setAcceptsPointer(window, accepts);
    }
}

}  // namespace mirelon
