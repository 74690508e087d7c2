// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DisplaySession.h"

namespace mirelon::DisplaySession {

namespace {
DisplayMode currentMode = DisplayMode::X11;
}

DisplayMode mode() {
    return currentMode;
}

void setMode(DisplayMode mode) {
    currentMode = mode;
}

QString describe(DisplayMode mode) {
    switch (mode) {
        case DisplayMode::X11:
            return QStringLiteral("Display: X11 session.");
        case DisplayMode::XWayland:
            return QStringLiteral(
                "Display: Wayland session without layer-shell overlays; running through XWayland. "
                "Panels and the ring light may take clicks, and global shortcuts fire only while a "
                "Mirelon window has focus (use \"mirelon --action NAME\" in the desktop's shortcut "
                "settings).");
        case DisplayMode::WaylandNative:
            return QStringLiteral(
                "Display: Wayland session with layer-shell overlays (native mode). Panels move "
                "in move mode (\"Move Camera Panels\" in the menu, or \"mirelon --action "
                "moveCameraPanels\"); hover effects and the ring light's pointer hole are off.");
    }
    return {};
}

}  // namespace mirelon::DisplaySession
