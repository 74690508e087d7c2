// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer's pixel gather, the plain loop against the AVX2 variant:
// one bilinear tap per pixel of a 400x400 block mapped (rotated, with
// perspective) into a 1920x1080 RGB frame, row by row as the renderer runs
// it.

#include "panels/content/PictureKernels.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace mirelon {
namespace {

using namespace PictureKernels;

constexpr int sourceWidth = 1920, sourceHeight = 1080;
constexpr int blockSize = 400;

// Source positions in 1/256 pixel of a block turned by 20 degrees, with
// a perspective falloff, clamped so the right and lower neighbours exist.
struct Field {
    std::vector<std::int32_t> u, v;
};

Field positions() {
    Field f;
    f.u.resize(blockSize * blockSize);
    f.v.resize(blockSize * blockSize);
    const double a = 20 * M_PI / 180;
    for (int y = 0; y < blockSize; ++y) {
        for (int x = 0; x < blockSize; ++x) {
            const double cx = x - blockSize / 2.0, cy = y - blockSize / 2.0;
            const double w = 1 + 0.0008 * cx - 0.0005 * cy;
            const double sx = (std::cos(a) * cx - std::sin(a) * cy) * 2.4 / w + sourceWidth / 2.0;
            const double sy = (std::sin(a) * cx + std::cos(a) * cy) * 2.4 / w + sourceHeight / 2.0;
            const std::size_t i = std::size_t(y) * blockSize + std::size_t(x);
            f.u[i] = std::clamp(int(std::lround(sx * 256)), 0, (sourceWidth - 1) * 256 - 1);
            f.v[i] = std::clamp(int(std::lround(sy * 256)), 0, (sourceHeight - 1) * 256 - 1);
        }
    }
    return f;
}

template <typename T>
std::vector<T> noise(std::size_t n) {
    std::mt19937 random(7);
    std::vector<T> out(n);
    for (auto& x : out) {
        x = T(random());
    }
    return out;
}

template <auto kernel>
void BM_GatherPixels(benchmark::State& state) {
    if (kernel == &avx2::gatherPixels && !avx2Available()) {
        state.SkipWithError("no AVX2");
        return;
    }
    const Field f = positions();
    const auto source = noise<std::uint32_t>(std::size_t(sourceWidth) * sourceHeight);
    std::vector<std::uint32_t> out(blockSize);
    for (auto _ : state) {
        for (int y = 0; y < blockSize; ++y) {
            kernel(out.data(), source.data(), sourceWidth, f.u.data() + y * blockSize,
                   f.v.data() + y * blockSize, blockSize);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * blockSize * blockSize);
}

BENCHMARK(BM_GatherPixels<&scalar::gatherPixels>)
    ->Name("GatherPixels/scalar")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GatherPixels<&avx2::gatherPixels>)
    ->Name("GatherPixels/avx2")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace mirelon

BENCHMARK_MAIN();
