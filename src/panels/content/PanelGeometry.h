// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"
#include "config/CameraAppearanceSettings.h"

#include <QSizeF>

namespace mirelon {

namespace Utils {

// Size of the camera frame in points: the long side is 200 x size, the short
// side the aspect ratio's base length x size. Exact, no bounds applied.
QSizeF getSize(AppSettings::AspectRatio aspectRatio, AppSettings::Orientation orientation,
               double size);

}  // namespace Utils

// Short side of the frame at size 1, by aspect ratio.
double baseShortSide(AppSettings::AspectRatio aspectRatio);

// Stored numbers are used as stored except where they become sizes, zooms,
// angles, exponents or allocations: there they go through these bounds, so a
// hand-edited value (1e308, NaN) never becomes a huge window or buffer. The
// bounds lie well outside the settings window's slider ranges.
namespace AppearanceBounds {
double cameraSize(double value);
double zoom(double value);
double shadowRadius(double value);
double borderThickness(double value);
double angle(double value);
double fontSize(double value);
double textPadding(double value);
double backgroundRadius(double value);
// Colour parameters: finite, within a generous range; NaN gives the neutral value.
double colorParameter(double value, double neutral);
}  // namespace AppearanceBounds

// The camera frame of an appearance, with its size factor bounded.
QSizeF frameSize(const CameraAppearanceSettings& appearance);

// Padding on every edge of the panel content: 35 points without rotation,
// else 55 plus the largest absolute angle (degrees taken as points).
double contentPadding(const CameraAppearanceSettings& appearance);

}  // namespace mirelon
