#pragma once

#include <QString>

class QWidget;

namespace mirelon {

// Floating windows (camera panels, ring light overlays) bypass the window
// manager: override-redirect, frameless, never focused, translucent. They are
// thereby on every virtual desktop, absent from taskbar and pager and above
// managed windows.
namespace FloatingWindow {

// Sets every attribute a floating window needs; call before its first show.
// `identifier` becomes its object name and its WM_WINDOW_ROLE.
void prepare(QWidget* window, const QString& identifier);

// Click-through: a window that ignores mouse events gets an empty input shape.
// Switched live on a shown window through its QWindow (never through the
// widget's flags, which would hide it).
void setIgnoresMouseEvents(QWidget* window, bool ignores);
bool ignoresMouseEvents(const QWidget* window);

}  // namespace FloatingWindow
}  // namespace mirelon
