// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/Scheduler.h"

#include <QObject>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>

namespace mirelon {

// The global pointer position and whether the command key (Super) is held,
// system-wide, delivered on the main thread.
//
// Nothing is watched for nobody: pointer motion is followed only while some
// holder of a motionInterest() exists, and where key events cannot be watched
// directly the key state is polled only while a keyInterest() exists.
class PointerWatch : public QObject {
    Q_OBJECT
public:
    // Keeps part of the watch running while it lives.
    using Interest = std::shared_ptr<void>;

    ~PointerWatch() override;

    // The shared watch, made on first use by the factory the platform loader
    // installed (XInput2 on X11 when available); a 30 Hz poll without one.
    static PointerWatch& shared();
    // Installs a substitute (not owned); nullptr restores the shared one.
    static void setShared(PointerWatch* watch);
    // The loader's factory; it may return null (then the poll is used).
    static void setFactory(std::function<PointerWatch*()> factory);

    // Last known pointer position (Qt global coordinates, y down).
    QPoint pointerPosition() const { return position_; }
    bool isCommandKeyDown() const { return commandDown_; }
    // The command key state read afresh where the watch may be idle.
    virtual bool currentCommandKeyDown() { return commandDown_; }
    // Where a watch that sees the pointer only over the program's own
    // surfaces saw it last (Qt global coordinates); none for a watch that
    // sees it everywhere, or before it was seen.
    virtual std::optional<QPoint> lastSeenPosition() const { return std::nullopt; }

    [[nodiscard]] Interest motionInterest();
    [[nodiscard]] Interest keyInterest();
    int motionInterestCount() const { return motionInterests_; }
    int keyInterestCount() const { return keyInterests_; }

Q_SIGNALS:
    // The pointer moved (only while motion is followed).
    void pointerMoved(QPoint position);
    // A modifier key went down or up; repeats are possible (the state may not
    // have changed, e.g. Shift pressed while Super is held).
    void modifiersChanged(bool commandDown);

protected:
    PointerWatch() = default;

    // For implementations: report what was seen.
    void reportPointer(QPoint position);
    void reportModifierEvent(bool commandDown);
    void setInitialCommandState(bool commandDown) { commandDown_ = commandDown; }

    // Called when the number of interests of a kind goes from 0 to 1 or back.
    virtual void motionInterestChanged(bool wanted) { Q_UNUSED(wanted); }
    virtual void keyInterestChanged(bool wanted) { Q_UNUSED(wanted); }

private:
    QPoint position_;
    bool commandDown_ = false;
    int motionInterests_ = 0;
    int keyInterests_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Polls QCursor::pos() and the keyboard modifiers 30 times a second, only while
// someone is interested. Used where XInput2 is missing (and without X11).
class PollingPointerWatch : public PointerWatch {
    Q_OBJECT
public:
    PollingPointerWatch();
    bool currentCommandKeyDown() override;

protected:
    void motionInterestChanged(bool wanted) override;
    void keyInterestChanged(bool wanted) override;

private:
    void updatePolling();
    void poll();

    TaskHandle poll_;
};

// Where nothing outside the program's own surfaces can be watched (a native
// Wayland session): the pointer is known only over those surfaces, reported
// by whoever receives it, and the command key stands for move mode.
class FedPointerWatch : public PointerWatch {
    Q_OBJECT
public:
    // Reported as the position while the pointer is over none of those surfaces.
    static constexpr QPoint nowhere{-1000000, -1000000};

    FedPointerWatch() = default;
    void feedPointer(QPoint position) {
        lastSeen_ = position;
        reportPointer(position);
    }
    // The pointer left the surfaces: reported as nowhere, the last place kept.
    void feedPointerGone() { reportPointer(nowhere); }
    std::optional<QPoint> lastSeenPosition() const override { return lastSeen_; }
    void feedCommandKey(bool down) { reportModifierEvent(down); }

private:
    std::optional<QPoint> lastSeen_;
};

}  // namespace mirelon
