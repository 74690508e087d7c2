#include "panels/content/PictureRenderer.h"

#include "panels/content/SquircleShape.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mirelon {
namespace {

// Frames larger than this (device pixels per side) are rendered smaller; it
// bounds every buffer here whatever the stored size factor says.
constexpr int maxFrameSide = 4096;

inline std::uint32_t lerpPixel(std::uint32_t a, std::uint32_t b, std::uint32_t w) {
    // w in 0...256; two channels per multiply.
    const std::uint32_t iw = 256 - w;
    const std::uint32_t rb = (((a & 0xFF00FFu) * iw + (b & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
    const std::uint32_t ag =
        (((a >> 8) & 0xFF00FFu) * iw + ((b >> 8) & 0xFF00FFu) * w) & 0xFF00FF00u;
    return rb | ag;
}

inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a) {
    std::uint32_t t = (x & 0xFF00FFu) * a;
    t = ((t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8) & 0xFF00FFu;
    x = ((x >> 8) & 0xFF00FFu) * a;
    x = (x + ((x >> 8) & 0xFF00FFu) + 0x800080u) & 0xFF00FF00u;
    return x | t;
}

// Row kernels. Each is a plain loop over arrays so that the compiler
// vectorises it; the AVX2 clone is picked at run time where the CPU has it.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang_analyzer__)
#define MIRELON_ROW_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define MIRELON_ROW_KERNEL
#endif

// out = a + (b - a) * w / 256 per channel, w in 0...256.
MIRELON_ROW_KERNEL
void lerpRows(std::uint32_t* __restrict out, const std::uint32_t* __restrict a,
              const std::uint32_t* __restrict b, int count, std::uint32_t w) {
    for (int i = 0; i < count; ++i) {
        out[i] = lerpPixel(a[i], b[i], w);
    }
}

// out[i] = columns[index[i] - first] blended with its right neighbour by
// weight[i] (0...256), opaque.
MIRELON_ROW_KERNEL
void gatherRow(std::uint32_t* __restrict out, const std::uint32_t* __restrict columns,
               const std::int32_t* __restrict index, const std::uint16_t* __restrict weight,
               int first, int count) {
    for (int i = 0; i < count; ++i) {
        const int c = index[i] - first;
        out[i] = lerpPixel(columns[c], columns[c + 1], weight[i]) | 0xFF000000u;
    }
}

// The colour matrix on opaque pixels, clamped once.
MIRELON_ROW_KERNEL
void colorRow(std::uint32_t* __restrict p, int count, const FixedColorMatrix& c) {
    const int sh = FixedColorMatrix::shift;
    const int m0 = c.m[0], m1 = c.m[1], m2 = c.m[2], m3 = c.m[3], m4 = c.m[4], m5 = c.m[5],
              m6 = c.m[6], m7 = c.m[7], m8 = c.m[8];
    const int o0 = c.offset[0], o1 = c.offset[1], o2 = c.offset[2];
    for (int i = 0; i < count; ++i) {
        const std::uint32_t v = p[i];
        const int r = int((v >> 16) & 0xFF);
        const int g = int((v >> 8) & 0xFF);
        const int b = int(v & 0xFF);
        const int R = std::min(255, std::max(0, (m0 * r + m1 * g + m2 * b + o0) >> sh));
        const int G = std::min(255, std::max(0, (m3 * r + m4 * g + m5 * b + o1) >> sh));
        const int B = std::min(255, std::max(0, (m6 * r + m7 * g + m8 * b + o2) >> sh));
        p[i] = 0xFF000000u | (std::uint32_t(R) << 16) | (std::uint32_t(G) << 8) | std::uint32_t(B);
    }
}

// out = picture x coverage + border (premultiplied); coverage 255 keeps the
// picture exactly, and where it is 255 the border is empty.
MIRELON_ROW_KERNEL
void compositeRow(std::uint32_t* __restrict out, const std::uint32_t* __restrict picture,
                  const std::uint8_t* __restrict coverage, const std::uint32_t* __restrict border,
                  int count) {
    for (int i = 0; i < count; ++i) {
        out[i] = byteMul(picture[i], coverage[i]) + border[i];
    }
}

void buildAxis(int outCount, int sourceCount, double scale, bool mirrored,
               std::vector<std::int32_t>& index, std::vector<std::uint16_t>& weight, int& valid0,
               int& valid1) {
    index.assign(std::size_t(outCount), 0);
    weight.assign(std::size_t(outCount), 0);
    valid0 = outCount;
    valid1 = 0;
    for (int o = 0; o < outCount; ++o) {
        const int oo = mirrored ? outCount - 1 - o : o;
        const double u = (oo + 0.5 - outCount * 0.5) / scale + sourceCount * 0.5 - 0.5;
        if (u < -0.5 || u > sourceCount - 0.5) {
            continue;
        }
        valid0 = std::min(valid0, o);
        valid1 = std::max(valid1, o + 1);
        double base = std::floor(u);
        double frac = u - base;
        if (base < 0) {
            base = 0;
            frac = 0;
        }
        if (base >= sourceCount - 1) {
            base = sourceCount - 2;
            frac = 1;
        }
        index[std::size_t(o)] = std::int32_t(base);
        weight[std::size_t(o)] = std::uint16_t(std::lround(frac * 256));
    }
    if (valid1 < valid0) {
        valid0 = valid1 = 0;
    }
}

}  // namespace

PictureRenderer::PictureRenderer() {
    rebuildTemplates();
}

QRectF PictureRenderer::blockRect() const {
    const double scaleX = frameDevice_.width() / style_.frameSize.width();
    const double m = margin_ / scaleX;
    return {-m, -m, style_.frameSize.width() + 2 * m, style_.frameSize.height() + 2 * m};
}

void PictureRenderer::setStyle(const PictureStyle& style) {
    if (style == style_ && templatesValid_) {
        return;
    }
    const PictureStyle old = style_;
    style_ = style;
    fixedColor_ = FixedColorMatrix::from(style_.color);
    const bool geometryChanged =
        !templatesValid_ || old.frameSize != style.frameSize ||
        old.devicePixelRatio != style.devicePixelRatio || old.exponent != style.exponent ||
        old.borderThickness != style.borderThickness || old.borderColor != style.borderColor;
    if (geometryChanged) {
        rebuildTemplates();
    } else if (old.opacity != style.opacity) {
        rebuildCoverage();
    }
    if (geometryChanged || old.zoom != style.zoom || old.mirrored != style.mirrored) {
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

    const QSize blockSize = frameDevice_ + QSize(2 * margin_, 2 * margin_);
    block_ = QImage(blockSize, QImage::Format_ARGB32_Premultiplied);
    block_.setDevicePixelRatio(sx);
    block_.fill(Qt::transparent);

    const QPainterPath outline = SquircleShape{style_.exponent}.path(QRectF(0, 0, w, h));
    QImage maskImage(blockSize, QImage::Format_ARGB32_Premultiplied);
    maskImage.fill(Qt::transparent);
    {
        QPainter p(&maskImage);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(margin_, margin_);
        p.scale(sx, sy);
        p.fillPath(outline, Qt::white);
    }
    QImage borderImage(blockSize, QImage::Format_ARGB32_Premultiplied);
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

    const int bw = blockSize.width();
    const int bh = blockSize.height();
    const std::size_t n = std::size_t(bw) * std::size_t(bh);
    mask_.resize(n);
    border_.resize(n);
    borderAlpha_.resize(n);
    for (int y = 0; y < bh; ++y) {
        const auto* m = reinterpret_cast<const std::uint32_t*>(maskImage.constScanLine(y));
        const auto* b = reinterpret_cast<const std::uint32_t*>(borderImage.constScanLine(y));
        for (int x = 0; x < bw; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(bw) + std::size_t(x);
            mask_[i] = std::uint8_t(m[x] >> 24);
            border_[i] = b[x];
            borderAlpha_[i] = std::uint8_t(b[x] >> 24);
        }
    }
    rebuildCoverage();
}

void PictureRenderer::rebuildCoverage() {
    const int bw = block_.width();
    const int bh = block_.height();
    coverage_.resize(mask_.size());
    const double opacity =
        std::isfinite(style_.opacity) ? std::clamp(style_.opacity, 0.0, 1.0) : 1.0;
    const int op = int(std::lround(opacity * 255));
    spans_.assign(std::size_t(bh), RowSpan{});
    for (int y = 0; y < bh; ++y) {
        RowSpan span{bw, 0};
        for (int x = 0; x < bw; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(bw) + std::size_t(x);
            // Floor, so that coverage plus border alpha never exceeds 255.
            const int k = (mask_[i] * (255 - borderAlpha_[i]) * op) / (255 * 255);
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

void PictureRenderer::rebuildSampling(QSize sourceSize) {
    sampledSourceSize_ = sourceSize;
    const int w = frameDevice_.width();
    const int h = frameDevice_.height();
    const double zoom = std::isfinite(style_.zoom) && style_.zoom > 0 ? style_.zoom : 1.0;
    // Aspect fill: the source covers the frame, cropping what does not fit.
    const double scale =
        std::max(double(w) / sourceSize.width(), double(h) / sourceSize.height()) * zoom;
    buildAxis(w, sourceSize.width(), scale, style_.mirrored, sx_, wx_, validX0_, validX1_);
    buildAxis(h, sourceSize.height(), scale, false, sy_, wy_, validY0_, validY1_);
    rowBuffer_.assign(std::size_t(block_.width()), 0);
    blendBuffer_.assign(std::size_t(sourceSize.width()) + 2, 0);
}

void PictureRenderer::renderEmpty() {
    const int bw = block_.width();
    for (int y = 0; y < block_.height(); ++y) {
        std::memcpy(block_.scanLine(y), border_.data() + std::size_t(y) * std::size_t(bw),
                    std::size_t(bw) * 4);
    }
    hasPicture_ = false;
}

void PictureRenderer::render(const QImage& source) {
    if (source.isNull() || source.width() < 2 || source.height() < 2) {
        renderEmpty();
        return;
    }
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
    if (src->size() != sampledSourceSize_) {
        rebuildSampling(src->size());
    }
    renderRows(*src);
    hasPicture_ = true;
}

void PictureRenderer::renderRows(const QImage& source) {
    const int bw = block_.width();
    const int bh = block_.height();
    const int m = margin_;
    const int srcH = source.height();
    const bool identity = fixedColor_.identity;
    const int px0 = validX0_ + m;
    const int px1 = validX1_ + m;
    uchar* const outBits = block_.bits();
    const qsizetype outStride = block_.bytesPerLine();
    const uchar* const srcBits = source.constBits();
    const qsizetype srcStride = source.bytesPerLine();
    const std::int32_t* sxs = sx_.data() - m;  // indexed by block column
    const std::uint16_t* wxs = wx_.data() - m;
    std::uint32_t* const row = rowBuffer_.data();
    std::uint32_t* const blended = blendBuffer_.data();

    for (int y = 0; y < bh; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(outBits + y * outStride);
        const std::size_t rowBase = std::size_t(y) * std::size_t(bw);
        const std::uint32_t* border = border_.data() + rowBase;
        const std::uint8_t* coverage = coverage_.data() + rowBase;
        const int fy = y - m;
        int x0 = spans_[std::size_t(y)].begin;
        int x1 = spans_[std::size_t(y)].end;
        if (fy < validY0_ || fy >= validY1_) {
            x0 = x1 = 0;
        }
        x0 = std::max(x0, px0);
        x1 = std::min(x1, px1);
        if (x1 <= x0) {
            std::memcpy(out, border, std::size_t(bw) * 4);
            continue;
        }
        std::memcpy(out, border, std::size_t(x0) * 4);
        std::memcpy(out + x1, border + x1, std::size_t(bw - x1) * 4);

        // Blend the two source rows over the columns this row reads, then
        // blend neighbouring columns per output pixel.
        const int first = std::min(sxs[x0], sxs[x1 - 1]);
        const int last = std::max(sxs[x0], sxs[x1 - 1]) + 1;
        const int s0 = sy_[std::size_t(fy)];
        const int s1 = std::min(s0 + 1, srcH - 1);
        const std::uint32_t wy = wy_[std::size_t(fy)];
        const auto* row0 = reinterpret_cast<const std::uint32_t*>(srcBits + s0 * srcStride) + first;
        const std::uint32_t* columns = row0;
        if (wy != 0) {
            const auto* row1 =
                reinterpret_cast<const std::uint32_t*>(srcBits + s1 * srcStride) + first;
            lerpRows(blended, row0, row1, last - first + 1, wy);
            columns = blended;
        }
        gatherRow(row + x0, columns, sxs + x0, wxs + x0, first, x1 - x0);
        if (!identity) {
            colorRow(row + x0, x1 - x0, fixedColor_);
        }
        compositeRow(out + x0, row + x0, coverage + x0, border + x0, x1 - x0);
    }
}

QImage PictureRenderer::silhouette(double pictureAlpha) const {
    QImage out(block_.size(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(block_.devicePixelRatio());
    const int bw = block_.width();
    const int a = int(std::lround(std::clamp(pictureAlpha, 0.0, 1.0) * 255));
    for (int y = 0; y < block_.height(); ++y) {
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
