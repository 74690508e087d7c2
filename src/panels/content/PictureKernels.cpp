// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/PictureKernels.h"

#include <algorithm>

namespace mirelon::PictureKernels {
namespace {

inline std::uint32_t lerpPixel(std::uint32_t a, std::uint32_t b, std::uint32_t w) {
    // Two channels per multiply.
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

}  // namespace

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang_analyzer__)
#define MIRELON_ROW_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define MIRELON_ROW_KERNEL
#endif

std::uint32_t bilinear(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                       std::uint32_t wx, std::uint32_t wy) {
    return lerpPixel(lerpPixel(a, b, wx), lerpPixel(c, d, wx), wy);
}

MIRELON_ROW_KERNEL
void lerpRows(std::uint32_t* __restrict out, const std::uint32_t* __restrict a,
              const std::uint32_t* __restrict b, int count, std::uint32_t w) {
    for (int i = 0; i < count; ++i) {
        out[i] = lerpPixel(a[i], b[i], w);
    }
}

MIRELON_ROW_KERNEL
void gatherRow(std::uint32_t* __restrict out, const std::uint32_t* __restrict columns,
               const std::int32_t* __restrict index, const std::uint16_t* __restrict weight,
               int first, int count) {
    for (int i = 0; i < count; ++i) {
        const int c = index[i] - first;
        out[i] = lerpPixel(columns[c], columns[c + 1], weight[i]) | 0xFF000000u;
    }
}

MIRELON_ROW_KERNEL
void gatherPixels(std::uint32_t* __restrict out, const std::uint32_t* __restrict source,
                  int stridePixels, const std::int32_t* __restrict u,
                  const std::int32_t* __restrict v, int count) {
    for (int i = 0; i < count; ++i) {
        const std::uint32_t* p = source + (v[i] >> 8) * stridePixels + (u[i] >> 8);
        const std::uint32_t wx = std::uint32_t(u[i] & 0xFF);
        const std::uint32_t wy = std::uint32_t(v[i] & 0xFF);
        out[i] = lerpPixel(lerpPixel(p[0], p[1], wx),
                           lerpPixel(p[stridePixels], p[stridePixels + 1], wx), wy) |
                 0xFF000000u;
    }
}

MIRELON_ROW_KERNEL
void sampleChannel(std::uint8_t* __restrict out, const Plane& plane,
                   const std::int32_t* __restrict u, const std::int32_t* __restrict v, int count) {
    const std::uint8_t* const data = plane.data;
    const int step = plane.step;
    const int stride = plane.stride;
    const int dx = plane.dx;
    const int dy = plane.dy;
    const int maxU = plane.maxU;
    const int maxV = plane.maxV;
    const int hx = plane.halveX ? 1 : 0;
    const int hy = plane.halveY ? 1 : 0;
    // Halving a position in 1/256 pixel with centred siting: (u - 128) / 2.
    const int bx = hx ? 128 : 0;
    const int by = hy ? 128 : 0;
    for (int i = 0; i < count; ++i) {
        const int cu = std::clamp((u[i] - bx) >> hx, 0, maxU);
        const int cv = std::clamp((v[i] - by) >> hy, 0, maxV);
        const std::uint8_t* p = data + (cv >> 8) * stride + (cu >> 8) * step;
        const int wx = cu & 0xFF;
        const int wy = cv & 0xFF;
        const int top = p[0] * (256 - wx) + p[dx] * wx;
        const int bottom = p[dy] * (256 - wx) + p[dy + dx] * wx;
        out[i] = std::uint8_t((top * (256 - wy) + bottom * wy + 32768) >> 16);
    }
}

MIRELON_ROW_KERNEL
void packChannels(std::uint32_t* __restrict out, const std::uint8_t* __restrict a,
                  const std::uint8_t* __restrict b, const std::uint8_t* __restrict c, int count) {
    for (int i = 0; i < count; ++i) {
        out[i] = 0xFF000000u | (std::uint32_t(a[i]) << 16) | (std::uint32_t(b[i]) << 8) |
                 std::uint32_t(c[i]);
    }
}

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

MIRELON_ROW_KERNEL
void compositeRow(std::uint32_t* __restrict out, const std::uint32_t* __restrict picture,
                  const std::uint8_t* __restrict coverage, const std::uint32_t* __restrict border,
                  int count) {
    for (int i = 0; i < count; ++i) {
        out[i] = byteMul(picture[i], coverage[i]) + border[i];
    }
}

}  // namespace mirelon::PictureKernels
