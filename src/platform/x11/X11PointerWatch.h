// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PointerWatch.h"

#include <array>
#include <cstdint>
#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

namespace mirelon {

// The pointer and Super watch on X11: XInput2 (2.1 or later) raw key and raw
// motion events from the root window, on an X connection of its own read
// through a socket notifier. Only modifier key codes are looked at. Raw motion
// carries no position, so it marks the position stale and the pointer is
// queried at most once per turn of the main loop and 60 times a second; raw
// motion is selected only while motion is wanted.
class X11PointerWatch final : public PointerWatch {
    Q_OBJECT
public:
    // None when not on X11 or when the server lacks XInput 2.1.
    static std::unique_ptr<X11PointerWatch> create();
    ~X11PointerWatch() override;

protected:
    void motionInterestChanged(bool wanted) override;

private:
    X11PointerWatch(xcb_connection_t* connection, std::uint32_t root, std::uint8_t xinputOpcode);
    void selectEvents();
    void loadKeyMapping();
    void seedCommandState();
    void readEvents();
    void handle(void* event);  // an xcb_generic_event_t
    void handleKey(std::uint8_t keycode, bool pressed);
    void schedulePositionQuery();

    xcb_connection_t* connection_;
    std::uint32_t root_;
    std::uint8_t xinputOpcode_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::array<bool, 256> isSuperKey_{};
    std::array<bool, 256> isModifierKey_{};
    std::array<bool, 256> superKeyDown_{};
    TaskHandle positionQuery_;
    double lastPositionQuery_ = -1.0;
};

}  // namespace mirelon
