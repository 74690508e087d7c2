// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/ScreenCoordinates.h"

#include <QGuiApplication>
#include <QScreen>

namespace mirelon::ScreenCoordinates {

namespace {
double flipY(double y, double height, const QRectF& primary) {
    return primary.top() + primary.height() - y - height;
}
}  // namespace

QRectF toYUp(const QRectF& yDown, const QRectF& primaryYDown) {
    return {yDown.x(), flipY(yDown.y(), yDown.height(), primaryYDown), yDown.width(),
            yDown.height()};
}

QRectF fromYUp(const QRectF& yUp, const QRectF& primaryYDown) {
    return toYUp(yUp, primaryYDown);
}

QPointF pointToYUp(const QPointF& yDown, const QRectF& primaryYDown) {
    return {yDown.x(), flipY(yDown.y(), 0, primaryYDown)};
}

QPointF pointFromYUp(const QPointF& yUp, const QRectF& primaryYDown) {
    return pointToYUp(yUp, primaryYDown);
}

QRectF primaryGeometry() {
    QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? QRectF(primary->geometry()) : QRectF();
}

QRectF toYUp(const QRectF& yDown) {
    return toYUp(yDown, primaryGeometry());
}
QRectF fromYUp(const QRectF& yUp) {
    return fromYUp(yUp, primaryGeometry());
}
QPointF pointToYUp(const QPointF& yDown) {
    return pointToYUp(yDown, primaryGeometry());
}
QPointF pointFromYUp(const QPointF& yUp) {
    return pointFromYUp(yUp, primaryGeometry());
}

}  // namespace mirelon::ScreenCoordinates
