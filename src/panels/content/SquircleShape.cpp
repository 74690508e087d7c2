// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/SquircleShape.h"

#include <cmath>

namespace mirelon {

QPainterPath SquircleShape::path(const QRectF& rect) const {
    QPainterPath out;
    if (!(curvature > 0.0) || !std::isfinite(curvature)) {
        out.addRect(rect);
        return out;
    }
    const double a = rect.width() * 0.5;
    const double b = rect.height() * 0.5;
    const double cx = rect.center().x();
    const double cy = rect.center().y();
    const double p = 2.0 / curvature;
    constexpr double pi = 3.141592653589793;

    out.moveTo(cx + a, cy);
    for (int d = 0; d < 360; ++d) {
        const double theta = d * pi / 180.0;
        const double c = std::cos(theta);
        const double s = std::sin(theta);
        // Zero counts as positive.
        const double x = c >= 0 ? cx + a * std::pow(std::abs(c), p) : cx - a * std::pow(-c, p);
        const double y = s >= 0 ? cy + b * std::pow(std::abs(s), p) : cy - b * std::pow(-s, p);
        out.lineTo(x, y);
    }
    out.closeSubpath();
    return out;
}

double shapeExponent(const CameraAppearanceSettings& appearance) {
    switch (appearance.cameraShape) {
        case AppSettings::CameraShape::circle:
            return 2.0;
        case AppSettings::CameraShape::squircle:
            return 4.0;
        case AppSettings::CameraShape::rectangle:
            return appearance.cornerRadius;
    }
    return 4.0;
}

}  // namespace mirelon
