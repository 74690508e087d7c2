// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QRectF>

namespace mirelon {

// The program keeps geometry in a global space with the y axis up and the
// origin at the bottom-left corner of the primary screen. Qt's global space
// has y down; these convert between the two. The conversion is its own
// inverse: y' = primaryTop + primaryHeight - y - height.
namespace ScreenCoordinates {

QRectF toYUp(const QRectF& yDown, const QRectF& primaryYDown);
QRectF fromYUp(const QRectF& yUp, const QRectF& primaryYDown);
QPointF pointToYUp(const QPointF& yDown, const QRectF& primaryYDown);
QPointF pointFromYUp(const QPointF& yUp, const QRectF& primaryYDown);

// The same against the current primary screen (an empty rectangle when there
// is none, which leaves y mirrored about 0).
QRectF primaryGeometry();
QRectF toYUp(const QRectF& yDown);
QRectF fromYUp(const QRectF& yUp);
QPointF pointToYUp(const QPointF& yDown);
QPointF pointFromYUp(const QPointF& yUp);

}  // namespace ScreenCoordinates
}  // namespace mirelon
