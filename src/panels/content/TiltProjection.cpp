// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/TiltProjection.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace mirelon {
namespace {

using Mat = std::array<std::array<double, 3>, 3>;

Mat multiply(const Mat& a, const Mat& b) {
    Mat out{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
        }
    }
    return out;
}

constexpr double degreesToRadians = 0.017453292519943295;

}  // namespace

QTransform tiltTransform(const QRectF& rect, double xAngle, double yAngle, double zAngle) {
    const double d = std::max({rect.width(), rect.height(), 1.0});
    const double cx = rect.center().x();
    const double cy = rect.center().y();
    const double ax = xAngle * degreesToRadians;
    const double ay = yAngle * degreesToRadians;
    const double az = zAngle * degreesToRadians;

    const Mat toCentre{{{1, 0, -cx}, {0, 1, -cy}, {0, 0, 1}}};
    const Mat back{{{1, 0, cx}, {0, 1, cy}, {0, 0, 1}}};
    const Mat rx{{{1, 0, 0}, {0, std::cos(ax), 0}, {0, -std::sin(ax) / d, 1}}};
    const Mat ry{{{std::cos(ay), 0, 0}, {0, 1, 0}, {std::sin(ay) / d, 0, 1}}};
    const Mat rz{{{std::cos(az), -std::sin(az), 0}, {std::sin(az), std::cos(az), 0}, {0, 0, 1}}};

    const Mat h = multiply(back, multiply(rz, multiply(ry, multiply(rx, toCentre))));
    // QTransform maps row vectors: x' = m11 x + m21 y + m31, w = m13 x + m23 y + m33.
    return QTransform(h[0][0], h[1][0], h[2][0], h[0][1], h[1][1], h[2][1], h[0][2], h[1][2],
                      h[2][2]);
}

}  // namespace mirelon
