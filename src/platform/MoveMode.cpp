// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MoveMode.h"

#include "platform/qt/Logging.h"

namespace mirelon {

namespace {
bool sessionOffersMoveMode = false;
}

bool MoveMode::offeredInSession() {
    return sessionOffersMoveMode;
}

void MoveMode::setOfferedInSession(bool offered) {
    sessionOffersMoveMode = offered;
}

MoveMode& MoveMode::shared() {
    static MoveMode* mode = new MoveMode;  // lives for the process
    return *mode;
}

MoveMode::MoveMode(bool available, QObject* parent) : QObject(parent), available_(available) {}

void MoveMode::setActive(bool active) {
    if (!isAvailable() || active == active_) {
        return;
    }
    active_ = active;
    if (active_) {
        restartIdleTimer();
    } else {
        idle_.cancel();
    }
    qCInfo(lcCore) << "Move mode" << (active_ ? "on" : "off");
    Q_EMIT activeChanged(active_);
}

void MoveMode::noteDrag() {
    if (active_) {
        restartIdleTimer();
    }
}

void MoveMode::restartIdleTimer() {
    idle_ = Scheduler::main().schedule(idleTimeout, [this] { setActive(false); });
}

}  // namespace mirelon
