// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightBandImage.h"

#include "ringlight/AlphaPlane.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mirelon {
namespace {

QImage clearAlphaImage(int w, int h) {
    QImage img(w, h, QImage::Format_Alpha8);
    img.fill(0);
    return img;
}

QPainterPath roundedRectPath(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

uchar toByte(float v) {
    return uchar(std::lround(std::clamp(v, 0.f, 1.f) * 255.f));
}

// Layers of the compact picture, in device pixels.
struct CompactLayers {
    AlphaPlane band;  // coverage of the band before opacity
    AlphaPlane glow;  // coverage of the inner glow, masked
};

CompactLayers renderLayers(const RingLightMetrics& m, double dpr, int cw, int ch) {
    const double w = m.width * dpr;
    const double r = m.innerCornerRadius * dpr;
    const QRectF inner(w, w, cw - 2 * w, ch - 2 * w);

    QImage band = clearAlphaImage(cw, ch);
    QImage glow = clearAlphaImage(cw, ch);
    QImage mask = clearAlphaImage(cw, ch);
    {
        // The view rectangle with the rounded inner rectangle left out (even-odd).
        QPainter p(&band);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath ring;
        ring.setFillRule(Qt::OddEvenFill);
        ring.addRect(QRectF(0, 0, cw, ch));
        if (m.hasInnerRect) {
            ring.addRoundedRect(inner, r, r);
        }
        p.fillPath(ring, Qt::black);
    }
    if (m.hasInnerRect) {
        const QPainterPath innerPath = roundedRectPath(inner, r);
        QPainter g(&glow);
        g.setRenderHint(QPainter::Antialiasing);
        QPen pen(Qt::black, m.glowLineWidth * dpr, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        g.strokePath(innerPath, pen);
        g.end();
        QPainter k(&mask);
        k.setRenderHint(QPainter::Antialiasing);
        k.fillPath(innerPath, Qt::black);
    }

    CompactLayers layers{AlphaPlane::fromAlphaImage(band), AlphaPlane::fromAlphaImage(glow)};
    gaussianBlur(layers.band, m.bandBlurRadius * kSigmaPerBlurRadius * dpr);
    if (m.hasInnerRect) {
        gaussianBlur(layers.glow, m.glowBlurRadius * kSigmaPerBlurRadius * dpr);
        // Only the part inside the inner rectangle remains: the glow spills inward.
        const AlphaPlane inside = AlphaPlane::fromAlphaImage(mask);
        for (std::size_t i = 0; i < layers.glow.data.size(); ++i) {
            layers.glow.data[i] *= inside.data[i];
        }
    }
    return layers;
}

// Band below, glow above in screen mode, both in the ring colour; premultiplied.
QImage composeCompact(const RingLightMetrics& m, const CompactLayers& layers, bool opaque) {
    const int cw = layers.band.width;
    const int ch = layers.band.height;
    QImage out(cw, ch, QImage::Format_ARGB32_Premultiplied);
    const float cr = float(m.color.red);
    const float cg = float(m.color.green);
    const float cb = float(m.color.blue);
    const float bandOpacity = float(m.bandOpacity);
    const float glowOpacity = float(m.glowOpacity);
    float peak = 0;
    if (opaque) {
        for (std::size_t i = 0; i < layers.band.data.size(); ++i) {
            const float a = layers.band.data[i] * bandOpacity;
            const float gl = layers.glow.data[i] * glowOpacity;
            peak = std::max(peak, a + gl - a * gl);
        }
    }
    for (int y = 0; y < ch; ++y) {
        const float* bandRow = layers.band.row(y);
        const float* glowRow = layers.glow.row(y);
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < cw; ++x) {
            const float a = std::max(bandRow[x], 0.f) * bandOpacity;
            const float g = std::max(glowRow[x], 0.f) * glowOpacity;
            // Screen of two premultiplied layers of colour c: c*a + c*g - c*a*c*g.
            const float alpha = a + g - a * g;
            auto channel = [&](float c) { return c * (a + g) - c * c * a * g; };
            if (opaque) {
                const float s = peak > 0 ? alpha / peak : 0.f;
                dst[x] = qRgba(toByte(cr * s), toByte(cg * s), toByte(cb * s), 255);
            } else {
                const uchar A = toByte(alpha);
                dst[x] = qRgba(std::min(toByte(channel(cr)), A), std::min(toByte(channel(cg)), A),
                               std::min(toByte(channel(cb)), A), A);
            }
        }
    }
    return out;
}

// Device column (or row) of the full picture -> column of the compact one.
struct AxisMap {
    int full = 0;
    int compact = 0;
    int edge = 0;  // pixels kept verbatim at each end; the rest repeat column `edge`
    int operator()(int v) const {
        if (compact == full || v < edge) {
            return v;
        }
        if (v >= full - edge) {
            return v - (full - compact);
        }
        return edge;
    }
};

QImage expand(const QImage& compact, const AxisMap& mx, const AxisMap& my, const QRect& rect) {
    QImage out(rect.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < rect.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(compact.constScanLine(my(rect.y() + y)));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        int x = 0;
        while (x < rect.width()) {
            const int fx = rect.x() + x;
            if (mx.compact != mx.full && fx >= mx.edge && fx < mx.full - mx.edge) {
                // The repeated middle column.
                const int runEnd = std::min(rect.width(), mx.full - mx.edge - rect.x());
                std::fill(dst + x, dst + runEnd, src[mx.edge]);
                x = runEnd;
            } else {
                dst[x] = src[mx(fx)];
                ++x;
            }
        }
    }
    return out;
}

}  // namespace

RingLightBandImage RingLightBandImage::render(const RingLightMetrics& m, double dpr, bool opaque,
                                              bool compact) {
    RingLightBandImage result;
    const int fw = std::max(1, int(std::lround(m.size.width() * dpr)));
    const int fh = std::max(1, int(std::lround(m.size.height() * dpr)));
    result.deviceSize_ = QSize(fw, fh);

    // The picture is constant along an edge from `edge` pixels off each corner:
    // past the rounded corner plus the farthest reach of either blur.
    const int support = std::max(gaussianBoxSupport(m.bandBlurRadius * kSigmaPerBlurRadius * dpr),
                                 gaussianBoxSupport(m.glowBlurRadius * kSigmaPerBlurRadius * dpr));
    const int reach = m.hasInnerRect ? int(std::ceil((m.width + m.innerCornerRadius) * dpr)) : 0;
    const int edge = reach + support + 2;
    const AxisMap mx{fw, compact && fw > 2 * edge + 1 ? 2 * edge + 1 : fw, edge};
    const AxisMap my{fh, compact && fh > 2 * edge + 1 ? 2 * edge + 1 : fh, edge};
    result.compactSize_ = QSize(mx.compact, my.compact);

    const CompactLayers layers = renderLayers(m, dpr, mx.compact, my.compact);
    const QImage compactImage = composeCompact(m, layers, opaque);

    const bool bothCompact = mx.compact != fw && my.compact != fh;
    const QRgb middle = bothCompact ? compactImage.pixel(edge, edge) : 0xffffffff;
    if (bothCompact && (middle & 0x00ffffff) == 0 && (opaque || qAlpha(middle) == 0)) {
        // The middle of the display is empty: keep only the four edge strips.
        const QRect rects[] = {QRect(0, 0, fw, edge), QRect(0, fh - edge, fw, edge),
                               QRect(0, edge, edge, fh - 2 * edge),
                               QRect(fw - edge, edge, edge, fh - 2 * edge)};
        for (const QRect& r : rects) {
            result.pieces_.push_back({r, expand(compactImage, mx, my, r)});
        }
    } else {
        const QRect all(0, 0, fw, fh);
        result.pieces_.push_back({all, expand(compactImage, mx, my, all)});
    }
    return result;
}

void RingLightBandImage::draw(QPainter& painter, const QRect& deviceRect, double dpr) const {
    const QPainter::CompositionMode old = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const Piece& piece : pieces_) {
        const QRect part = piece.deviceRect.intersected(deviceRect);
        if (part.isEmpty()) {
            continue;
        }
        const QRectF target(part.x() / dpr, part.y() / dpr, part.width() / dpr,
                            part.height() / dpr);
        painter.drawImage(target, piece.image,
                          QRectF(part.translated(-piece.deviceRect.topLeft())));
    }
    painter.setCompositionMode(old);
}

