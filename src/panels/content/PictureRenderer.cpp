// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/PictureRenderer.h"

#include "panels/content/PictureKernels.h"
#include "panels/content/PictureRendererRows.h"
#include "panels/content/SquircleShape.h"
#include "panels/content/TiltProjection.h"
#include "panels/content/TiltWarp.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mirelon {
namespace {

using namespace PictureKernels;

// Frames larger than this (device pixels per side) are rendered smaller; it
// bounds every buffer here whatever the stored size factor says.
constexpr int maxFrameSide = 4096;

// Source index and weight per output pixel along one axis. The source has
// `sourceCount` pixels, of which [lo, hi) are at hand: indices are relative to
// lo and clamped into it (a window that covers what is read changes nothing).
// needed0/needed1 receive the source pixels read before clamping to the window.
void buildAxis(int outCount, int sourceCount, int lo, int hi, double scale, bool mirrored,
               std::vector<std::int32_t>& index, std::vector<std::uint16_t>& weight, int& valid0,
               int& valid1, int& needed0, int& needed1) {
    index.assign(std::size_t(outCount), 0);
    weight.assign(std::size_t(outCount), 0);
    valid0 = outCount;
    valid1 = 0;
    needed0 = sourceCount;
    needed1 = 0;
    const int count = hi - lo;
    for (int o = 0; o < outCount; ++o) {
        const int oo = mirrored ? outCount - 1 - o : o;
        const double u = (oo + 0.5 - outCount * 0.5) / scale + sourceCount * 0.5 - 0.5;
        if (u < -0.5 || u > sourceCount - 0.5) {
            continue;
        }
        valid0 = std::min(valid0, o);
        valid1 = std::max(valid1, o + 1);
        // The pixel and its neighbour, as a whole source would read them.
        const int whole = std::clamp(int(std::floor(u)), 0, sourceCount - 2);
        needed0 = std::min(needed0, whole);
        needed1 = std::max(needed1, whole + 2);
        // Whole pixels of the window from the same arithmetic as a whole source.
        double base = std::floor(u);
        double frac = u - base;
        base -= lo;
        if (base < 0) {
            base = 0;
            frac = 0;
        }
        if (base >= count - 1) {
            base = count - 2;
            frac = 1;
        }
        index[std::size_t(o)] = std::int32_t(base);
        weight[std::size_t(o)] = std::uint16_t(std::lround(frac * 256));
    }
    if (valid1 < valid0) {
        valid0 = valid1 = 0;
        needed0 = needed1 = 0;
    }
}

}  // namespace

PictureRenderer::PictureRenderer() {
    rebuildTemplates();
}

QRectF PictureRenderer::blockRect() const {
    const double scaleX = frameDevice_.width() / std::max(1.0, style_.frameSize.width());
    const double scaleY = frameDevice_.height() / std::max(1.0, style_.frameSize.height());
    return {origin_.x() / scaleX, origin_.y() / scaleY, block_.width() / scaleX,
            block_.height() / scaleY};
}

QRectF PictureRenderer::opaqueRect() const {
    if (!hasPicture_ || opaqueBlock_.isEmpty()) {
        return {};
    }
    const double scaleX = frameDevice_.width() / std::max(1.0, style_.frameSize.width());
    const double scaleY = frameDevice_.height() / std::max(1.0, style_.frameSize.height());
    return {(origin_.x() + opaqueBlock_.x()) / scaleX, (origin_.y() + opaqueBlock_.y()) / scaleY,
            opaqueBlock_.width() / scaleX, opaqueBlock_.height() / scaleY};
}

QSize PictureRenderer::wantedSourceSize() const {
    const double zoom = std::isfinite(style_.zoom) && style_.zoom > 0 ? style_.zoom : 1.0;
    // Where the tilt brings the picture nearest it is enlarged by the
    // magnification. That corner may be a little softer than the rest: a
    // source that serves the flat picture (shown enlarged by at most 1.25,
    // see the JPEG reduction) may be enlarged by up to 1.6 there.
    const double k = zoom * std::max(1.0, magnification_ / 1.28);
    return QSize(int(std::ceil(frameDevice_.width() * k)),
                 int(std::ceil(frameDevice_.height() * k)));
}

