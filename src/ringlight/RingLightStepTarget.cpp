// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightStepTarget.h"

namespace mirelon {

namespace {

int screenHolding(const QList<RingLightScreen>& screens, QPointF p) {
    for (int i = 0; i < screens.size(); ++i) {
        const QRectF& f = screens[i].frame;
        if (p.x() >= f.left() && p.x() < f.right() && p.y() >= f.top() && p.y() < f.bottom()) {
            return i;
        }
    }
    return -1;
}

// The screen holding most of `frame`; -1 when it touches none.
int screenOverlapping(const QList<RingLightScreen>& screens, const QRectF& frame) {
    int best = -1;
    double bestArea = 0;
    for (int i = 0; i < screens.size(); ++i) {
        const QRectF common = screens[i].frame.intersected(frame);
        const double area = common.width() * common.height();
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

QStringList single(const QList<RingLightScreen>& screens, int index) {
    if (index < 0 || index >= screens.size() || screens[index].displayID.isEmpty()) {
        return {};
    }
    return {screens[index].displayID};
}

}  // namespace

QStringList ringLightStepDisplays(const QList<RingLightScreen>& screens,
                                  const RingLightStepHints& hints) {
    if (screens.isEmpty()) {
        return {};
    }
    if (hints.pointer) {
        const int under = screenHolding(screens, *hints.pointer);
        return single(screens, under >= 0 ? under : hints.activeIndex);
    }
    if (hints.lastSeenPointer) {
        if (const int i = screenHolding(screens, *hints.lastSeenPointer); i >= 0) {
            return single(screens, i);
        }
    }
    if (hints.lastMovedPanel) {
        if (const int i = screenOverlapping(screens, *hints.lastMovedPanel); i >= 0) {
            return single(screens, i);
        }
    }
    QStringList lit;
    for (const RingLightScreen& screen : screens) {
        if (!screen.displayID.isEmpty() && hints.lit.contains(screen.displayID) &&
            !lit.contains(screen.displayID)) {
            lit.append(screen.displayID);
        }
    }
    return lit;
}

}  // namespace mirelon
