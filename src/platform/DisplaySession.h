// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace mirelon {

// Which display server the program talks to, decided once at start by the
// platform loader (before the application object exists). Code above the
// platform asks the services what they can do, never which mode runs; the
// mode is for the start-up log line.
enum class DisplayMode {
    X11,            // an X11 session
    XWayland,       // a Wayland session without layer shell: the X11 code through XWayland
    WaylandNative,  // a Wayland session with layer shell: overlays are layer surfaces
};

namespace DisplaySession {

// The mode the platform loader chose (X11 before it ran).
DisplayMode mode();
void setMode(DisplayMode mode);

// The one info line logged at start: the mode and, in XWayland mode, what is limited.
QString describe(DisplayMode mode);

}  // namespace DisplaySession
}  // namespace mirelon
