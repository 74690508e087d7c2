// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PointerWatch.h"

#include <QCursor>
#include <QGuiApplication>

namespace mirelon {

namespace {
PointerWatch* installedWatch = nullptr;

std::function<PointerWatch*()>& factory() {
    static std::function<PointerWatch*()> f;
    return f;
}
}  // namespace

PointerWatch::~PointerWatch() {
    *alive_ = false;
}

PointerWatch& PointerWatch::shared() {
    if (installedWatch) {
        return *installedWatch;
    }
    static PointerWatch* watch = []() -> PointerWatch* {
        if (factory()) {
            if (PointerWatch* made = factory()()) {
                return made;
            }
        }
        return new PollingPointerWatch();
    }();
    return *watch;
}

void PointerWatch::setShared(PointerWatch* watch) {
    installedWatch = watch;
}

void PointerWatch::setFactory(std::function<PointerWatch*()> make) {
    factory() = std::move(make);
}

PointerWatch::Interest PointerWatch::motionInterest() {
    if (++motionInterests_ == 1) {
        motionInterestChanged(true);
    }
    std::weak_ptr<bool> alive = alive_;
    return Interest(nullptr, [this, alive](void*) {
        if (alive.lock() && --motionInterests_ == 0) {
            motionInterestChanged(false);
        }
    });
}

PointerWatch::Interest PointerWatch::keyInterest() {
    if (++keyInterests_ == 1) {
        keyInterestChanged(true);
    }
    std::weak_ptr<bool> alive = alive_;
    return Interest(nullptr, [this, alive](void*) {
        if (alive.lock() && --keyInterests_ == 0) {
            keyInterestChanged(false);
        }
    });
}

void PointerWatch::reportPointer(QPoint position) {
    if (position == position_) {
        return;
    }
    position_ = position;
    Q_EMIT pointerMoved(position);
}

void PointerWatch::reportModifierEvent(bool commandDown) {
    commandDown_ = commandDown;
    Q_EMIT modifiersChanged(commandDown);
}

PollingPointerWatch::PollingPointerWatch() {
    setInitialCommandState(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::MetaModifier));
}

bool PollingPointerWatch::currentCommandKeyDown() {
    const bool down = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::MetaModifier);
    setInitialCommandState(down);
    return down;
}

void PollingPointerWatch::motionInterestChanged(bool) {
    updatePolling();
}
void PollingPointerWatch::keyInterestChanged(bool) {
    updatePolling();
}

void PollingPointerWatch::updatePolling() {
    const bool wanted = motionInterestCount() > 0 || keyInterestCount() > 0;
    if (!wanted) {
        poll_.cancel();
        return;
    }
    if (!poll_.isPending()) {
        poll();
        poll_ = Scheduler::main().scheduleRepeating(1.0 / 30.0, [this] { poll(); });
    }
}

void PollingPointerWatch::poll() {
    if (motionInterestCount() > 0) {
        reportPointer(QCursor::pos());
    }
    // Qt reports the Super key as the Meta modifier on X11.
    const bool down = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::MetaModifier);
    if (down != isCommandKeyDown()) {
        reportModifierEvent(down);
    }
}

}  // namespace mirelon
