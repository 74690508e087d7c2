// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandSeat.h"

#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandProtocols.h"

#include <wayland-cursor.h>

#include <unistd.h>

namespace mirelon {

namespace {

WaylandSeat* seatOf(void* data) {
    return static_cast<WaylandSeat*>(data);
}

const wl_pointer_listener pointerListener{
    [](void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
        seatOf(data)->enter(serial, surface, QPointF(wl_fixed_to_double(x), wl_fixed_to_double(y)));
    },
    [](void* data, wl_pointer*, uint32_t, wl_surface* surface) { seatOf(data)->leave(surface); },
    [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
        seatOf(data)->motion(QPointF(wl_fixed_to_double(x), wl_fixed_to_double(y)));
    },
    [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
        seatOf(data)->button(button, state == WL_POINTER_BUTTON_STATE_PRESSED);
    },
    [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {},
};

const wl_keyboard_listener keyboardListener{
    // The keymap is not needed: keys are told apart by their evdev codes.
    [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); },
    [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
    [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
        seatOf(data)->key(key, state == WL_KEYBOARD_KEY_STATE_PRESSED);
    },
    [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
    [](void*, wl_keyboard*, int32_t, int32_t) {},
};

// Cursor names in the usual themes, most specific first.
QList<const char*> cursorNames(Qt::CursorShape shape) {
    switch (shape) {
        case Qt::OpenHandCursor:
            return {"grab", "openhand", "hand1", "left_ptr"};
        case Qt::ClosedHandCursor:
            return {"grabbing", "closedhand", "fleur", "left_ptr"};
        case Qt::PointingHandCursor:
            return {"pointer", "hand2", "pointing_hand", "left_ptr"};
        default:
            return {"default", "left_ptr"};
    }
}

}  // namespace

WaylandSeat::WaylandSeat(WaylandDisplay& display, QObject* parent)
    : QObject(parent), display_(display) {
    connect(&display_, &WaylandDisplay::seatCapabilitiesChanged, this, &WaylandSeat::capabilities);
    capabilities(display_.seatCapabilities());
}

WaylandSeat::~WaylandSeat() {
    if (pointer_) {
        wl_pointer_destroy(pointer_);
    }
    if (keyboard_) {
        wl_keyboard_destroy(keyboard_);
    }
    if (cursorSurface_) {
        wl_surface_destroy(cursorSurface_);
    }
    if (theme_) {
        wl_cursor_theme_destroy(theme_);
    }
}

void WaylandSeat::capabilities(std::uint32_t caps) {
    const bool hasPointer = caps & WL_SEAT_CAPABILITY_POINTER;
    if (hasPointer && !pointer_) {
        pointer_ = wl_seat_get_pointer(display_.seat());
        wl_pointer_add_listener(pointer_, &pointerListener, this);
    } else if (!hasPointer && pointer_) {
        wl_pointer_destroy(pointer_);
        pointer_ = nullptr;
    }
    const bool hasKeyboard = caps & WL_SEAT_CAPABILITY_KEYBOARD;
    if (hasKeyboard && !keyboard_) {
        keyboard_ = wl_seat_get_keyboard(display_.seat());
        wl_keyboard_add_listener(keyboard_, &keyboardListener, this);
    } else if (!hasKeyboard && keyboard_) {
        wl_keyboard_destroy(keyboard_);
        keyboard_ = nullptr;
    }
}

void WaylandSeat::enter(std::uint32_t serial, wl_surface* surface, QPointF local) {
    enterSerial_ = serial;
    inside_ = true;
    shown_ = Qt::BlankCursor;  // the compositor forgets our cursor on leave
    Q_EMIT pointerEntered(surface, local);
    applyCursor();
}

void WaylandSeat::leave(wl_surface* surface) {
    inside_ = false;
    Q_EMIT pointerLeft(surface);
}

void WaylandSeat::motion(QPointF local) {
    Q_EMIT pointerMoved(local);
}

void WaylandSeat::button(std::uint32_t button, bool pressed) {
    Q_EMIT buttonChanged(button, pressed);
}

void WaylandSeat::key(std::uint32_t key, bool pressed) {
    Q_EMIT keyChanged(key, pressed);
}

void WaylandSeat::setCursor(Qt::CursorShape shape) {
    shape_ = shape;
    applyCursor();
}

void WaylandSeat::applyCursor() {
    if (!inside_ || !pointer_ || shape_ == shown_) {
        return;
    }
    if (!theme_) {
        const QByteArray name = qgetenv("XCURSOR_THEME");
        const int size = qEnvironmentVariableIsSet("XCURSOR_SIZE")
                             ? qEnvironmentVariableIntValue("XCURSOR_SIZE")
                             : 24;
        theme_ = wl_cursor_theme_load(name.isEmpty() ? nullptr : name.constData(),
                                      size > 0 && size < 256 ? size : 24, display_.shm());
        if (!theme_) {
            return;
        }
        cursorSurface_ = wl_compositor_create_surface(display_.compositor());
    }
    wl_cursor* cursor = nullptr;
    for (const char* name : cursorNames(shape_)) {
        if ((cursor = wl_cursor_theme_get_cursor(theme_, name))) {
            break;
        }
    }
    if (!cursor || cursor->image_count < 1) {
        return;
    }
    wl_cursor_image* image = cursor->images[0];
    wl_buffer* buffer = wl_cursor_image_get_buffer(image);
    if (!buffer) {
        return;
    }
    wl_surface_attach(cursorSurface_, buffer, 0, 0);
    wl_surface_damage(cursorSurface_, 0, 0, int(image->width), int(image->height));
    wl_surface_commit(cursorSurface_);
    wl_pointer_set_cursor(pointer_, enterSerial_, cursorSurface_, int(image->hotspot_x),
                          int(image->hotspot_y));
    display_.flush();
    shown_ = shape_;
}

}  // namespace mirelon
