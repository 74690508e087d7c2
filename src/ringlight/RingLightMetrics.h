// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ringlight/RingLightDisplaySettings.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <array>
#include <optional>

namespace mirelon {

// Linear RGB triple with components in 0...1.
struct RingLightColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    bool operator==(const RingLightColor&) const = default;
};

// Every number the ring light drawing needs, derived once from a record and
// the display's size (in points, y down, origin top-left).
struct RingLightMetrics {
    // Clamped record values.
    double temperature = 0;  // 0...1
    double width = 0;        // 6...80
    double glow = 0;         // 0...1

    RingLightColor color;
    QSizeF size;
    QRectF innerRect;  // the view inset by width; may be empty
    bool hasInnerRect = false;
    double innerCornerRadius = 0;

    double bandOpacity = 0;
    double bandBlurRadius = 0;
    double glowLineWidth = 0;
    double glowOpacity = 0;
    double glowBlurRadius = 0;

    double holeThreshold = 0;
    double holeRadius = 0;
    double holeBlurRadius = 0;
    // (location, opacity of black) of the hole's radial gradient; the last is clear.
    std::array<std::pair<double, double>, 6> holeStops{};

    static RingLightMetrics make(const RingLightDisplaySettings& settings, const QSizeF& size,
                                 double maxHoverCutoutRadius, double hoverEdgeSlack);

    // The values a cached band image depends on.
    bool sameBand(const RingLightMetrics& other) const {
        return temperature == other.temperature && width == other.width && glow == other.glow &&
               size == other.size;
    }
};

// The band's colour: cool blue blended toward warm amber by the clamped temperature.
RingLightColor ringLightColor(double temperature);

// Blur radii are drawn as Gaussians whose standard deviation is this share of the radius.
inline constexpr double kSigmaPerBlurRadius = 0.5;

// Where the pointer hole is centred, in view coordinates, or none when the
// pointer (global, y up) is off this display or farther than the threshold
// from every edge. screenFrame is the display's frame in the same space.
std::optional<QPointF> hoverCutoutCenter(const std::optional<QPointF>& pointer,
                                         const QRectF& screenFrame,
                                         const RingLightMetrics& metrics);

}  // namespace mirelon