QRectF PictureRenderer::wantedSourceRegion() const {
    if (sampledSourceSize_.isEmpty() || neededWindow_.isEmpty()) {
        return {};
    }
    const double w = sampledSourceSize_.width();
    const double h = sampledSourceSize_.height();
    return {neededWindow_.x() / w, neededWindow_.y() / h, neededWindow_.width() / w,
            neededWindow_.height() / h};
}

QRectF PictureRenderer::flatBlockRect() const {
    const double scaleX = frameDevice_.width() / std::max(1.0, style_.frameSize.width());
    const double scaleY = frameDevice_.height() / std::max(1.0, style_.frameSize.height());
    return {-margin_ / scaleX, -margin_ / scaleY, flatSize_.width() / scaleX,
            flatSize_.height() / scaleY};
}

void PictureRenderer::setStyle(const PictureStyle& style) {
    if (style == style_ && templatesValid_) {
        return;
    }
    const PictureStyle old = style_;
    style_ = style;
    fixedColor_ = FixedColorMatrix::from(style_.color);
    yuvColorValid_ = false;
    const bool wasTilted = mirelon::isTilted(old.xAngle, old.yAngle, old.zAngle);
    const bool tilted = mirelon::isTilted(style.xAngle, style.yAngle, style.zAngle);
    const bool tiltChanged =
        wasTilted != tilted ||
        (tilted && (old.xAngle != style.xAngle || old.yAngle != style.yAngle ||
                    old.zAngle != style.zAngle || old.visibleArea != style.visibleArea));
    const bool geometryChanged =
        !templatesValid_ || tiltChanged || old.frameSize != style.frameSize ||
        old.devicePixelRatio != style.devicePixelRatio || old.exponent != style.exponent ||
        old.borderThickness != style.borderThickness || old.borderColor != style.borderColor;
    if (geometryChanged) {
        rebuildTemplates();
    } else if (old.opacity != style.opacity) {
        rebuildCoverage();
    }
    if (geometryChanged || old.opacity != style.opacity || old.zoom != style.zoom ||
        old.mirrored != style.mirrored) {
        sampledSourceSize_ = QSize();  // tables follow on the next frame
    }
}

