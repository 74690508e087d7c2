// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ringlight/RingLightDesktop.h"

#include <QPointF>
#include <QRectF>
#include <QStringList>

#include <optional>

namespace mirelon {

// What is known about where the user works when a ring light step (width or
// temperature, from a shortcut or `mirelon --action`) arrives. All y up.
struct RingLightStepHints {
    // The pointer, where the desktop tells it wherever it is (X11).
    std::optional<QPointF> pointer;
    // Where the pointer was last seen over the program's own surfaces (native
    // Wayland, where it is known nowhere else).
    std::optional<QPointF> lastSeenPointer;
    // The frame of the camera panel the user moved last, while it is shown.
    std::optional<QRectF> lastMovedPanel;
    // The index `activeScreenIndex` gives (main screen, else the first) for
    // when the pointer is known but over no display.
    int activeIndex = -1;
    // The displays the ring light lights (or would light when switched on).
    QStringList lit;
};

// The displays a step changes, in screen order:
// - the display under the pointer where the pointer is known everywhere;
// - else the display where it was last seen over the program's own surfaces;
// - else the display of the panel moved last;
// - else every display the ring light lights.
// Displays without an identifier are never chosen.
QStringList ringLightStepDisplays(const QList<RingLightScreen>& screens,
                                  const RingLightStepHints& hints);

}  // namespace mirelon
