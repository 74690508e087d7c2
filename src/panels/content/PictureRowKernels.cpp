// SPDX-License-Identifier: GPL-3.0-or-later
// The row kernels of flat YUV blocks: a source row pair blended once at full
// precision, then one channel sampled along the blended row.

#include "panels/content/PictureKernels.h"

#include <algorithm>

#if defined(__x86_64__) && defined(__GNUC__)
#define MIRELON_HAVE_AVX2_KERNELS 1
#include <immintrin.h>
#endif

namespace mirelon::PictureKernels {

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang_analyzer__)
#define MIRELON_ROW_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define MIRELON_ROW_KERNEL
#endif

MIRELON_ROW_KERNEL
void lerpBytes(std::uint16_t* __restrict out, const std::uint8_t* __restrict a,
               const std::uint8_t* __restrict b, int count, std::uint32_t w) {
    const std::uint16_t iw = std::uint16_t(256 - w);
    const std::uint16_t wb = std::uint16_t(w);
    for (int i = 0; i < count; ++i) {
        out[i] = std::uint16_t(a[i] * iw + b[i] * wb);
    }
}

namespace scalar {

void sampleRow(std::uint8_t* __restrict out, const std::uint16_t* __restrict row,
               const std::int32_t* __restrict offset, const std::uint16_t* __restrict weight,
               int dx, int count) {
    for (int i = 0; i < count; ++i) {
        const std::uint16_t* p = row + offset[i];
        const std::uint32_t w = weight[i];
        out[i] = std::uint8_t((p[0] * (256 - w) + p[dx] * w + 32768) >> 16);
    }
}

}  // namespace scalar

namespace avx2 {

#ifdef MIRELON_HAVE_AVX2_KERNELS
__attribute__((target("avx2"))) void sampleRow(std::uint8_t* out, const std::uint16_t* row,
                                               const std::int32_t* offset,
                                               const std::uint16_t* weight, int dx, int count) {
    const __m256i low = _mm256_set1_epi32(0xFFFF);
    const __m256i whole = _mm256_set1_epi32(256);
    const __m256i half = _mm256_set1_epi32(32768);
    const __m256i neighbour = _mm256_set1_epi32(dx);
    const auto* base = reinterpret_cast<const int*>(row);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(offset + i));
        const __m256i w =
            _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(weight + i)));
        // Each 32-bit read at a value holds it and the next one.
        const __m256i pairs = _mm256_i32gather_epi32(base, at, 2);
        const __m256i left = _mm256_and_si256(pairs, low);
        const __m256i right =
            dx == 1 ? _mm256_srli_epi32(pairs, 16)
                    : _mm256_and_si256(
                          _mm256_i32gather_epi32(base, _mm256_add_epi32(at, neighbour), 2), low);
        const __m256i sum =
            _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(left, _mm256_sub_epi32(whole, w)),
                                              _mm256_mullo_epi32(right, w)),
                             half);
        const __m256i bytes = _mm256_srli_epi32(sum, 16);  // 0...255 per lane
        const __m128i words =
            _mm_packus_epi32(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
    }
    if (i < count) {
        scalar::sampleRow(out + i, row, offset + i, weight + i, dx, count - i);
    }
}
#else
void sampleRow(std::uint8_t* out, const std::uint16_t* row, const std::int32_t* offset,
               const std::uint16_t* weight, int dx, int count) {
    scalar::sampleRow(out, row, offset, weight, dx, count);
}
#endif

}  // namespace avx2

namespace avx512 {

#ifdef MIRELON_HAVE_AVX2_KERNELS
// Sixteen neighbouring pixels of a flat row read from a narrow stretch of
// the blended row (their columns advance steadily, forwards or mirrored):
// two masked 64-value loads from the group's lowest value and one
// two-register permute give all sixteen values and their neighbours, where
// the AVX2 loop gathers them one by one. Groups that reach further (strong
// decimation, chroma planes with wide steps) take the AVX2 loop.
__attribute__((target("avx2,avx512f,avx512bw"))) void sampleRow(std::uint8_t* out,
                                                                const std::uint16_t* row,
                                                                const std::int32_t* offset,
                                                                const std::uint16_t* weight, int dx,
                                                                int count) {
    constexpr int reach = 64;  // values two registers hold
    const __m512i limit = _mm512_set1_epi32(reach - dx);
    const __m512i half = _mm512_set1_epi32(32768);
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512i at = _mm512_loadu_si512(offset + i);
        const int base = std::min(offset[i], offset[i + 15]);
        const __m512i relative = _mm512_sub_epi32(at, _mm512_set1_epi32(base));
        // Unsigned: a column before the base wraps far beyond the limit.
        if (_mm512_cmpge_epu32_mask(relative, limit) != 0) {
            avx2::sampleRow(out + i, row, offset + i, weight + i, dx, 16);
            continue;
        }
        const __m256i left = _mm512_cvtepi32_epi16(relative);
        // [left | left + dx]: the values in the low half, their neighbours in the high one.
        const __m512i indices =
            _mm512_inserti64x4(_mm512_castsi256_si512(left),
                               _mm256_add_epi16(left, _mm256_set1_epi16(std::int16_t(dx))), 1);
        // Only the values up to the farthest neighbour are read: masked-off
        // lanes never fault, so nothing past the row's end is touched.
        const int needed = _mm512_reduce_max_epi32(relative) + dx + 1;
        const __mmask32 lowMask =
            needed >= 32 ? ~__mmask32(0) : __mmask32((std::uint32_t(1) << needed) - 1);
        const __mmask32 highMask =
            needed <= 32 ? 0 : __mmask32((std::uint64_t(1) << (needed - 32)) - 1);
        const __m512i low = _mm512_maskz_loadu_epi16(lowMask, row + base);
        const __m512i high = _mm512_maskz_loadu_epi16(highMask, row + base + 32);
        const __m512i values = _mm512_permutex2var_epi16(low, indices, high);
        const __m512i a = _mm512_cvtepu16_epi32(_mm512_castsi512_si256(values));
        const __m512i b = _mm512_cvtepu16_epi32(_mm512_extracti64x4_epi64(values, 1));
        const __m512i w =
            _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(weight + i)));
        // a * (256 - w) + b * w, as a * 256 + (b - a) * w.
        const __m512i sum =
            _mm512_add_epi32(_mm512_add_epi32(_mm512_slli_epi32(a, 8),
                                              _mm512_mullo_epi32(_mm512_sub_epi32(b, a), w)),
                             half);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm512_cvtepi32_epi8(_mm512_srli_epi32(sum, 16)));
    }
    if (i < count) {
        avx2::sampleRow(out + i, row, offset + i, weight + i, dx, count - i);
    }
}
#else
void sampleRow(std::uint8_t* out, const std::uint16_t* row, const std::int32_t* offset,
               const std::uint16_t* weight, int dx, int count) {
    scalar::sampleRow(out, row, offset, weight, dx, count);
}
#endif

}  // namespace avx512

bool avx512Available() {
#ifdef MIRELON_HAVE_AVX2_KERNELS
    static const bool available =
        avx2Available() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return available;
#else
    return false;
#endif
}

void sampleRow(std::uint8_t* out, const std::uint16_t* row, const std::int32_t* offset,
               const std::uint16_t* weight, int dx, int count) {
    static const auto chosen = avx512Available() ? &avx512::sampleRow
                               : avx2Available() ? &avx2::sampleRow
                                                 : &scalar::sampleRow;
    chosen(out, row, offset, weight, dx, count);
}

}  // namespace mirelon::PictureKernels
