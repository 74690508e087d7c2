// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/TiltWarp.h"

#include "panels/content/PictureKernels.h"
#include "panels/content/TiltProjection.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace mirelon {
namespace {

// The tilted block never grows past this many device pixels (a visible area
// always bounds it; this only guards against a wild one).
constexpr qint64 maxPixels = qint64(6000) * 6000;

// Bilinear position split into a left/top index and a weight 0...256.
struct Tap {
    int i0;
    int w;
};

inline Tap tapOf(float position) {
    const float p = position - 0.5f;  // sample centres at whole numbers
    const float base = std::floor(p);
    return {int(base), int(std::lround((p - base) * 256.0f))};
}

}  // namespace

void TiltWarp::build(const Geometry& g) {
    margin_ = g.margin;
    magnification_ = 1.0;
    fx_.clear();
    fy_.clear();
    rect_ = QRect();
    const double w = std::max(1.0, g.frameSize.width());
    const double h = std::max(1.0, g.frameSize.height());
    const QTransform forward = tiltTransform(QRectF(0, 0, w, h), g.xAngle, g.yAngle, g.zAngle);
    bool invertible = false;
    const QTransform inverse = forward.inverted(&invertible);
    if (!invertible) {
        return;
    }
    const double mx = g.margin / g.scaleX;
    const double my = g.margin / g.scaleY;
    const QRectF flatBlock(-mx, -my, w + 2 * mx, h + 2 * my);

    QRectF visible = g.visible;
    if (visible.isEmpty()) {
        const double extra = std::max(w, h);
        visible = QRectF(0, 0, w, h).adjusted(-extra, -extra, extra, extra);
    }
    // The corners land in front of the viewer for every angle the panel
    // allows; where one does not, the visible area alone bounds the block.
    QRectF bounds = visible;
    bool inFront = true;
    for (const QPointF& c : {flatBlock.topLeft(), flatBlock.topRight(), flatBlock.bottomLeft(),
                             flatBlock.bottomRight()}) {
        const double wc = forward.m13() * c.x() + forward.m23() * c.y() + forward.m33();
        inFront = inFront && wc > 1e-6;
    }
    if (inFront) {
        bounds = forward.map(QPolygonF(flatBlock)).boundingRect() & visible;
    }
    if (bounds.isEmpty()) {
        return;
    }
    const int left = int(std::floor(bounds.left() * g.scaleX));
    const int top = int(std::floor(bounds.top() * g.scaleY));
    const int right = int(std::ceil(bounds.right() * g.scaleX));
    const int bottom = int(std::ceil(bounds.bottom() * g.scaleY));
    if (right <= left || bottom <= top || qint64(right - left) * (bottom - top) > maxPixels) {
        return;
    }
    rect_ = QRect(left, top, right - left, bottom - top);

    const std::size_t n = std::size_t(rect_.width()) * std::size_t(rect_.height());
    fx_.assign(n, std::numeric_limits<float>::quiet_NaN());
    fy_.assign(n, std::numeric_limits<float>::quiet_NaN());
    for (int oy = 0; oy < rect_.height(); ++oy) {
        const double qy = (top + oy + 0.5) / g.scaleY;
        for (int ox = 0; ox < rect_.width(); ++ox) {
            const double qx = (left + ox + 0.5) / g.scaleX;
            const double X = inverse.m11() * qx + inverse.m21() * qy + inverse.m31();
            const double Y = inverse.m12() * qx + inverse.m22() * qy + inverse.m32();
            const double W = inverse.m13() * qx + inverse.m23() * qy + inverse.m33();
            if (std::abs(W) < 1e-12) {
                continue;
            }
            const double px = X / W;
            const double py = Y / W;
            // Only the side of the plane in front of the viewer shows.
            if (forward.m13() * px + forward.m23() * py + forward.m33() <= 1e-6) {
                continue;
            }
            const std::size_t i = std::size_t(oy) * std::size_t(rect_.width()) + std::size_t(ox);
            fx_[i] = float(px * g.scaleX);
            fy_[i] = float(py * g.scaleY);
        }
    }
    // The smallest step on the flat frame per tilted pixel, sampled sparsely
    // over the pixels that show the frame.
    double smallest = 1.0;
    const int rw = rect_.width();
    for (int oy = 0; oy + 1 < rect_.height(); oy += 8) {
        for (int ox = 0; ox + 1 < rw; ox += 8) {
            const std::size_t i = std::size_t(oy) * std::size_t(rw) + std::size_t(ox);
            const std::size_t next = i + 1;
            const std::size_t below = i + std::size_t(rw);
            if (std::isnan(fx_[i]) || std::isnan(fx_[next]) || std::isnan(fx_[below])) {
                continue;
            }
            const double fx0 = fx_[i], fy0 = fy_[i];
            if (fx0 < 0 || fy0 < 0 || fx0 > w * g.scaleX || fy0 > h * g.scaleY) {
                continue;
            }
            smallest = std::min({smallest, std::hypot(fx_[next] - fx0, fy_[next] - fy0),
                                 std::hypot(fx_[below] - fx0, fy_[below] - fy0)});
        }
    }
    magnification_ = 1.0 / std::max(smallest, 0.25);
}

namespace {

// Warps a flat template through the map: each mapped pixel blends the four
// template pixels around its position (outside the template counts as 0).
template <typename T, typename Blend>
std::vector<T> warpThrough(const std::vector<float>& fx, const std::vector<float>& fy, int margin,
                           const std::vector<T>& flat, int flatWidth, int flatHeight, Blend blend) {
    std::vector<T> out(fx.size(), 0);
    auto sample = [&](int x, int y) -> T {
        if (x < 0 || y < 0 || x >= flatWidth || y >= flatHeight) {
            return 0;
        }
        return flat[std::size_t(y) * std::size_t(flatWidth) + std::size_t(x)];
    };
    for (std::size_t i = 0; i < fx.size(); ++i) {
        if (std::isnan(fx[i])) {
            continue;
        }
        const Tap tx = tapOf(fx[i] + float(margin));
        const Tap ty = tapOf(fy[i] + float(margin));
        if (tx.i0 < -1 || ty.i0 < -1 || tx.i0 >= flatWidth || ty.i0 >= flatHeight) {
            continue;
        }
        out[i] = blend(sample(tx.i0, ty.i0), sample(tx.i0 + 1, ty.i0), sample(tx.i0, ty.i0 + 1),
                       sample(tx.i0 + 1, ty.i0 + 1), tx.w, ty.w);
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> TiltWarp::warp(const std::vector<std::uint8_t>& flat, int flatWidth,
                                         int flatHeight) const {
    return warpThrough(fx_, fy_, margin_, flat, flatWidth, flatHeight,
                       [](int a, int b, int c, int d, int wx, int wy) {
                           const int top = a * (256 - wx) + b * wx;
                           const int bottom = c * (256 - wx) + d * wx;
                           return std::uint8_t((top * (256 - wy) + bottom * wy + 32768) >> 16);
                       });
}

std::vector<std::uint32_t> TiltWarp::warp(const std::vector<std::uint32_t>& flat, int flatWidth,
                                          int flatHeight) const {
    return warpThrough(
        fx_, fy_, margin_, flat, flatWidth, flatHeight,
        [](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, int wx, int wy) {
            return PictureKernels::bilinear(a, b, c, d, std::uint32_t(wx), std::uint32_t(wy));
        });
}

}  // namespace mirelon
