// SPDX-License-Identifier: GPL-3.0-or-later
// The row kernels of flat YUV blocks: a source row pair blended once at full
// precision, then one channel sampled along the blended row.

#include "panels/content/PictureKernels.h"

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

void sampleRow(std::uint8_t* out, const std::uint16_t* row, const std::int32_t* offset,
               const std::uint16_t* weight, int dx, int count) {
    static const auto chosen = avx2Available() ? &avx2::sampleRow : &scalar::sampleRow;
    chosen(out, row, offset, weight, dx, count);
}

}  // namespace mirelon::PictureKernels
