// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/PictureKernels.h"

#include <algorithm>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#define MIRELON_HAVE_AVX2_KERNELS 1
#include <immintrin.h>
#endif

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

void composeUnder(std::uint32_t* __restrict out, const std::uint32_t* __restrict top,
                  const std::uint32_t* __restrict under, const std::uint8_t* __restrict rest,
                  int count) {
    for (int i = 0; i < count; ++i) {
        out[i] = top[i] + byteMul(under[i], rest[i]);
    }
}

namespace scalar {

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

}  // namespace scalar

#ifdef MIRELON_HAVE_AVX2_KERNELS

namespace {

#define MIRELON_AVX2 __attribute__((target("avx2")))

// (a * (256 - w) + b * w) >> 8 in 16-bit lanes, as lerpPixel does per
// channel (the sum is at most 255 * 256).
MIRELON_AVX2 inline __m256i lerp16(__m256i a, __m256i b, __m256i w, __m256i iw) {
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(a, iw), _mm256_mullo_epi16(b, w)),
                             8);
}

// Eight pixel pairs (p[0], p[1]) at the element offsets `index` (in the
// lane order 0, 1, 4, 5, 2, 3, 6, 7): the left pixels in *left, the right
// ones in *right, both in the natural order 0...7.
MIRELON_AVX2 inline void gatherPairs(const std::uint32_t* base, __m256i index, __m256i* left,
                                     __m256i* right) {
    const auto* p = reinterpret_cast<const long long*>(base);
    // [a0 b0 a1 b1 | a4 b4 a5 b5] and [a2 b2 a3 b3 | a6 b6 a7 b7].
    __m256i lo = _mm256_i32gather_epi64(p, _mm256_castsi256_si128(index), 4);
    __m256i hi = _mm256_i32gather_epi64(p, _mm256_extracti128_si256(index, 1), 4);
    lo = _mm256_shuffle_epi32(lo, 0xD8);  // [a0 a1 b0 b1 | a4 a5 b4 b5]
    hi = _mm256_shuffle_epi32(hi, 0xD8);  // [a2 a3 b2 b3 | a6 a7 b6 b7]
    *left = _mm256_unpacklo_epi64(lo, hi);
    *right = _mm256_unpackhi_epi64(lo, hi);
}

MIRELON_AVX2 inline __m256i load8(const std::int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

}  // namespace

bool avx2Available() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}

namespace avx2 {

MIRELON_AVX2
void gatherPixels(std::uint32_t* out, const std::uint32_t* source, int stridePixels,
                  const std::int32_t* u, const std::int32_t* v, int count) {
    const __m256i stride = _mm256_set1_epi32(stridePixels);
    const __m256i byteMask = _mm256_set1_epi32(0xFF);
    const __m256i w256 = _mm256_set1_epi16(256);
    const __m256i opaque = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i zero = _mm256_setzero_si256();
    // Lane order 0, 1, 4, 5, 2, 3, 6, 7 for the pair gathers.
    const __m256i order = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
    const std::uint32_t* lowerRow = source + stridePixels;
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i pu = load8(u + i);
        const __m256i pv = load8(v + i);
        const __m256i index = _mm256_permutevar8x32_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(pv, 8), stride),
                             _mm256_srai_epi32(pu, 8)),
            order);
        __m256i a, b, c, d;
        gatherPairs(source, index, &a, &b);
        gatherPairs(lowerRow, index, &c, &d);
        // Each pixel's weights in its four 16-bit channel lanes, in the
        // order the byte unpacking below leaves the pixels.
        __m256i wx = _mm256_and_si256(pu, byteMask);
        __m256i wy = _mm256_and_si256(pv, byteMask);
        wx = _mm256_or_si256(wx, _mm256_slli_epi32(wx, 16));
        wy = _mm256_or_si256(wy, _mm256_slli_epi32(wy, 16));
        const __m256i wxLo = _mm256_unpacklo_epi32(wx, wx);
        const __m256i wxHi = _mm256_unpackhi_epi32(wx, wx);
        const __m256i wyLo = _mm256_unpacklo_epi32(wy, wy);
        const __m256i wyHi = _mm256_unpackhi_epi32(wy, wy);
        const __m256i iwxLo = _mm256_sub_epi16(w256, wxLo);
        const __m256i iwxHi = _mm256_sub_epi16(w256, wxHi);
        const __m256i topLo =
            lerp16(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero), wxLo, iwxLo);
        const __m256i topHi =
            lerp16(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero), wxHi, iwxHi);
        const __m256i bottomLo =
            lerp16(_mm256_unpacklo_epi8(c, zero), _mm256_unpacklo_epi8(d, zero), wxLo, iwxLo);
        const __m256i bottomHi =
            lerp16(_mm256_unpackhi_epi8(c, zero), _mm256_unpackhi_epi8(d, zero), wxHi, iwxHi);
        const __m256i lo = lerp16(topLo, bottomLo, wyLo, _mm256_sub_epi16(w256, wyLo));
        const __m256i hi = lerp16(topHi, bottomHi, wyHi, _mm256_sub_epi16(w256, wyHi));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_or_si256(_mm256_packus_epi16(lo, hi), opaque));
    }
    if (i < count) {
        scalar::gatherPixels(out + i, source, stridePixels, u + i, v + i, count - i);
    }
}

}  // namespace avx2

void gatherPixels(std::uint32_t* out, const std::uint32_t* source, int stridePixels,
                  const std::int32_t* u, const std::int32_t* v, int count) {
    static const auto chosen = avx2Available() ? &avx2::gatherPixels : &scalar::gatherPixels;
    chosen(out, source, stridePixels, u, v, count);
}

#else  // no AVX2 variants on this machine

bool avx2Available() {
    return false;
}

namespace avx2 {

void gatherPixels(std::uint32_t* out, const std::uint32_t* source, int stridePixels,
                  const std::int32_t* u, const std::int32_t* v, int count) {
    scalar::gatherPixels(out, source, stridePixels, u, v, count);
}

}  // namespace avx2

void gatherPixels(std::uint32_t* out, const std::uint32_t* source, int stridePixels,
                  const std::int32_t* u, const std::int32_t* v, int count) {
    scalar::gatherPixels(out, source, stridePixels, u, v, count);
}

#endif
}  // namespace mirelon::PictureKernels
