// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/ColorMatrix.h"

#include "panels/content/PanelGeometry.h"

#include <algorithm>
#include <cmath>

namespace mirelon {

bool ColorMatrix::isIdentity() const {
    return *this == identity();
}

ColorMatrix ColorMatrix::after(const ColorMatrix& first) const {
    ColorMatrix out;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            double v = 0;
            for (int k = 0; k < 3; ++k) {
                v += m[r][k] * first.m[k][c];
            }
            out.m[r][c] = v;
        }
        double o = offset[r];
        for (int k = 0; k < 3; ++k) {
            o += m[r][k] * first.offset[k];
        }
        out.offset[r] = o;
    }
    return out;
}

ColorMatrix ColorMatrix::saturation(double s) {
    ColorMatrix out;
    out.m = {{{0.213 + 0.787 * s, 0.715 - 0.715 * s, 0.072 - 0.072 * s},
              {0.213 - 0.213 * s, 0.715 + 0.285 * s, 0.072 - 0.072 * s},
              {0.213 - 0.213 * s, 0.715 - 0.715 * s, 0.072 + 0.928 * s}}};
    return out;
}

ColorMatrix ColorMatrix::contrast(double k) {
    ColorMatrix out;
    out.m = {{{k, 0, 0}, {0, k, 0}, {0, 0, k}}};
    out.offset = {0.5 - 0.5 * k, 0.5 - 0.5 * k, 0.5 - 0.5 * k};
    return out;
}

ColorMatrix ColorMatrix::brightness(double b) {
    ColorMatrix out;
    out.offset = {b, b, b};
    return out;
}

ColorMatrix ColorMatrix::hueRotation(double degrees) {
    const double a = degrees * 0.017453292519943295;
    const double c = std::cos(a);
    const double s = std::sin(a);
    ColorMatrix out;
    out.m = {{{0.213 + 0.787 * c - 0.213 * s, 0.715 - 0.715 * c - 0.715 * s,
               0.072 - 0.072 * c + 0.928 * s},
              {0.213 - 0.213 * c + 0.143 * s, 0.715 + 0.285 * c + 0.140 * s,
               0.072 - 0.072 * c - 0.283 * s},
              {0.213 - 0.213 * c - 0.787 * s, 0.715 - 0.715 * c + 0.715 * s,
               0.072 + 0.928 * c + 0.072 * s}}};
    return out;
}

ColorMatrix ColorMatrix::multiply(const QColor& color) {
    ColorMatrix out;
    out.m = {{{color.redF(), 0, 0}, {0, color.greenF(), 0}, {0, 0, color.blueF()}}};
    return out;
}

ColorMatrix ColorMatrix::forAppearance(const CameraAppearanceSettings& appearance) {
    using AppearanceBounds::colorParameter;
    ColorMatrix out;
    const double s = colorParameter(appearance.saturation, 1.0);
    const double k = colorParameter(appearance.contrast, 1.0);
    const double b = colorParameter(appearance.brightness, 0.0);
    const double h = std::fmod(colorParameter(appearance.hueRotation, 0.0), 360.0);
    // Neutral steps are skipped so that an untouched appearance stays exactly
    // the identity (and the per-pixel colour pass is left out).
    if (s != 1.0) {
        out = saturation(s).after(out);
    }
    if (k != 1.0) {
        out = contrast(k).after(out);
    }
    if (b != 0.0) {
        out = brightness(b).after(out);
    }
    if (h != 0.0) {
        out = hueRotation(h).after(out);
    }
    if (appearance.colorMultiply != AppSettings::ColorMultiply::white) {
        out = multiply(namedMultiplyColor(appearance.colorMultiply)).after(out);
    }
    return out;
}

QColor ColorMatrix::apply(const QColor& color) const {
    const double in[3] = {color.redF(), color.greenF(), color.blueF()};
    double o[3];
    for (int r = 0; r < 3; ++r) {
        o[r] =
            std::clamp(m[r][0] * in[0] + m[r][1] * in[1] + m[r][2] * in[2] + offset[r], 0.0, 1.0);
    }
    return QColor::fromRgbF(float(o[0]), float(o[1]), float(o[2]), color.alphaF());
}

QColor namedMultiplyColor(AppSettings::ColorMultiply color) {
    using C = AppSettings::ColorMultiply;
    switch (color) {
        case C::white:
            return QColor(255, 255, 255);
        case C::red:
            return QColor(255, 59, 48);
        case C::green:
            return QColor(52, 199, 89);
        case C::blue:
            return QColor(0, 122, 255);
        case C::yellow:
            return QColor(255, 204, 0);
        case C::purple:
            return QColor(175, 82, 222);
        case C::gray:
            return QColor(142, 142, 147);
        case C::brown:
            return QColor(162, 132, 94);
    }
    return QColor(255, 255, 255);
}

FixedColorMatrix FixedColorMatrix::from(const ColorMatrix& matrix) {
    FixedColorMatrix out;
    out.identity = matrix.isIdentity();
    const double one = double(1 << shift);
    // Coefficients stay within +-400 so that three products and the offset fit in an int.
    auto q = [&](double v) { return int(std::lround(std::clamp(v, -400.0, 400.0) * one)); };
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out.m[r * 3 + c] = q(matrix.m[r][c]);
        }
        out.offset[r] =
            int(std::lround(std::clamp(matrix.offset[r], -400.0, 400.0) * 255.0 * one)) +
            (1 << (shift - 1));
    }
    return out;
}

}  // namespace mirelon
