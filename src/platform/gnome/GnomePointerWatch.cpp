// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomePointerWatch.h"

#include "platform/MoveMode.h"
#include "platform/gnome/GnomeShellBridge.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcGnome)

namespace mirelon {

const QPoint GnomePointerWatch::nowhere(-1000000, -1000000);

GnomePointerWatch::GnomePointerWatch(GnomeShellBridge& bridge,
                                     std::unique_ptr<PointerWatch> fallback,
                                     std::function<QList<QRect>()> panelFrames)
    : bridge_(bridge), fallback_(std::move(fallback)), panelFrames_(std::move(panelFrames)) {
    connect(&bridge_, &GnomeShellBridge::runningChanged, this, [this] { route(); });
    connect(&bridge_, &GnomeShellBridge::pointerMoved, this, [this](QPoint position) {
        if (following_ == Source::shell) {
            reportPointer(position);
        }
    });
    connect(fallback_.get(), &PointerWatch::pointerMoved, this,
            [this](QPoint position) { fallbackMoved(position); });
    connect(fallback_.get(), &PointerWatch::modifiersChanged, this,
            [this] { commandMayHaveChanged(); });
    connect(&MoveMode::shared(), &MoveMode::activeChanged, this,
            [this] { commandMayHaveChanged(); });
    reportedCommand_ = fallback_->isCommandKeyDown() || MoveMode::shared().isActive();
    setInitialCommandState(reportedCommand_);
}

GnomePointerWatch::~GnomePointerWatch() {
    if (following_ == Source::shell) {
        bridge_.setWatchingPointer(false);
    }
}

void GnomePointerWatch::motionInterestChanged(bool) {
    route();
}

void GnomePointerWatch::keyInterestChanged(bool wanted) {
    fallbackKeys_ = wanted ? fallback_->keyInterest() : nullptr;
}

void GnomePointerWatch::route() {
    Source wanted = Source::none;
    if (motionInterestCount() > 0) {
        wanted = bridge_.isRunning() ? Source::shell : Source::fallback;
    }
    if (wanted == following_) {
        return;
    }
    following_ = wanted;
    bridge_.setWatchingPointer(wanted == Source::shell);
    fallbackMotion_ = wanted == Source::fallback ? fallback_->motionInterest() : nullptr;
    stale_.cancel();
    if (wanted == Source::fallback) {
        fallbackMoved(fallback_->pointerPosition());
    }
}

void GnomePointerWatch::fallbackMoved(QPoint position) {
    if (following_ != Source::fallback) {
        return;
    }
    reportPointer(position);
    stale_ = Scheduler::main().schedule(staleAfter, [this] { checkStale(); });
}

void GnomePointerWatch::checkStale() {
    if (following_ != Source::fallback || !panelFrames_) {
        return;
    }
    const QPoint last = fallback_->pointerPosition();
    for (const QRect& frame : panelFrames_()) {
        const QRect inner = frame.adjusted(edgeBand, edgeBand, -edgeBand, -edgeBand);
        if (frame.contains(last) && !inner.contains(last)) {
            qCDebug(lcGnome) << "pointer still at a panel's edge since" << staleAfter
                             << "s: taken as gone" << last;
            reportPointer(nowhere);
            return;
        }
    }
}

bool GnomePointerWatch::currentCommandKeyDown() {
    const bool down = fallback_->currentCommandKeyDown() || MoveMode::shared().isActive();
    setInitialCommandState(down);
    reportedCommand_ = down;
    return down;
}

void GnomePointerWatch::commandMayHaveChanged() {
    const bool down = fallback_->isCommandKeyDown() || MoveMode::shared().isActive();
    reportedCommand_ = down;
    reportModifierEvent(down);
}

}  // namespace mirelon
