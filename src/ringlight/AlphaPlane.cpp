// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/AlphaPlane.h"

#include <algorithm>
#include <cmath>

namespace mirelon {
namespace {

// One box pass along a line of n values spaced by stride, zero outside.
void boxLine(const float* src, float* dst, int n, int radius) {
    const float scale = 1.f / float(2 * radius + 1);
    double acc = 0;
    for (int i = 0; i <= std::min(radius, n - 1); ++i) {
        acc += src[i];
    }
    for (int i = 0; i < n; ++i) {
        dst[i] = float(acc) * scale;
        const int add = i + radius + 1;
        const int sub = i - radius;
        if (add < n) {
            acc += src[add];
        }
        if (sub >= 0) {
            acc -= src[sub];
        }
    }
}

// Vertical pass with one running sum per column, walking rows so memory is
// read in order.
void verticalPass(AlphaPlane& p, int radius, std::vector<float>& scratch) {
    const int w = p.width;
    const int h = p.height;
    const float scale = 1.f / float(2 * radius + 1);
    std::vector<double> acc(std::size_t(w), 0.0);
    for (int y = 0; y <= std::min(radius, h - 1); ++y) {
        const float* r = p.row(y);
        for (int x = 0; x < w; ++x) {
            acc[x] += r[x];
        }
    }
    scratch.resize(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        float* out = scratch.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x) {
            out[x] = float(acc[x]) * scale;
        }
        const int add = y + radius + 1;
        const int sub = y - radius;
        if (add < h) {
            const float* r = p.row(add);
            for (int x = 0; x < w; ++x) {
                acc[x] += r[x];
            }
        }
        if (sub >= 0) {
            const float* r = p.row(sub);
            for (int x = 0; x < w; ++x) {
                acc[x] -= r[x];
            }
        }
    }
    std::copy(scratch.begin(), scratch.end(), p.data.begin());
}

}  // namespace

AlphaPlane AlphaPlane::fromAlphaImage(const QImage& image) {
    const QImage a = image.format() == QImage::Format_Alpha8
                         ? image
                         : image.convertToFormat(QImage::Format_Alpha8);
    AlphaPlane p(a.width(), a.height());
    for (int y = 0; y < a.height(); ++y) {
        const uchar* src = a.constScanLine(y);
        float* dst = p.row(y);
        for (int x = 0; x < a.width(); ++x) {
            dst[x] = float(src[x]) * (1.f / 255.f);
        }
    }
    return p;
}

std::array<int, 3> gaussianBoxRadii(double sigma) {
    if (!(sigma >= 0.5)) {
        return {0, 0, 0};
    }
    // Widths of three boxes whose variances add up to sigma^2.
    constexpr int n = 3;
    const double ideal = std::sqrt(12.0 * sigma * sigma / n + 1.0);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0) {
        --lower;
    }
    const int upper = lower + 2;
    const double m = (12.0 * sigma * sigma - n * lower * lower - 4.0 * n * lower - 3.0 * n) /
                     (-4.0 * lower - 4.0);
    const int lowerCount = int(std::lround(m));
    std::array<int, 3> radii{};
    for (int i = 0; i < n; ++i) {
        radii[i] = ((i < lowerCount ? lower : upper) - 1) / 2;
    }
    return radii;
}

int gaussianBoxSupport(double sigma) {
    const auto r = gaussianBoxRadii(sigma);
    return r[0] + r[1] + r[2];
}

void gaussianBlur(AlphaPlane& plane, double sigma) {
    const auto radii = gaussianBoxRadii(sigma);
    const int pad = radii[0] + radii[1] + radii[2];
    if (plane.width == 0 || plane.height == 0 || pad == 0) {
        return;
    }
    const int w = plane.width;
    const int h = plane.height;
    // Each pass spills past the border; the next pass must still see that
    // spill, so the passes run on lines padded by the whole reach.
    {
        const int n = w + 2 * pad;
        std::vector<float> a(std::size_t(n), 0.f);
        std::vector<float> b(std::size_t(n), 0.f);
        for (int y = 0; y < h; ++y) {
            std::fill(a.begin(), a.end(), 0.f);
            std::copy(plane.row(y), plane.row(y) + w, a.begin() + pad);
            for (int radius : radii) {
                if (radius > 0) {
                    boxLine(a.data(), b.data(), n, radius);
                    a.swap(b);
                }
            }
            std::copy(a.begin() + pad, a.begin() + pad + w, plane.row(y));
        }
    }
    AlphaPlane padded(w, h + 2 * pad);
    std::copy(plane.data.begin(), plane.data.end(), padded.data.begin() + std::ptrdiff_t(pad) * w);
    std::vector<float> scratch;
    for (int radius : radii) {
        if (radius > 0) {
            verticalPass(padded, radius, scratch);
        }
    }
    std::copy(padded.data.begin() + std::ptrdiff_t(pad) * w,
              padded.data.begin() + std::ptrdiff_t(pad + h) * w, plane.data.begin());
}

}  // namespace mirelon
