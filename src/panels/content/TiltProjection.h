// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>
#include <QTransform>

namespace mirelon {

// The camera block's 3D rotation: first about the x axis, then about the y
// axis, then about the z axis, each about the centre of `rect` at depth 0,
// each followed by a perspective projection with the viewer at a distance of
// max(width, height) (perspective 1). Angles are degrees.
//
// In y-down coordinates, with (x, y) relative to the centre and d the viewer
// distance, each step is a plane homography:
//   about x by a: X = x,               Y = cos(a) y,       W = 1 - sin(a) y / d
//   about y by a: X = cos(a) x,        Y = y,              W = 1 + sin(a) x / d
//   about z by a: X = cos a x - sin a y, Y = sin a x + cos a y, W = 1
// so a positive x angle tips the top edge away from the viewer, a positive y
// angle the right edge, and a positive z angle turns the block clockwise.
QTransform tiltTransform(const QRectF& rect, double xAngle, double yAngle, double zAngle);

// Whether any angle turns the block (the projective path is skipped otherwise).
inline bool isTilted(double xAngle, double yAngle, double zAngle) {
    return xAngle != 0.0 || yAngle != 0.0 || zAngle != 0.0;
}

}  // namespace mirelon
