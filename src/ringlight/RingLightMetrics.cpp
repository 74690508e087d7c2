// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightMetrics.h"

#include <algorithm>
#include <cmath>

namespace mirelon {
namespace {

// NaN never reaches a size: it takes the lower bound.
double clampValue(double v, double lo, double hi) {
    if (std::isnan(v)) {
        return lo;
    }
    return std::clamp(v, lo, hi);
}

constexpr RingLightColor kCool{0.58, 0.79, 1.0};
constexpr RingLightColor kWarm{1.0, 0.7, 0.34};

}  // namespace

RingLightColor ringLightColor(double temperature) {
    const double t = clampValue(temperature, 0, 1);
    auto mix = [t](double cool, double warm) { return cool * (1 - t) + warm * t; };
    return {mix(kCool.red, kWarm.red), mix(kCool.green, kWarm.green), mix(kCool.blue, kWarm.blue)};
}

RingLightMetrics RingLightMetrics::make(const RingLightDisplaySettings& settings,
                                        const QSizeF& size, double maxHoverCutoutRadius,
                                        double hoverEdgeSlack) {
    RingLightMetrics m;
    m.temperature = clampValue(settings.temperature, 0, 1);
    // At most 80, then at least 6.
    m.width = std::max(std::isnan(settings.width) ? 6.0 : std::min(settings.width, 80.0), 6.0);
    m.glow = clampValue(settings.glow, 0, 1);
    const double w = m.width;
    const double g = m.glow;

    m.color = ringLightColor(m.temperature);
    m.size = size;

    const double base = std::clamp(w * 0.55, 8.0, 30.0);
    m.innerRect = QRectF(0, 0, size.width(), size.height()).adjusted(w, w, -w, -w);
    m.hasInnerRect = m.innerRect.width() > 0 && m.innerRect.height() > 0;
    m.innerCornerRadius =
        m.hasInnerRect ? std::min(base, std::min(m.innerRect.width(), m.innerRect.height()) / 2)
                       : 0;

    m.bandOpacity = g * 0.76 + 0.18;
    m.bandBlurRadius = w * (g * 0.85 + 0.45);
    m.glowLineWidth = std::max(w * 0.42, 2.0);
    m.glowOpacity = g * 0.72 + 0.14;
    m.glowBlurRadius = std::max(w * (g * 0.8 + 0.3), 1.0);

    m.holeThreshold = std::max(w * 2.2 + hoverEdgeSlack, 36.0);
    m.holeRadius = std::max(maxHoverCutoutRadius * 1.57, w * 3.98);
    m.holeBlurRadius = std::max(w * 0.24, 1.5);

    const double c = std::clamp(w / 120, 0.34, 0.5);
    const double inner = 1 - c;
    m.holeStops = {{{0, 1},
                    {inner * 0.72, 0.98},
                    {inner, 0.82},
                    {std::min(inner + c * 0.48, 1.0), 0.46},
                    {std::min(inner + c * 0.82, 1.0), 0.18},
                    {1, 0}}};
    return m;
}

std::optional<QPointF> hoverCutoutCenter(const std::optional<QPointF>& pointer,
                                         const QRectF& screenFrame,
                                         const RingLightMetrics& metrics) {
    if (!pointer) {
        return std::nullopt;
    }
    const QPointF p = *pointer;
    // Half-open like the platform's rectangle test: the maximum edges are outside.
    if (!(p.x() >= screenFrame.left() && p.x() < screenFrame.right() &&
          p.y() >= screenFrame.top() && p.y() < screenFrame.bottom())) {
        return std::nullopt;
    }
    const double x = p.x() - screenFrame.left();
    const double y = screenFrame.height() - (p.y() - screenFrame.top());
    const double w = screenFrame.width();
    const double h = screenFrame.height();
    const double nearest = std::min({x, w - x, y, h - y});
    if (nearest <= metrics.holeThreshold) {
        return QPointF(x, y);
    }
    return std::nullopt;
}

}  // namespace mirelon
