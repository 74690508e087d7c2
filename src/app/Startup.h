#pragma once

namespace mirelon {

// Chooses the X11 platform plugin under a Wayland session (before the
// application object exists) unless the user picked one. Returns true when it
// did, so the caller can tell the log once the application is up.
bool preferX11Platform();

}  // namespace mirelon
