// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/ShadowRenderer.h"

#include <algorithm>
#include <cmath>

namespace mirelon {

QImage ShadowRenderer::render(const QImage& silhouette, double radiusPixels, double opacity) {
    const QImage src = silhouette.format() == QImage::Format_ARGB32_Premultiplied
                           ? silhouette
                           : silhouette.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = src.width();
    const int h = src.height();
    QImage out(src.size(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(src.devicePixelRatio());
    if (w == 0 || h == 0) {
        return out;
    }
    alpha_.assign(std::size_t(w) * std::size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        const auto* s = reinterpret_cast<const std::uint32_t*>(src.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            alpha_[std::size_t(y) * std::size_t(w) + std::size_t(x)] = std::uint16_t(s[x] >> 24);
        }
    }
    const double sigma = std::max(0.0, radiusPixels) / 2.0;
    if (sigma > 0.3) {
        // Three boxes whose combined variance matches sigma^2.
        const double ideal = std::sqrt(12.0 * sigma * sigma / 3.0 + 1.0);
        int lower = int(std::floor(ideal));
        if (lower % 2 == 0) {
            --lower;
        }
        const int upper = lower + 2;
        const double mIdeal = (12.0 * sigma * sigma - 3.0 * lower * lower - 12.0 * lower - 9.0) /
                              (-4.0 * lower - 4.0);
        const int m = int(std::lround(mIdeal));
        for (int i = 0; i < 3; ++i) {
            const int size = i < m ? lower : upper;
            const int r = std::max(0, (size - 1) / 2);
            if (r > 0) {
                boxBlur(alpha_, w, h, r, true);
                boxBlur(alpha_, w, h, r, false);
            }
        }
    }
    const int op = int(std::lround(std::clamp(opacity, 0.0, 1.0) * 256));
    for (int y = 0; y < h; ++y) {
        auto* o = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int a = (alpha_[std::size_t(y) * std::size_t(w) + std::size_t(x)] * op) >> 8;
            o[x] = std::uint32_t(std::min(a, 255)) << 24;  // black, premultiplied
        }
    }
    return out;
}

void ShadowRenderer::boxBlur(std::vector<std::uint16_t>& data, int width, int height, int radius,
                             bool horizontal) {
    const int count = horizontal ? width : height;
    const int lines = horizontal ? height : width;
    const std::size_t step = horizontal ? 1 : std::size_t(width);
    line_.resize(std::size_t(count));
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        std::uint16_t* base =
            data.data() + (horizontal ? std::size_t(l) * std::size_t(width) : std::size_t(l));
        for (int i = 0; i < count; ++i) {
            line_[std::size_t(i)] = base[std::size_t(i) * step];
        }
        // Running sum; outside the image counts as transparent.
        int sum = 0;
        for (int i = 0; i <= radius && i < count; ++i) {
            sum += line_[std::size_t(i)];
        }
        for (int i = 0; i < count; ++i) {
            base[std::size_t(i) * step] = std::uint16_t((sum + window / 2) / window);
            const int add = i + radius + 1;
            const int remove = i - radius;
            if (add < count) {
                sum += line_[std::size_t(add)];
            }
            if (remove >= 0) {
                sum -= line_[std::size_t(remove)];
            }
        }
    }
}

}  // namespace mirelon
