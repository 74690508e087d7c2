// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer's tilted side: every shown pixel of a tilted block mapped to
// the source once per geometry and source size, and for YUV frames the RGB
// copy of the part of the frame those taps read.

#include "panels/content/PictureRenderer.h"
#include "panels/content/TiltWarp.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace mirelon {

void PictureRenderer::rebuildPositions(QSize sourceSize, QRect window) {
    const int w = frameDevice_.width();
    const int h = frameDevice_.height();
    const int srcW = sourceSize.width();
    const int srcH = sourceSize.height();
    const double zoom = std::isfinite(style_.zoom) && style_.zoom > 0 ? style_.zoom : 1.0;
    const double scale = std::max(double(w) / srcW, double(h) / srcH) * zoom;
    const int bw = block_.width();
    const int bh = block_.height();
    const std::size_t n = std::size_t(bw) * std::size_t(bh);
    u_.assign(n, 0);
    v_.assign(n, 0);
    mappedCoverage_.assign(n, 0);
    mappedSpans_.assign(std::size_t(bh), RowSpan{});
    // Where each shown pixel lies on the flat frame: the warp's map, kept
    // from the templates for the first frame and then let go (a tilted
    // block's two megabytes or so); built again on the rare change of the
    // source's size.
    if (frameX_.empty()) {
        TiltWarp warp;
        warp.build(warpGeometry_);
        frameX_ = warp.frameX();
        frameY_ = warp.frameY();
    }
    const std::vector<float> frameX = std::exchange(frameX_, {});
    const std::vector<float> frameY = std::exchange(frameY_, {});
    const bool shows = frameX.size() == n && frameY.size() == n;
    // Positions in 1/256 pixel of the window, clamped so that the right and
    // lower neighbours exist.
    const double maxU = (window.width() - 1) * 256.0 - 1;
    const double maxV = (window.height() - 1) * 256.0 - 1;
    int nx0 = srcW, nx1 = 0, ny0 = srcH, ny1 = 0;
    for (int y = 0; shows && y < bh; ++y) {
        RowSpan span{bw, 0};
        for (int x = 0; x < bw; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(bw) + std::size_t(x);
            if (coverage_[i] == 0) {
                continue;
            }
            double fx = frameX[i];
            const double fy = frameY[i];
            if (std::isnan(fx) || std::isnan(fy)) {
                continue;
            }
            if (style_.mirrored) {
                fx = w - fx;
            }
            const double u = (fx - w * 0.5) / scale + srcW * 0.5 - 0.5;
            const double v = (fy - h * 0.5) / scale + srcH * 0.5 - 0.5;
            if (u < -0.5 || u > srcW - 0.5 || v < -0.5 || v > srcH - 0.5) {
                continue;  // the picture does not reach this pixel
            }
            // As a whole source would be read: the pixel and its neighbours.
            const double wholeU = std::clamp(std::round(u * 256), 0.0, (srcW - 1) * 256.0 - 1);
            const double wholeV = std::clamp(std::round(v * 256), 0.0, (srcH - 1) * 256.0 - 1);
            const int ux = int(wholeU) >> 8;
            const int vy = int(wholeV) >> 8;
            nx0 = std::min(nx0, ux);
            nx1 = std::max(nx1, ux + 2);
            ny0 = std::min(ny0, vy);
            ny1 = std::max(ny1, vy + 2);
            u_[i] = std::int32_t(std::clamp(wholeU - window.left() * 256.0, 0.0, maxU));
            v_[i] = std::int32_t(std::clamp(wholeV - window.top() * 256.0, 0.0, maxV));
            mappedCoverage_[i] = coverage_[i];
            span.begin = std::min(span.begin, x);
            span.end = x + 1;
        }
        if (span.end <= span.begin) {
            span = RowSpan{0, 0};
        }
        mappedSpans_[std::size_t(y)] = span;
    }
    neededWindow_ = nx1 > nx0 && ny1 > ny0 ? QRect(nx0, ny0, nx1 - nx0, ny1 - ny0) : QRect();
}

void PictureRenderer::buildCrop(QRect window) {
    // The source pixels the taps read, at the source's own resolution: the
    // row passes' tables copy them one to one (weight 0), and the taps move
    // into the copy.
    const QRect crop =
        neededWindow_.translated(-window.topLeft()) & QRect(QPoint(0, 0), window.size());
    if (crop.isEmpty()) {
        return;
    }
    const int cw = crop.width();
    const int ch = crop.height();
    sx_.resize(std::size_t(cw));
    wx_.assign(std::size_t(cw), 0);
    sy_.resize(std::size_t(ch));
    wy_.assign(std::size_t(ch), 0);
    for (int o = 0; o < cw; ++o) {
        sx_[std::size_t(o)] = crop.left() + o;
    }
    for (int o = 0; o < ch; ++o) {
        sy_[std::size_t(o)] = crop.top() + o;
    }
    validX0_ = validY0_ = 0;
    validX1_ = cw;
    validY1_ = ch;
    tableOffset_ = 0;
    tableWidth_ = cw;
    // The crop holds every tap's right and lower neighbours; one column and
    // one row of padding more keep a tap inside the copy whatever happens.
    copyStride_ = cw + 1;
    frameCopy_.assign(std::size_t(copyStride_) * std::size_t(ch + 1), 0);
    // Per row of the copy, the columns the taps read (the rows of a turned
    // or tilted picture read less than the whole width).
    copySpans_.assign(std::size_t(ch), RowSpan{cw, 0});
    const std::int32_t du = crop.left() * 256;
    const std::int32_t dv = crop.top() * 256;
    for (std::size_t i = 0; i < u_.size(); ++i) {
        if (mappedCoverage_[i] == 0) {
            continue;
        }
        u_[i] -= du;
        v_[i] -= dv;
        const int x = u_[i] >> 8;
        const int y = v_[i] >> 8;
        for (const int row : {y, y + 1}) {
            RowSpan& span = copySpans_[std::size_t(std::min(row, ch - 1))];
            span.begin = std::min(span.begin, x);
            span.end = std::max(span.end, std::min(x + 2, cw));
        }
    }
}

}  // namespace mirelon