void PictureRenderer::rebuildTemplates() {
    templatesValid_ = true;
    const double dpr = std::clamp(
        std::isfinite(style_.devicePixelRatio) ? style_.devicePixelRatio : 1.0, 0.25, 8.0);
    const double w = std::max(1.0, style_.frameSize.width());
    const double h = std::max(1.0, style_.frameSize.height());
    double scale = dpr;
    scale = std::min(scale, maxFrameSide / std::max(w, h));
    frameDevice_ =
        QSize(std::max(2, int(std::lround(w * scale))), std::max(2, int(std::lround(h * scale))));
    const double sx = frameDevice_.width() / w;
    const double sy = frameDevice_.height() / h;
    const double border = style_.borderThickness > 0 ? style_.borderThickness : 0.0;
    margin_ = border > 0 ? int(std::ceil(border * sx * 0.5)) + 1 : 0;

    flatSize_ = frameDevice_ + QSize(2 * margin_, 2 * margin_);
    const QPainterPath outline = SquircleShape{style_.exponent}.path(QRectF(0, 0, w, h));
    QImage maskImage(flatSize_, QImage::Format_ARGB32_Premultiplied);
    maskImage.fill(Qt::transparent);
    {
        QPainter p(&maskImage);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(margin_, margin_);
        p.scale(sx, sy);
        p.fillPath(outline, Qt::white);
    }
    QImage borderImage(flatSize_, QImage::Format_ARGB32_Premultiplied);
    borderImage.fill(Qt::transparent);
    if (border > 0) {
        QPainter p(&borderImage);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(margin_, margin_);
        p.scale(sx, sy);
        QPen pen(style_.borderColor, border, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        p.strokePath(outline, pen);
    }

    const int fw = flatSize_.width();
    const int fh = flatSize_.height();
    const std::size_t n = std::size_t(fw) * std::size_t(fh);
    mask_.resize(n);
    borderAlpha_.resize(n);
    std::vector<std::uint32_t> flatBorder(n);
    for (int y = 0; y < fh; ++y) {
        const auto* m = reinterpret_cast<const std::uint32_t*>(maskImage.constScanLine(y));
        const auto* b = reinterpret_cast<const std::uint32_t*>(borderImage.constScanLine(y));
        for (int x = 0; x < fw; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(fw) + std::size_t(x);
            mask_[i] = std::uint8_t(m[x] >> 24);
            flatBorder[i] = b[x];
            borderAlpha_[i] = std::uint8_t(b[x] >> 24);
        }
    }

    tilted_ = mirelon::isTilted(style_.xAngle, style_.yAngle, style_.zAngle);
    QSize blockSize = flatSize_;
    if (tilted_) {
        warpGeometry_ = {
            QSizeF(w, h),      sx, sy, margin_, style_.xAngle, style_.yAngle, style_.zAngle,
            style_.visibleArea};
        TiltWarp warp;
        warp.build(warpGeometry_);
        origin_ = warp.deviceRect().topLeft();
        magnification_ = warp.magnification();
        blockSize = warp.deviceRect().size().expandedTo(QSize(1, 1));
        if (warp.deviceRect().isEmpty()) {
            // Nothing of the block can show: one transparent pixel.
            shownMask_.assign(1, 0);
            border_.assign(1, 0);
        } else {
            shownMask_ = warp.warp(mask_, fw, fh);
            border_ = warp.warp(flatBorder, fw, fh);
            frameX_ = warp.frameX();
            frameY_ = warp.frameY();
        }
        shownBorderAlpha_.resize(border_.size());
        for (std::size_t i = 0; i < border_.size(); ++i) {
            shownBorderAlpha_[i] = std::uint8_t(border_[i] >> 24);
        }
    } else {
        origin_ = QPoint(-margin_, -margin_);
        magnification_ = 1.0;
        shownMask_ = mask_;
        border_ = std::move(flatBorder);
        shownBorderAlpha_ = borderAlpha_;
    }
    if (block_.size() != blockSize) {
        backdrop_ = QImage();
        composed_ = {};
    }
    block_ = QImage(blockSize, QImage::Format_ARGB32_Premultiplied);
    block_.setDevicePixelRatio(sx);
    block_.fill(Qt::transparent);
    drawnSpans_.clear();
    opaqueBlock_ = QRect();
    rebuildCoverage();
}

void PictureRenderer::rebuildCoverage() {
    const int bw = block_.width();
    const int bh = block_.height();
    composedValid_ = false;
    coverage_.resize(shownMask_.size());
    opaqueBlock_ = QRect();  // found again with the sampling
    const double opacity =
        std::isfinite(style_.opacity) ? std::clamp(style_.opacity, 0.0, 1.0) : 1.0;
    const int op = int(std::lround(opacity * 255));
    spans_.assign(std::size_t(bh), RowSpan{});
    for (int y = 0; y < bh; ++y) {
        RowSpan span{bw, 0};
        for (int x = 0; x < bw; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(bw) + std::size_t(x);
            // Floor, so that coverage plus border alpha never exceeds 255.
            const int k = (shownMask_[i] * (255 - shownBorderAlpha_[i]) * op) / (255 * 255);
            coverage_[i] = std::uint8_t(k);
            if (k > 0) {
                span.begin = std::min(span.begin, x);
                span.end = x + 1;
            }
        }
        if (span.end <= span.begin) {
            span = RowSpan{0, 0};
        }
        spans_[std::size_t(y)] = span;
    }
}

void PictureRenderer::rebuildSampling(QSize sourceSize, QRect window, bool copied) {
    sampledSourceSize_ = sourceSize;
    sampledWindow_ = window;
    sampledTilted_ = tilted_;
    sampledCopied_ = copied;
    composedValid_ = false;
    flatYuvLayout_ = {};
    rowBuffer_.assign(std::size_t(block_.width()), 0);
    blendBuffer_.assign(std::size_t(window.width()) + 2, 0);
    frameCopy_ = {};
    copySpans_ = {};
    if (tilted_) {
        rebuildPositions(sourceSize, window);
        if (copied) {
            buildCrop(window);
        }
        findOpaqueBlock();
        return;
    }
    u_ = {};
    v_ = {};
    mappedCoverage_ = {};
    const int w = frameDevice_.width();
    const int h = frameDevice_.height();
    const double zoom = std::isfinite(style_.zoom) && style_.zoom > 0 ? style_.zoom : 1.0;
    // Aspect fill: the source covers the frame, cropping what does not fit.
    const double scale =
        std::max(double(w) / sourceSize.width(), double(h) / sourceSize.height()) * zoom;
    int nx0 = 0, nx1 = 0, ny0 = 0, ny1 = 0;
    buildAxis(w, sourceSize.width(), window.left(), window.left() + window.width(), scale,
              style_.mirrored, sx_, wx_, validX0_, validX1_, nx0, nx1);
    buildAxis(h, sourceSize.height(), window.top(), window.top() + window.height(), scale, false,
              sy_, wy_, validY0_, validY1_, ny0, ny1);
    neededWindow_ = QRect(QPoint(nx0, ny0), QPoint(nx1 - 1, ny1 - 1));
    tableOffset_ = margin_;
    tableWidth_ = block_.width();
    findOpaqueBlock();
}

int PictureRenderer::pictureCoverage(int x, int y) const {
    const std::size_t i = std::size_t(y) * std::size_t(block_.width()) + std::size_t(x);
    if (sampledTilted_) {
        const RowSpan span = mappedSpans_[std::size_t(y)];
        return x >= span.begin && x < span.end ? mappedCoverage_[i] : 0;
    }
    const int m = margin_;
    const RowSpan span = spans_[std::size_t(y)];
    const bool reached = y - m >= validY0_ && y - m < validY1_ && x - m >= validX0_ &&
                         x - m < validX1_ && x >= span.begin && x < span.end;
    return reached ? coverage_[i] : 0;
}

void PictureRenderer::findOpaqueBlock() {
    // Pictures are opaque: a block pixel is, where its picture coverage and
    // border alpha add up to all of it.
    const int bw = block_.width();
    const int bh = block_.height();
    auto opaque = [&](int x, int y) {
        const std::size_t i = std::size_t(y) * std::size_t(bw) + std::size_t(x);
        return pictureCoverage(x, y) + int(border_[i] >> 24) >= 255;
    };
    // Per row, the opaque run through the middle column; then the tallest
    // band of rows around the middle row whose runs overlap widest.
    const int cx = bw / 2;
    const int cy = bh / 2;
    std::vector<RowSpan> runs(static_cast<std::size_t>(bh));
    for (int y = 0; y < bh; ++y) {
        RowSpan run{cx, cx};
        if (cx < bw && opaque(cx, y)) {
            while (run.begin > 0 && opaque(run.begin - 1, y)) {
                --run.begin;
            }
            run.end = cx + 1;
            while (run.end < bw && opaque(run.end, y)) {
                ++run.end;
            }
        }
        runs[std::size_t(y)] = run;
    }
    opaqueBlock_ = QRect();
    RowSpan common{0, bw};
    for (int reach = 0; cy - reach >= 0 && cy + reach < bh; ++reach) {
        for (const int y : {cy - reach, cy + reach}) {
            common.begin = std::max(common.begin, runs[std::size_t(y)].begin);
            common.end = std::min(common.end, runs[std::size_t(y)].end);
        }
        if (common.end <= common.begin) {
            break;
        }
        const QRect band(common.begin, cy - reach, common.end - common.begin, 2 * reach + 1);
        if (std::int64_t(band.width()) * band.height() >
            std::int64_t(opaqueBlock_.width()) * opaqueBlock_.height()) {
            opaqueBlock_ = band;
        }
    }
}

void PictureRenderer::renderEmpty() {
    const int bw = block_.width();
    for (int y = 0; y < block_.height(); ++y) {
        std::memcpy(block_.scanLine(y), border_.data() + std::size_t(y) * std::size_t(bw),
                    std::size_t(bw) * 4);
    }
    // The next frame writes every row's template again: with a backdrop it
    // is not the border alone.
    drawnSpans_.clear();
    hasPicture_ = false;
}

void PictureRenderer::render(const VideoFrame& frame) {
    if (frame.isNull() || frame.window().width() < 2 || frame.window().height() < 2) {
        renderEmpty();
        return;
    }
    // Tilted YUV frames are tapped in an RGB copy of the part read; tilted
    // RGB frames, a single tap per pixel already, where they are.
    const bool copied = tilted_ && frame.isYuv();
    if (frame.size() != sampledSourceSize_ || sampledTilted_ != tilted_ ||
        sampledCopied_ != copied || frame.window() != sampledWindow_) {
        rebuildSampling(frame.size(), frame.window(), copied);
    }
    if (frame.isYuv()) {
        renderYuv(frame);
        return;
    }
    const QImage& source = frame.image();
    const QImage* src = &source;
    const QImage::Format f = source.format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
        f != QImage::Format_ARGB32_Premultiplied) {
        // Not the capture format: convert into a reused buffer.
        if (converted_.size() != source.size()) {
            converted_ = QImage(source.size(), QImage::Format_RGB32);
        }
        {
            QPainter p(&converted_);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, source);
        }
        src = &converted_;
    }
    const FixedColorMatrix* color = fixedColor_.identity ? nullptr : &fixedColor_;
    if (tilted_) {
        const auto* pixels = reinterpret_cast<const std::uint32_t*>(src->constBits());
        const int stride = int(src->bytesPerLine() / 4);
        const std::size_t bw = std::size_t(block_.width());
        const std::int32_t* const uEnd = u_.data() + u_.size();
        renderMappedRowsWith(
            color, [&](std::uint32_t* out, const std::int32_t* u, const std::int32_t* v, int n) {
                // The source pixels of the row below are fetched while this
                // one is sampled: a frame just decoded on another thread is
                // in no cache of this one, and the taps follow no pattern
                // the processor would foresee.
                if (u + bw + std::size_t(n) <= uEnd) {
                    const std::int32_t* nu = u + bw;
                    const std::int32_t* nv = v + bw;
                    for (int i = 0; i < n; i += 8) {
                        const std::uint32_t* p = pixels + (nv[i] >> 8) * stride + (nu[i] >> 8);
                        __builtin_prefetch(p);
                        __builtin_prefetch(p + stride);
                    }
                }
                gatherPixels(out, pixels, stride, u, v, n);
            });
    } else {
        renderFlatRowsWith(color, [&](std::uint32_t* row, int fy, int x0, int x1) {
            fillRgbRow(*src, row, fy, x0, x1);
        });
    }
    hasPicture_ = true;
}

