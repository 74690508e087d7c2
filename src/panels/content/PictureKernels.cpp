// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/PictureKernels.h"

#include <algorithm>
#include <cstdint>
#include <limits>

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

void sampleYuv(std::uint32_t* out, const Plane& y, const Plane& u, const Plane& v,
               const std::int32_t* px, const std::int32_t* py, int count) {
    constexpr int chunk = 256;
    std::uint8_t ys[chunk], us[chunk], vs[chunk];
    for (int i = 0; i < count; i += chunk) {
        const int n = std::min(chunk, count - i);
        scalar::sampleChannel(ys, y, px + i, py + i, n);
        scalar::sampleChannel(us, u, px + i, py + i, n);
        scalar::sampleChannel(vs, v, px + i, py + i, n);
        PictureKernels::packChannels(out + i, ys, us, vs, n);
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

// Where a sample and its right neighbour lie in the 32-bit reads at a
// sample: byte `at` of the left and right reads, or bytes `at` and
// `at + dx` of the left read when the neighbour is that close. Each control
// moves them into the two 16-bit halves of the lane.
struct ByteSelect {
    __m256i near, left, right;
};

MIRELON_AVX2 inline __m256i byteControl(int first, int second) {
    alignas(32) std::int8_t control[32];
    for (int i = 0; i < 32; i += 4) {
        const int dword = i % 16;
        control[i] = std::int8_t(first < 0 ? -128 : dword + first);
        control[i + 1] = -128;
        control[i + 2] = std::int8_t(second < 0 ? -128 : dword + second);
        control[i + 3] = -128;
    }
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(control));
}

MIRELON_AVX2 inline ByteSelect byteSelect(int at, int dx) {
    return {byteControl(at, at + dx), byteControl(at, -1), byteControl(-1, at)};
}

// One plane's constants for eight lanes at a time.
struct ChannelLanes {
    const std::uint8_t* data;
    __m256i biasX, biasY, maxU, maxV, step, stride, dx, dy, byteMask, safeMax;
    ByteSelect own;
    __m128i shiftX, shiftY;
    bool nearRight;  // the right neighbour lies in the same 32-bit read
    bool usable;     // else the plain loop handles the plane
};

MIRELON_AVX2 inline ChannelLanes channelLanes(const Plane& plane) {
    ChannelLanes c{};
    c.data = plane.data;
    // The furthest byte the plain loop can read: the right and lower
    // neighbour of the clamped maximum position. The plane must hold it,
    // and nothing beyond it is known to be readable.
    const std::int64_t last = std::int64_t(plane.maxV >> 8) * plane.stride +
                              std::int64_t(plane.maxU >> 8) * plane.step + plane.dy + plane.dx;
    c.usable = plane.data != nullptr && plane.step >= 0 && plane.stride >= 0 && plane.dx >= 0 &&
               plane.dy >= 0 && plane.maxU >= 0 && plane.maxV >= 0 &&
               last <= std::numeric_limits<std::int32_t>::max();
    c.nearRight = plane.dx <= 3;
    c.biasX = _mm256_set1_epi32(plane.halveX ? 128 : 0);
    c.biasY = _mm256_set1_epi32(plane.halveY ? 128 : 0);
    c.shiftX = _mm_cvtsi32_si128(plane.halveX ? 1 : 0);
    c.shiftY = _mm_cvtsi32_si128(plane.halveY ? 1 : 0);
    c.maxU = _mm256_set1_epi32(plane.maxU);
    c.maxV = _mm256_set1_epi32(plane.maxV);
    c.step = _mm256_set1_epi32(plane.step);
    c.stride = _mm256_set1_epi32(plane.stride);
    c.dx = _mm256_set1_epi32(plane.dx);
    c.dy = _mm256_set1_epi32(plane.dy);
    c.byteMask = _mm256_set1_epi32(0xFF);
    c.own = byteSelect(0, c.nearRight ? plane.dx : 0);
    // The highest offset whose 32-bit reads all end at or before `last`.
    const std::int64_t furthest = plane.dy + (c.nearRight ? 0 : plane.dx) + 3;
    c.safeMax = _mm256_set1_epi32(
        int(std::max<std::int64_t>(last - furthest, std::numeric_limits<std::int32_t>::min())));
    return c;
}

// Clamped position of eight lanes: byte offset of the sample and the
// horizontal and vertical weights.
struct ChannelPositions {
    __m256i offset, wx, wy;
};

MIRELON_AVX2 inline ChannelPositions channelPositions(const ChannelLanes& c, __m256i u, __m256i v) {
    const __m256i zero = _mm256_setzero_si256();
    // Halving with centred siting: (u - 128) / 2, as the plain loop.
    const __m256i cu = _mm256_min_epi32(
        _mm256_max_epi32(_mm256_sra_epi32(_mm256_sub_epi32(u, c.biasX), c.shiftX), zero), c.maxU);
    const __m256i cv = _mm256_min_epi32(
        _mm256_max_epi32(_mm256_sra_epi32(_mm256_sub_epi32(v, c.biasY), c.shiftY), zero), c.maxV);
    ChannelPositions p;
    p.offset = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(cv, 8), c.stride),
                                _mm256_mullo_epi32(_mm256_srai_epi32(cu, 8), c.step));
    p.wx = _mm256_and_si256(cu, c.byteMask);
    p.wy = _mm256_and_si256(cv, c.byteMask);
    return p;
}

