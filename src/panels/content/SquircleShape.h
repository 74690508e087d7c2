// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraAppearanceSettings.h"

#include <QPainterPath>
#include <QRectF>

#include <functional>
#include <utility>

namespace mirelon {

// The outline of a camera frame: a superellipse |x/a|^n + |y/b|^n = 1 drawn
// as a closed polygon of 360 steps, one per whole degree, clockwise from the
// right-hand midpoint in y-down coordinates. n = 2 is the inscribed ellipse,
// n = 4 the squircle; larger n give sharper corners.
struct SquircleShape {
    double curvature = 4.0;

    // A curvature that is not a positive finite number gives the plain rectangle.
    QPainterPath path(const QRectF& rect) const;
};

// A shape held as a plain value: the path function of whatever shape it wraps.
struct AnyShape {
    std::function<QPainterPath(const QRectF&)> pathFunction;

    template <typename Shape>
    explicit AnyShape(Shape shape)
        : pathFunction([s = std::move(shape)](const QRectF& r) { return s.path(r); }) {}

    QPainterPath path(const QRectF& rect) const { return pathFunction(rect); }
};

// The superellipse exponent of an appearance: 2 for the circle, 4 for the
// squircle, cornerRadius for the rectangle.
double shapeExponent(const CameraAppearanceSettings& appearance);

}  // namespace mirelon
