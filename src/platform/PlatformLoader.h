// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DisplaySession.h"

namespace mirelon::PlatformLoader {

// The one place that knows the backends. Everything above the platform calls
// the neutral services (FloatingWindow, PointerWatch, CompositorWatch,
// WindowStacking, MoveMode, TrayHost, the hot-key service of the shortcuts,
// CameraDirectory, CaptureService); the loader decides which backend serves
// each of them in this session and installs it.

// Step one, before the QApplication is created: detects the display mode and
// picks the matching Qt platform plugin unless the user set QT_QPA_PLATFORM.
// MIRELON_DISPLAY_BACKEND=x11|wayland forces a mode. Applies the mode's
// traits (below).
DisplayMode detectDisplay();

// Step two, at any time before the services are first used: installs the
// factories that make each service's backend on first use, by the session's
// mode and what the display server offers (an X server behind Qt, a
// GlobalShortcuts portal, MIRELON_SIMULATED_CAMERAS).
void installBackends();

// What a mode means for the services that do not wait for first use: move
// mode offered, whether the tray host shows menus, how shortcuts arrive
// without a portal, who presents floating windows. Tests use it to play a
// session.
void setModeForTesting(DisplayMode mode);

}  // namespace mirelon::PlatformLoader
