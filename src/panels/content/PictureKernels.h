// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panels/content/ColorMatrix.h"

#include <cstdint>

namespace mirelon::PictureKernels {

// Per-row passes of the picture renderer. Each is a plain loop over arrays
// that the compiler vectorises (with an AVX2 variant chosen at run time).
// The gathering kernels (gatherPixels, sampleRow) have hand-written AVX2
// variants, chosen once at run time, that give the same bytes as the plain
// loops. Pixels are 0xAARRGGBB words; weights are 0...256.

// Asks for `bytes` bytes at a and at b to be brought into the cache: the
// next row's source rows, fetched while a row is worked on (a camera frame
// is in no cache, and rows a stride apart are more than the processor's own
// prefetching foresees).
inline void prefetchRows(const void* a, const void* b, int bytes) {
    for (int at = 0; at < bytes; at += 64) {
        __builtin_prefetch(static_cast<const char*>(a) + at);
        __builtin_prefetch(static_cast<const char*>(b) + at);
    }
}

// out = a + (b - a) * w / 256 per channel.
void lerpRows(std::uint32_t* out, const std::uint32_t* a, const std::uint32_t* b, int count,
              std::uint32_t w);

// out[i] = columns[index[i] - first] blended with its right neighbour by
// weight[i], opaque.
void gatherRow(std::uint32_t* out, const std::uint32_t* columns, const std::int32_t* index,
               const std::uint16_t* weight, int first, int count);

// One bilinear tap per output pixel at source position (u[i], v[i]) in
// 1/256 pixel (pixel centres at whole numbers), opaque. The positions are
// already clamped so that the right and lower neighbours exist.
void gatherPixels(std::uint32_t* out, const std::uint32_t* source, int stridePixels,
                  const std::int32_t* u, const std::int32_t* v, int count);

// One 8-bit channel of a YUV frame. `step` is the distance between
// neighbouring samples of a row, `stride` of a column; dx/dy are the offsets
// of the right/lower neighbour (0 on a plane one sample wide or high). A
// luma position (1/256 pixel) is halved where the plane is subsampled
// (halveX/halveY; centred chroma siting) and clamped to 0...maxU/maxV.
struct Plane {
    const std::uint8_t* data = nullptr;
    int step = 1;
    int stride = 0;
    int dx = 1;
    int dy = 0;
    bool halveX = false;
    bool halveY = false;
    int maxU = 0;
    int maxV = 0;
};

// out[i] = 0xFF, a[i], b[i], c[i] (three channels into one opaque word).
void packChannels(std::uint32_t* out, const std::uint8_t* a, const std::uint8_t* b,
                  const std::uint8_t* c, int count);

// The colour matrix on opaque pixels, clamped once.
void colorRow(std::uint32_t* p, int count, const FixedColorMatrix& c);

// Bytes of two rows blended, kept at full precision: a * (256 - w) + b * w.
void lerpBytes(std::uint16_t* out, const std::uint8_t* a, const std::uint8_t* b, int count,
               std::uint32_t w);

// One channel along a row blended by lerpBytes: for each i, the values at
// offset[i] and offset[i] + dx blended by weight[i] (0...255) and rounded
// back to a byte; exactly the bilinear sample of the four source samples,
// as if taken pixel by pixel. The AVX2 variant reads 32 bits at each value:
// `row` needs one value of padding past the last one read.
void sampleRow(std::uint8_t* out, const std::uint16_t* row, const std::int32_t* offset,
               const std::uint16_t* weight, int dx, int count);

// out = picture x coverage + border (premultiplied); coverage 255 keeps the
// picture exactly, and where it is 255 the border is empty.
void compositeRow(std::uint32_t* out, const std::uint32_t* picture, const std::uint8_t* coverage,
                  const std::uint32_t* border, int count);

// out = top + under x rest / 255 per channel (premultiplied pixels; rest
// 0...255 is how much of `under` shows through).
void composeUnder(std::uint32_t* out, const std::uint32_t* top, const std::uint32_t* under,
                  const std::uint8_t* rest, int count);

// Bilinear blend of four premultiplied pixels (weights 0...256).
std::uint32_t bilinear(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                       std::uint32_t wx, std::uint32_t wy);

// Both variants of the gathering kernels, for tests and benchmarks. The AVX2
// ones may only be called where avx2Available() is true (on other machines
// and builds they are the plain loops).
bool avx2Available();
namespace scalar {
void gatherPixels(std::uint32_t* out, const std::uint32_t* source, int stridePixels,
                  const std::int32_t* u, const std::int32_t* v, int count);
void sampleRow(std::uint8_t* out, const std::uint16_t* row, const std::int32_t* offset,
               const std::uint16_t* weight, int dx, int count);
}  // namespace scalar
namespace avx2 {
void gatherPixels(std::uint32_t* out, const std::uint32_t* source, int stridePixels,
                  const std::int32_t* u, const std::int32_t* v, int count);
void sampleRow(std::uint8_t* out, const std::uint16_t* row, const std::int32_t* offset,
               const std::uint16_t* weight, int dx, int count);
}  // namespace avx2
// The AVX-512 row sampler (for the flat rows only); call it only where
// avx512Available() is true.
bool avx512Available();
namespace avx512 {
void sampleRow(std::uint8_t* out, const std::uint16_t* row, const std::int32_t* offset,
               const std::uint16_t* weight, int dx, int count);
}  // namespace avx512

}  // namespace mirelon::PictureKernels
