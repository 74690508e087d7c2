// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"
#include "config/CameraAppearanceSettings.h"

#include <QColor>

#include <array>

namespace mirelon {

// An affine colour transform on non-premultiplied RGB in 0...1:
// out = M * (r, g, b) + offset. The colour steps of one appearance are folded
// into one of these and applied once per pixel, clamped once at the end.
struct ColorMatrix {
    std::array<std::array<double, 3>, 3> m{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    std::array<double, 3> offset{0, 0, 0};

    static ColorMatrix identity() { return {}; }
    bool operator==(const ColorMatrix&) const = default;
    bool isIdentity() const;

    // this applied after `first`.
    ColorMatrix after(const ColorMatrix& first) const;

    // The filter definitions (W3C Filter Effects, feColorMatrix), with
    // luminance weights 0.213, 0.715, 0.072:
    //   saturate(s):
    //     R' = (.213+.787s)R + (.715-.715s)G + (.072-.072s)B
    //     G' = (.213-.213s)R + (.715+.285s)G + (.072-.072s)B
    //     B' = (.213-.213s)R + (.715-.715s)G + (.072+.928s)B
    //   hueRotate(a), with c = cos a, s = sin a:
    //     [.213+.787c-.213s  .715-.715c-.715s  .072-.072c+.928s]
    //     [.213-.213c+.143s  .715+.285c+.140s  .072-.072c-.283s]
    //     [.213-.213c-.787s  .715-.715c+.715s  .072+.928c+.072s]
    //   contrast(k):   c' = (c - 0.5) k + 0.5
    //   brightness(b): c' = c + b
    //   multiply(col): c' = c * col (per channel)
    static ColorMatrix saturation(double s);
    static ColorMatrix contrast(double k);
    static ColorMatrix brightness(double b);
    static ColorMatrix hueRotation(double degrees);
    static ColorMatrix multiply(const QColor& color);

    // Saturation, contrast, brightness, hue rotation, colour multiply: the
    // picture's colour steps in the order they apply.
    static ColorMatrix forAppearance(const CameraAppearanceSettings& appearance);

    // Applies the transform to one colour (clamped to 0...1).
    QColor apply(const QColor& color) const;
};

// The colour a ColorMultiply case names (white leaves the picture unchanged).
QColor namedMultiplyColor(AppSettings::ColorMultiply color);

// Fixed-point form for the per-pixel loop: 8-bit channels in, 8-bit out.
struct FixedColorMatrix {
    static constexpr int shift = 12;
    std::array<int, 9> m{};
    std::array<int, 3> offset{};  // in 8-bit units << shift, rounding included
    bool identity = true;

    static FixedColorMatrix from(const ColorMatrix& matrix);
};

}  // namespace mirelon