// Nonzero when a lane's reads could pass the last byte of the plane.
MIRELON_AVX2 inline int unsafeLanes(const ChannelLanes& c, const ChannelPositions& p) {
    return _mm256_movemask_epi8(_mm256_cmpgt_epi32(p.offset, c.safeMax));
}

// The 32-bit reads of eight lanes at their samples and lower neighbours,
// and at the right neighbours of both when they are not that close.
struct ChannelReads {
    __m256i topLeft, topRight, bottomLeft, bottomRight;
};

MIRELON_AVX2 inline ChannelReads channelReads(const ChannelLanes& c, const ChannelPositions& p) {
    const auto* base = reinterpret_cast<const int*>(c.data);
    const __m256i lower = _mm256_add_epi32(p.offset, c.dy);
    ChannelReads r;
    r.topLeft = _mm256_i32gather_epi32(base, p.offset, 1);
    r.bottomLeft = _mm256_i32gather_epi32(base, lower, 1);
    if (c.nearRight) {
        r.topRight = r.topLeft;
        r.bottomRight = r.bottomLeft;
    } else {
        r.topRight = _mm256_i32gather_epi32(base, _mm256_add_epi32(p.offset, c.dx), 1);
        r.bottomRight = _mm256_i32gather_epi32(base, _mm256_add_epi32(lower, c.dx), 1);
    }
    return r;
}

// Bilinear sample of eight lanes from their reads, one result 0...255 per
// 32-bit lane.
MIRELON_AVX2 inline __m256i channelBlend(const ChannelLanes& c, const ChannelReads& r,
                                         const ByteSelect& select, const ChannelPositions& p) {
    __m256i top, bottom;
    if (c.nearRight) {
        top = _mm256_shuffle_epi8(r.topLeft, select.near);
        bottom = _mm256_shuffle_epi8(r.bottomLeft, select.near);
    } else {
        top = _mm256_or_si256(_mm256_shuffle_epi8(r.topLeft, select.left),
                              _mm256_shuffle_epi8(r.topRight, select.right));
        bottom = _mm256_or_si256(_mm256_shuffle_epi8(r.bottomLeft, select.left),
                                 _mm256_shuffle_epi8(r.bottomRight, select.right));
    }
    // (256 - wx, wx) against (left, right): the horizontal blends.
    const __m256i weights = _mm256_or_si256(_mm256_sub_epi32(_mm256_set1_epi32(256), p.wx),
                                            _mm256_slli_epi32(p.wx, 16));
    const __m256i t = _mm256_madd_epi16(top, weights);
    const __m256i b = _mm256_madd_epi16(bottom, weights);
    // t * (256 - wy) + b * wy, rounded; at most 255 * 65536 + 32768.
    const __m256i sum =
        _mm256_add_epi32(_mm256_slli_epi32(t, 8), _mm256_mullo_epi32(_mm256_sub_epi32(b, t), p.wy));
    return _mm256_srli_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(32768)), 16);
}

MIRELON_AVX2 inline __m256i channelSample(const ChannelLanes& c, const ChannelPositions& p) {
    return channelBlend(c, channelReads(c, p), c.own, p);
}

MIRELON_AVX2 inline __m256i load8(const std::int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

bool samePositions(const Plane& a, const Plane& b) {
    return a.step == b.step && a.stride == b.stride && a.dx == b.dx && a.dy == b.dy &&
           a.halveX == b.halveX && a.halveY == b.halveY && a.maxU == b.maxU && a.maxV == b.maxV;
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

MIRELON_AVX2
void sampleChannel(std::uint8_t* out, const Plane& plane, const std::int32_t* u,
                   const std::int32_t* v, int count) {
    const ChannelLanes c = channelLanes(plane);
    if (!c.usable) {
        scalar::sampleChannel(out, plane, u, v, count);
        return;
    }
    // Byte 0 of each 32-bit lane, lanes 0...3 and 4...7 side by side.
    const __m256i bytes =
        _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 4, 8, 12,
                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 4, 1, 1, 1, 1, 1, 1);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const ChannelPositions p = channelPositions(c, load8(u + i), load8(v + i));
        if (unsafeLanes(c, p)) {
            scalar::sampleChannel(out + i, plane, u + i, v + i, 8);
            continue;
        }
        const __m256i s =
            _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(channelSample(c, p), bytes), join);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(s));
    }
    if (i < count) {
        scalar::sampleChannel(out + i, plane, u + i, v + i, count - i);
    }
}

