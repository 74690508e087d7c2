// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

class QWidget;

namespace mirelon {

// Floating windows (camera panels, ring light overlays) float above every
// other window, on every virtual desktop, absent from taskbar and pager,
// never focused and translucent. How is the display server's business: on
// X11 they bypass the window manager (override-redirect); in a native Wayland
// session Qt never shows them and the overlay layer presents them as layer
// surfaces. Callers do not need to know which.
namespace FloatingWindow {

enum class Role {
    cameraPanel,
    ringLight,
};

// Sets every attribute a floating window needs; call before its first show.
// `identifier` becomes its object name and its WM_WINDOW_ROLE.
void prepare(QWidget* window, const QString& identifier, Role role = Role::cameraPanel);

// Click-through: a window that ignores mouse events gets an empty input shape.
// Switched live on a shown window through its QWindow (never through the
// widget's flags, which would hide it).
void setIgnoresMouseEvents(QWidget* window, bool ignores);
bool ignoresMouseEvents(const QWidget* window);

// Whether pointer hover and the pointer position over other programs' windows
// can be known (not in a native Wayland session).
bool canFollowPointer();

// Whether overlays take clicks meant for the windows beneath them although
// they ask not to (a compositor fault that nothing running works around).
bool overlaysBlockClicks();

// Asks compositors to keep blending the window instead of unredirecting it
// (the ring light covers whole displays). Call once its native window exists.
void keepComposited(QWidget* window);

// What the display server adds to the above. The platform loader installs the
// session's presenter; without one, Qt's window flags are all there is.
class Presenter {
public:
    virtual ~Presenter() = default;
    // The window has its attributes; the server may take it over.
    virtual void prepare(QWidget* window, Role role) {
        Q_UNUSED(window);
        Q_UNUSED(role);
    }
    virtual void setAcceptsPointer(QWidget* window, bool accepts) {
        Q_UNUSED(window);
        Q_UNUSED(accepts);
    }
    virtual void keepComposited(QWidget* window) { Q_UNUSED(window); }
    virtual bool canFollowPointer() const { return true; }
    virtual bool overlaysBlockClicks() const { return false; }
};
void setPresenter(std::unique_ptr<Presenter> presenter);

}  // namespace FloatingWindow
}  // namespace mirelon