QImage RingLightBandImage::toImage() const {
    QImage out(deviceSize_, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    draw(p, QRect(QPoint(0, 0), deviceSize_), 1.0);
    return out;
}

RingLightHoleSprite RingLightHoleSprite::render(const RingLightMetrics& m, double dpr) {
    RingLightHoleSprite sprite;
    const double radius = m.holeRadius * dpr;
    const double sigma = m.holeBlurRadius * kSigmaPerBlurRadius * dpr;
    sprite.half_ = int(std::ceil(radius)) + gaussianBoxSupport(sigma) + 1;
    const int size = 2 * sprite.half_ + 1;

    QImage disc = clearAlphaImage(size, size);
    {
        QPainter p(&disc);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(sprite.half_ + 0.5, sprite.half_ + 0.5);
        QRadialGradient gradient(c, radius);
        for (const auto& [location, opacity] : m.holeStops) {
            gradient.setColorAt(location, QColor::fromRgbF(0, 0, 0, float(opacity)));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(gradient);
        p.drawEllipse(c, radius, radius);
    }
    AlphaPlane plane = AlphaPlane::fromAlphaImage(disc);
    gaussianBlur(plane, sigma);

    sprite.image_ = QImage(size, size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size; ++y) {
        const float* src = plane.row(y);
        auto* dst = reinterpret_cast<QRgb*>(sprite.image_.scanLine(y));
        for (int x = 0; x < size; ++x) {
            dst[x] = qRgba(0, 0, 0, toByte(src[x]));
        }
    }
    return sprite;
}

QRect RingLightHoleSprite::deviceRect(const QPointF& center, double dpr) const {
    const int cx = int(std::floor(center.x() * dpr));
    const int cy = int(std::floor(center.y() * dpr));
    const int size = 2 * half_ + 1;
    return QRect(cx - half_, cy - half_, size, size);
}

}  // namespace mirelon