MIRELON_AVX2
void sampleYuv(std::uint32_t* out, const Plane& y, const Plane& u, const Plane& v,
               const std::int32_t* px, const std::int32_t* py, int count) {
    const ChannelLanes cy = channelLanes(y);
    const ChannelLanes cu = channelLanes(u);
    const ChannelLanes cv = channelLanes(v);
    if (!cy.usable || !cu.usable || !cv.usable) {
        scalar::sampleYuv(out, y, u, v, px, py, count);
        return;
    }
    const bool shared = samePositions(u, v);
    // V interleaved with U a few bytes on (two-plane and packed frames):
    // the reads at the U samples hold the V samples too.
    const std::uintptr_t gap = std::uintptr_t(v.data) - std::uintptr_t(u.data);
    const bool interleaved =
        shared && gap >= 1 && gap <= 3 && (!cu.nearRight || int(gap) + u.dx <= 3);
    const ByteSelect vInU = byteSelect(int(gap & 3), cu.nearRight ? u.dx : 0);
    const __m256i opaque = _mm256_set1_epi32(int(0xFF000000u));
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i lu = load8(px + i);
        const __m256i lv = load8(py + i);
        const ChannelPositions pY = channelPositions(cy, lu, lv);
        const ChannelPositions pU = channelPositions(cu, lu, lv);
        const ChannelPositions pV = shared ? pU : channelPositions(cv, lu, lv);
        if (unsafeLanes(cy, pY) | unsafeLanes(cu, pU) | unsafeLanes(cv, pV)) {
            scalar::sampleYuv(out + i, y, u, v, px + i, py + i, 8);
            continue;
        }
        const __m256i sy = channelSample(cy, pY);
        __m256i su, sv;
        if (interleaved) {
            const ChannelReads reads = channelReads(cu, pU);
            su = channelBlend(cu, reads, cu.own, pU);
            sv = channelBlend(cu, reads, vInU, pU);
        } else {
            su = channelSample(cu, pU);
            sv = channelSample(cv, pV);
        }
        const __m256i pixel = _mm256_or_si256(_mm256_or_si256(opaque, _mm256_slli_epi32(sy, 16)),
                                              _mm256_or_si256(_mm256_slli_epi32(su, 8), sv));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), pixel);
    }
    if (i < count) {
        scalar::sampleYuv(out + i, y, u, v, px + i, py + i, count - i);
    }
}

}  // namespace avx2

namespace {

struct Kernels {
    decltype(&scalar::gatherPixels) gatherPixels = &scalar::gatherPixels;
    decltype(&scalar::sampleChannel) sampleChannel = &scalar::sampleChannel;
    decltype(&scalar::sampleYuv) sampleYuv = &scalar::sampleYuv;
};

const Kernels& kernels() {
    static const Kernels chosen = [] {
        Kernels k;
        if (avx2Available()) {
            k.gatherPixels = &avx2::gatherPixels;
            k.sampleChannel = &avx2::sampleChannel;
            k.sampleYuv = &avx2::sampleYuv;
        }
        return k;
    }();
    return chosen;
}

}  // namespace

void gatherPixels(std::uint32_t* out, const std::uint32_t* source, int stridePixels,
                  const std::int32_t* u, const std::int32_t* v, int count) {
    kernels().gatherPixels(out, source, stridePixels, u, v, count);
}

void sampleChannel(std::uint8_t* out, const Plane& plane, const std::int32_t* u,
                   const std::int32_t* v, int count) {
    kernels().sampleChannel(out, plane, u, v, count);
}

void sampleYuv(std::uint32_t* out, const Plane& y, const Plane& u, const Plane& v,
               const std::int32_t* px, const std::int32_t* py, int count) {
    kernels().sampleYuv(out, y, u, v, px, py, count);
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

void sampleChannel(std::uint8_t* out, const Plane& plane, const std::int32_t* u,
                   const std::int32_t* v, int count) {
    scalar::sampleChannel(out, plane, u, v, count);
}

void sampleYuv(std::uint32_t* out, const Plane& y, const Plane& u, const Plane& v,
               const std::int32_t* px, const std::int32_t* py, int count) {
    scalar::sampleYuv(out, y, u, v, px, py, count);
}

}  // namespace avx2

void gatherPixels(std::uint32_t* out, const std::uint32_t* source, int stridePixels,
                  const std::int32_t* u, const std::int32_t* v, int count) {
    scalar::gatherPixels(out, source, stridePixels, u, v, count);
}

void sampleChannel(std::uint8_t* out, const Plane& plane, const std::int32_t* u,
                   const std::int32_t* v, int count) {
    scalar::sampleChannel(out, plane, u, v, count);
}

void sampleYuv(std::uint32_t* out, const Plane& y, const Plane& u, const Plane& v,
               const std::int32_t* px, const std::int32_t* py, int count) {
    scalar::sampleYuv(out, y, u, v, px, py, count);
}

#endif
}  // namespace mirelon::PictureKernels
