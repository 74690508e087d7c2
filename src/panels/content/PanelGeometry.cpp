// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/PanelGeometry.h"

#include <algorithm>
#include <cmath>

namespace mirelon {

double baseShortSide(AppSettings::AspectRatio aspectRatio) {
    switch (aspectRatio) {
        case AppSettings::AspectRatio::onebyone:
            return 200.0;
        case AppSettings::AspectRatio::threebytwo:
            return 133.33;  // this decimal, not 400/3
        case AppSettings::AspectRatio::fourbythree:
            return 150.0;
        case AppSettings::AspectRatio::sixteenbynine:
            return 112.5;
    }
    return 200.0;
}

namespace Utils {

QSizeF getSize(AppSettings::AspectRatio aspectRatio, AppSettings::Orientation orientation,
               double size) {
    const double shortSide = baseShortSide(aspectRatio) * size;
    const double longSide = 200.0 * size;
    if (AppSettings::rawValue(orientation) == QLatin1String("landscape")) {
        return {longSide, shortSide};
    }
    return {shortSide, longSide};
}

}  // namespace Utils

namespace AppearanceBounds {
namespace {
double bounded(double value, double low, double high, double fallback) {
    if (!std::isfinite(value)) {
        return fallback;
    }
    return std::clamp(value, low, high);
}
}  // namespace

double cameraSize(double value) {
    return bounded(value, 0.1, 10.0, AppSettings::shared().cameraSize);
}
double zoom(double value) {
    return bounded(value, 0.05, 50.0, AppSettings::shared().zoom);
}
double shadowRadius(double value) {
    return bounded(value, 0.0, 100.0, 0.0);
}
double borderThickness(double value) {
    return bounded(value, 0.0, 100.0, 0.0);
}
double angle(double value) {
    return bounded(value, -360.0, 360.0, 0.0);
}
double fontSize(double value) {
    return bounded(value, 1.0, 400.0, AppSettings::shared().fontSize);
}
double textPadding(double value) {
    return bounded(value, 0.0, 400.0, 0.0);
}
double backgroundRadius(double value) {
    return bounded(value, 0.0, 1000.0, 0.0);
}
double colorParameter(double value, double neutral) {
    return bounded(value, -1000.0, 1000.0, neutral);
}
}  // namespace AppearanceBounds

QSizeF frameSize(const CameraAppearanceSettings& appearance) {
    return Utils::getSize(appearance.aspectRatio, appearance.orientation,
                          AppearanceBounds::cameraSize(appearance.cameraSize));
}

double contentPadding(const CameraAppearanceSettings& appearance) {
    const double x = AppearanceBounds::angle(appearance.xAngle);
    const double y = AppearanceBounds::angle(appearance.yAngle);
    const double z = AppearanceBounds::angle(appearance.zAngle);
    if (x == 0.0 && y == 0.0 && z == 0.0) {
        return 35.0;
    }
    return 55.0 + std::max({std::abs(x), std::abs(y), std::abs(z)});
}

}  // namespace mirelon
