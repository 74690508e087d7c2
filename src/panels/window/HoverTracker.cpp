// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/window/HoverTracker.h"

#include <QEvent>

namespace mirelon {

HoverTracker::HoverTracker(QWidget* target, std::function<void(HoverPhase)> onPhase)
    : QObject(target), target_(target), onPhase_(std::move(onPhase)) {
    target->installEventFilter(this);
    setWatching(target->isVisible());
}

HoverTracker::~HoverTracker() {
    setWatching(false);
}

void HoverTracker::setWatching(bool watching) {
    if (watching == static_cast<bool>(moved_)) {
        return;
    }
    if (watching) {
        PointerWatch& watch = PointerWatch::shared();
        motion_ = watch.motionInterest();
        moved_ = connect(&watch, &PointerWatch::pointerMoved, this,
                         [this](QPoint position) { evaluate(position); });
        evaluate(watch.pointerPosition());
    } else {
        disconnect(moved_);
        moved_ = {};
        motion_.reset();
    }
}

bool HoverTracker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_) {
        if (event->type() == QEvent::Show) {
            setWatching(true);
        } else if (event->type() == QEvent::Hide) {
            setWatching(false);
            if (hovering_) {
                hovering_ = false;
                onPhase_(HoverPhase::ended);
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void HoverTracker::update() {
    if (moved_) {
        evaluate(PointerWatch::shared().pointerPosition());
    }
}

bool HoverTracker::contains(QPoint position) const {
    if (!target_ || !target_->isVisible() || !target_->window()->isVisible()) {
        return false;
    }
    return target_->rect().contains(target_->mapFromGlobal(position));
}

void HoverTracker::evaluate(QPoint position) {
    if (contains(position)) {
        hovering_ = true;
        onPhase_(HoverPhase::active);
    } else if (hovering_) {
        hovering_ = false;
        onPhase_(HoverPhase::ended);
    }
}

}  // namespace mirelon
