// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/window/WindowPlacement.h"

#include "platform/qt/ScreenCoordinates.h"

#include <QWidget>

#include <algorithm>

namespace mirelon::WindowPlacement {

namespace {

struct Factors {
    double fx;
    double fy;  // from the top
};

Factors factorsFor(AppSettings::Position position) {
    switch (position) {
        case AppSettings::Position::topLeft:
            return {0.04, 0.04};
        case AppSettings::Position::topRight:
            return {0.96, 0.04};
        case AppSettings::Position::bottomLeft:
            return {0.04, 0.92};
        case AppSettings::Position::bottomRight:
            return {0.96, 0.92};
        case AppSettings::Position::custom:
            break;
    }
    return {0.5, 0.5};
}

// Clamp where the lower bound wins over the upper one.
double clampLowWins(double value, double low, double high) {
    return std::max(std::min(value, high), low);
}
// Clamp where the upper bound wins over the lower one.
double clampHighWins(double value, double low, double high) {
    return std::min(high, std::max(value, low));
}

}  // namespace

QRectF placedFrame(const QSizeF& size, AppSettings::Position position, const QRectF& visibleFrame) {
    const Factors f = factorsFor(position);
    const QRectF& v = visibleFrame;  // y-up: top() is the lowest y
    const double cx = v.left() + f.fx * v.width();
    const double cy = v.top() + (1.0 - f.fy) * v.height();
    const double w = size.width();
    const double h = size.height();
    const double x = clampLowWins(cx - w / 2, v.left(), v.right() - w);
    const double y = clampLowWins(cy - h / 2, v.top(), v.bottom() - h);
    return {x, y, w, h};
}

std::optional<QRectF> keptInVisibleFrame(const QRectF& frame, const QList<ScreenInfo>& screens,
                                         const std::optional<ScreenInfo>& mainScreen) {
    std::optional<QRectF> visible;
    for (const ScreenInfo& screen : screens) {
        if (screen.visibleFrame.intersects(frame)) {
            visible = screen.visibleFrame;
            break;
        }
    }
    if (!visible && mainScreen) {
        visible = mainScreen->visibleFrame;
    }
    if (!visible) {
        return std::nullopt;
    }
    const QRectF& v = *visible;
    const double x = clampHighWins(frame.x(), v.left(), v.right() - frame.width());
    const double y = clampHighWins(frame.y(), v.top(), v.bottom() - frame.height());
    return QRectF(x, y, frame.width(), frame.height());
}

QRectF frameOf(const QWidget* window) {
    return ScreenCoordinates::toYUp(QRectF(window->geometry()));
}

QPointF boundedOrigin(const QPointF& originYUp) {
    // Stored origins may be hand-edited: keep them to a sane range before
    // they become window coordinates.
    constexpr double limit = 1.0e6;
    return {std::clamp(originYUp.x(), -limit, limit), std::clamp(originYUp.y(), -limit, limit)};
}

void setOrigin(QWidget* window, const QPointF& originYUp) {
    const QRectF yUp(boundedOrigin(originYUp), QSizeF(window->size()));
    const QRectF yDown = ScreenCoordinates::fromYUp(yUp);
    window->move(qRound(yDown.x()), qRound(yDown.y()));
}

void setFrame(QWidget* window, const QRectF& frameYUp) {
    const QRectF yUp(boundedOrigin(frameYUp.topLeft()), frameYUp.size());
    const QRectF yDown = ScreenCoordinates::fromYUp(yUp);
    const QRect geometry(qRound(yDown.x()), qRound(yDown.y()), qRound(yDown.width()),
                         qRound(yDown.height()));
    if (window->geometry() != geometry) {
        window->setGeometry(geometry);
    }
}

void moveTo(QWidget* window, AppSettings::Position position, const ScreenInfo& screen) {
    const QRectF frame = placedFrame(QSizeF(window->size()), position, screen.visibleFrame);
    setOrigin(window, frame.topLeft());
}

void keepInVisibleFrame(QWidget* window, const ScreenSource& source) {
    if (auto kept = keptInVisibleFrame(frameOf(window), source.screens(), source.mainScreen())) {
        setOrigin(window, kept->topLeft());
    }
}

}  // namespace mirelon::WindowPlacement
