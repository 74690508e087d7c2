// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DisplaySession.h"

#include "platform/wayland/WaylandDisplay.h"

#include <QByteArray>

namespace mirelon::DisplaySession {

namespace {
DisplayMode currentMode = DisplayMode::X11;

// Whether the Wayland compositor offers layer-shell surfaces (a short-lived
// connection that reads the registry once).
bool compositorOffersLayerShell() {
    return WaylandDisplay::offersLayerShell();
}
}  // namespace

DisplayMode detect() {
    const QByteArray forced = qgetenv("MIRELON_DISPLAY_BACKEND").trimmed().toLower();
    const bool waylandSession = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    DisplayMode mode = DisplayMode::X11;
    if (forced == "x11") {
        mode = waylandSession ? DisplayMode::XWayland : DisplayMode::X11;
    } else if (waylandSession) {
        const bool native = forced == "wayland" || compositorOffersLayerShell();
        mode = native ? DisplayMode::WaylandNative : DisplayMode::XWayland;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", mode == DisplayMode::WaylandNative ? "wayland" : "xcb");
    }
    currentMode = mode;
    return mode;
}

DisplayMode mode() {
    return currentMode;
}

void setModeForTesting(DisplayMode mode) {
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
