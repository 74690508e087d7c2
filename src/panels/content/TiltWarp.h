// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QRectF>
#include <QSizeF>

#include <cstdint>
#include <vector>

namespace mirelon {

// Where each device pixel of a tilted camera block comes from on the flat
// block. Built once per geometry (size, device scale, angles, visible area);
// the templates (shape coverage, border) are warped with it once and the
// picture is sampled through it per frame, so a tilted frame costs one
// bilinear tap per pixel, like a flat one.
class TiltWarp {
public:
    struct Geometry {
        QSizeF frameSize;     // points
        double scaleX = 1.0;  // device pixels per point
        double scaleY = 1.0;
        int margin = 0;       // device pixels of the flat block around the frame
        double xAngle = 0.0;  // degrees, as TiltProjection takes them
        double yAngle = 0.0;
        double zAngle = 0.0;
        QRectF visible;  // points, relative to the frame's top-left; empty: no limit
    };

    void build(const Geometry& geometry);

    // The tilted block in device pixels, relative to the frame's top-left.
    QRect deviceRect() const { return rect_; }
    int width() const { return rect_.width(); }
    int height() const { return rect_.height(); }
    // How much larger than flat the picture shows where it is enlarged most
    // (the near side of the tilt), at least 1.
    double magnification() const { return magnification_; }

    // Per tilted pixel (row-major): the position on the flat frame in device
    // pixels, pixel centres at .5 (a flat pixel's own position is x + 0.5).
    // NaN where no part of the flat plane shows (behind the viewer).
    const std::vector<float>& frameX() const { return fx_; }
    const std::vector<float>& frameY() const { return fy_; }

    // Warps a flat template of flatWidth x flatHeight (the frame plus the
    // margin on each side) bilinearly; outside the flat block is 0.
    std::vector<std::uint8_t> warp(const std::vector<std::uint8_t>& flat, int flatWidth,
                                   int flatHeight) const;
    std::vector<std::uint32_t> warp(const std::vector<std::uint32_t>& flat, int flatWidth,
                                    int flatHeight) const;

private:
    int margin_ = 0;
    double magnification_ = 1.0;
    QRect rect_;
    std::vector<float> fx_;
    std::vector<float> fy_;
};

}  // namespace mirelon
