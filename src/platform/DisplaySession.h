// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace mirelon {

// Which display server the program talks to, decided once at start (before
// the application object exists) and then read everywhere through
// DisplaySession::mode(). Nothing outside src/platform/ and the start-up code
// should need more than this.
enum class DisplayMode {
    X11,            // an X11 session
    XWayland,       // a Wayland session without layer shell: the X11 code through XWayland
    WaylandNative,  // a Wayland session with layer shell: overlays are layer surfaces
};

namespace DisplaySession {

// Detects the mode and picks the matching Qt platform plugin unless the user
// set QT_QPA_PLATFORM. MIRELON_DISPLAY_BACKEND=x11|wayland forces a mode.
// Call once, before the QApplication is created.
DisplayMode detect();

// The mode chosen by detect() (X11 before detect() ran). Tests may set it.
DisplayMode mode();
void setModeForTesting(DisplayMode mode);

// The one info line logged at start: the mode and, in XWayland mode, what is limited.
QString describe(DisplayMode mode);

}  // namespace DisplaySession
}  // namespace mirelon
