// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPainter>
#include <QPointF>
#include <QRectF>

namespace mirelon {

// The placeholder behind the picture: a soft light band (gray, white, gray,
// each at opacity 0.4) sweeping diagonally from the top-left to the
// bottom-right once a second, eased in and out, starting over each time.
namespace ShimmerView {

constexpr double sweepDuration = 1.0;
constexpr double fadeDuration = 0.3;

struct Points {
    QPointF start;  // unit coordinates of the frame, (0, 0) top-left
    QPointF end;
};

// The gradient's start and end at `elapsed` seconds since the sweep began.
Points pointsAt(double elapsed);

// Fills `rect` (clip already set by the caller) with the gradient, at `opacity`.
void paint(QPainter& painter, const QRectF& rect, double elapsed, double opacity);

}  // namespace ShimmerView

}  // namespace mirelon
