// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"
#include "platform/qt/ScreenUtils.h"

#include <QList>
#include <QRectF>
#include <QSizeF>

#include <optional>

class QWidget;

namespace mirelon {

// Placement of windows in the y-up global space.
namespace WindowPlacement {

// The frame a window of `size` gets at `position` on a screen whose visible
// frame is `visibleFrame`: the corner factors put its centre, then it is
// clamped inside (the minimum corner wins when it is larger).
QRectF placedFrame(const QSizeF& size, AppSettings::Position position, const QRectF& visibleFrame);

// `frame` moved into the visible frame of the first screen it intersects, else
// the main screen's; a frame larger than that keeps to its right and top edges.
// None when neither screen exists.
std::optional<QRectF> keptInVisibleFrame(const QRectF& frame, const QList<ScreenInfo>& screens,
                                         const std::optional<ScreenInfo>& mainScreen);

// A top-level widget's frame in y-up coordinates, and setting its origin there.
QRectF frameOf(const QWidget* window);
void setOrigin(QWidget* window, const QPointF& originYUp);
// Gives a top-level widget a y-up frame: size and position in one change.
void setFrame(QWidget* window, const QRectF& frameYUp);
// A stored origin kept to a sane range before it becomes a window position.
QPointF boundedOrigin(const QPointF& originYUp);

// move(to:on:): places the window at `position` on `screen`.
void moveTo(QWidget* window, AppSettings::Position position, const ScreenInfo& screen);

// Pulls a window back into a visible frame (see keptInVisibleFrame).
void keepInVisibleFrame(QWidget* window, const ScreenSource& source = ScreenSource::current());

}  // namespace WindowPlacement
}  // namespace mirelon
