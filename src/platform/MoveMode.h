// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/Scheduler.h"

#include <QObject>

#include <optional>

namespace mirelon {

// Moving camera panels where holding Super over them cannot be watched (a
// native Wayland session: no program sees the pointer or the keys while
// another one has focus). While move mode is on, panels take the pointer over
// their picture, show the open hand and can be dragged; it ends by the same
// switch, Escape, or idleTimeout seconds without a drag.
//
// To the panels it looks like the command key held down: the pointer watch of
// such sessions reports the mode as the command key state.
class MoveMode : public QObject {
    Q_OBJECT
public:
    static constexpr double idleTimeout = 30.0;

    static MoveMode& shared();
    // A mode of its own (tests); `available` as in a native Wayland session.
    explicit MoveMode(bool available, QObject* parent = nullptr);

    // Whether the session needs (and so offers) move mode. The shared mode
    // reads what the platform loader set each time, so a look before the
    // session was detected (the command line is read first) does not fix the
    // answer.
    bool isAvailable() const { return available_ ? *available_ : offeredInSession(); }
    static bool offeredInSession();
    static void setOfferedInSession(bool offered);
    bool isActive() const { return active_; }
    // Ignored where the mode is not available.
    void setActive(bool active);
    void toggle() { setActive(!active_); }
    // A drag began or ended: the idle period starts again.
    void noteDrag();

Q_SIGNALS:
    void activeChanged(bool active);

private:
    MoveMode() = default;
    void restartIdleTimer();

    std::optional<bool> available_;
    bool active_ = false;
    TaskHandle idle_;
};

}  // namespace mirelon