void PictureRenderer::fillRgbRow(const QImage& source, std::uint32_t* row, int fy, int x0, int x1) {
    // Blend the two source rows over the columns the row reads, then blend
    // neighbouring columns per output pixel.
    const int srcH = source.height();
    const std::int32_t* sxs = sx_.data() - tableOffset_;  // indexed by table column
    const std::uint16_t* wxs = wx_.data() - tableOffset_;
    const int first = std::min(sxs[x0], sxs[x1 - 1]);
    const int last = std::max(sxs[x0], sxs[x1 - 1]) + 1;
    const int s0 = sy_[std::size_t(fy)];
    const int s1 = std::min(s0 + 1, srcH - 1);
    const std::uint32_t wy = wy_[std::size_t(fy)];
    const auto* row0 = reinterpret_cast<const std::uint32_t*>(source.constScanLine(s0)) + first;
    const std::uint32_t* columns = row0;
    if (wy != 0) {
        const auto* row1 = reinterpret_cast<const std::uint32_t*>(source.constScanLine(s1)) + first;
        lerpRows(blendBuffer_.data(), row0, row1, last - first + 1, wy);
        columns = blendBuffer_.data();
    }
    gatherRow(row + x0, columns, sxs + x0, wxs + x0, first, x1 - x0);
}

QImage PictureRenderer::silhouette(double pictureAlpha) const {
    QImage out(flatSize_, QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(block_.devicePixelRatio());
    const int bw = flatSize_.width();
    const int a = int(std::lround(std::clamp(pictureAlpha, 0.0, 1.0) * 255));
    for (int y = 0; y < flatSize_.height(); ++y) {
        auto* o = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
        for (int x = 0; x < bw; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(bw) + std::size_t(x);
            const int ba = borderAlpha_[i];
            const int v = std::min(255, ba + (mask_[i] * (255 - ba) * a) / (255 * 255));
            o[x] = std::uint32_t(v) << 24;
        }
    }
    return out;
}

}  // namespace mirelon
