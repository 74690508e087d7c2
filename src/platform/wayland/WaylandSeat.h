// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointF>

#include <cstdint>

struct wl_cursor_theme;
struct wl_keyboard;
struct wl_pointer;
struct wl_surface;
// Handed through signals; the library never defines the struct.
Q_DECLARE_OPAQUE_POINTER(wl_surface*)

namespace mirelon {

class WaylandDisplay;

// The pointer and keyboard of the overlay connection's seat. Events arrive
// only for the program's own overlay surfaces that take input; they are
// passed on as signals with surface-local positions. The cursor shown over
// those surfaces is set here from Qt's cursor shapes.
class WaylandSeat : public QObject {
    Q_OBJECT
public:
    explicit WaylandSeat(WaylandDisplay& display, QObject* parent = nullptr);
    ~WaylandSeat() override;

    // The cursor over the surface the pointer is on (no-op elsewhere).
    void setCursor(Qt::CursorShape shape);

Q_SIGNALS:
    void pointerEntered(wl_surface* surface, QPointF local);
    void pointerMoved(QPointF local);
    void pointerLeft(wl_surface* surface);
    void buttonChanged(std::uint32_t button, bool pressed);
    // An evdev key code went down or up on a surface with keyboard focus.
    void keyChanged(std::uint32_t key, bool pressed);

public:
    // Protocol entry points.
    void capabilities(std::uint32_t caps);
    void enter(std::uint32_t serial, wl_surface* surface, QPointF local);
    void leave(wl_surface* surface);
    void motion(QPointF local);
    void button(std::uint32_t button, bool pressed);
    void key(std::uint32_t key, bool pressed);

private:
    void applyCursor();

    WaylandDisplay& display_;
    wl_pointer* pointer_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    wl_cursor_theme* theme_ = nullptr;
    wl_surface* cursorSurface_ = nullptr;
    std::uint32_t enterSerial_ = 0;
    bool inside_ = false;
    Qt::CursorShape shape_ = Qt::ArrowCursor;
    Qt::CursorShape shown_ = Qt::BlankCursor;
};

}  // namespace mirelon
