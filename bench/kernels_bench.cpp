// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer's gathering kernels, plain loops against the AVX2 variants:
// a 400x400 block mapped (rotated, with perspective) into a 1920x1080
// frame, row by row as the renderer runs them.
//
//   GatherPixels: RGB frames (one bilinear tap per pixel).
//   Yuv*:         4:2:2 frames, planar (arg 0) or packed YUY2 (arg 1):
//                 Channels = three sampleChannel passes and packChannels,
//                 Fused = sampleYuv.

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

struct Yuv422 {
    std::vector<std::uint8_t> bytes;
    Plane y, u, v;
};

Plane plane(const std::uint8_t* data, int step, int stride, int width, int height, bool halveX) {
    Plane p;
    p.data = data;
    p.step = step;
    p.stride = stride;
    p.dx = step;
    p.dy = stride;
    p.halveX = halveX;
    p.maxU = (width - 1) * 256 - 1;
    p.maxV = (height - 1) * 256 - 1;
    return p;
}

Yuv422 frame(bool packed) {
    Yuv422 f;
    const int cw = sourceWidth / 2;
    if (packed) {
        f.bytes = noise<std::uint8_t>(std::size_t(sourceWidth) * 2 * sourceHeight);
        const std::uint8_t* d = f.bytes.data();
        f.y = plane(d, 2, sourceWidth * 2, sourceWidth, sourceHeight, false);
        f.u = plane(d + 1, 4, sourceWidth * 2, cw, sourceHeight, true);
        f.v = plane(d + 3, 4, sourceWidth * 2, cw, sourceHeight, true);
    } else {
        f.bytes = noise<std::uint8_t>(std::size_t(sourceWidth + 2 * cw) * sourceHeight);
        const std::uint8_t* d = f.bytes.data();
        const std::uint8_t* du = d + std::size_t(sourceWidth) * sourceHeight;
        const std::uint8_t* dv = du + std::size_t(cw) * sourceHeight;
        f.y = plane(d, 1, sourceWidth, sourceWidth, sourceHeight, false);
        f.u = plane(du, 1, cw, cw, sourceHeight, true);
        f.v = plane(dv, 1, cw, cw, sourceHeight, true);
    }
    return f;
}

template <auto sample>
void BM_YuvChannels(benchmark::State& state) {
    if (sample == &avx2::sampleChannel && !avx2Available()) {
        state.SkipWithError("no AVX2");
        return;
    }
    const Field f = positions();
    const Yuv422 yuv = frame(state.range(0) != 0);
    std::vector<std::uint8_t> channels(3 * blockSize);
    std::uint8_t* ys = channels.data();
    std::uint8_t* us = ys + blockSize;
    std::uint8_t* vs = us + blockSize;
    std::vector<std::uint32_t> out(blockSize);
    for (auto _ : state) {
        for (int y = 0; y < blockSize; ++y) {
            const std::int32_t* u = f.u.data() + y * blockSize;
            const std::int32_t* v = f.v.data() + y * blockSize;
            sample(ys, yuv.y, u, v, blockSize);
            sample(us, yuv.u, u, v, blockSize);
            sample(vs, yuv.v, u, v, blockSize);
            packChannels(out.data(), ys, us, vs, blockSize);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * blockSize * blockSize);
}

template <auto sample>
void BM_YuvFused(benchmark::State& state) {
    if (sample == &avx2::sampleYuv && !avx2Available()) {
        state.SkipWithError("no AVX2");
        return;
    }
    const Field f = positions();
    const Yuv422 yuv = frame(state.range(0) != 0);
    std::vector<std::uint32_t> out(blockSize);
    for (auto _ : state) {
        for (int y = 0; y < blockSize; ++y) {
            sample(out.data(), yuv.y, yuv.u, yuv.v, f.u.data() + y * blockSize,
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
BENCHMARK(BM_YuvChannels<&scalar::sampleChannel>)
    ->Name("YuvChannels/scalar")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_YuvChannels<&avx2::sampleChannel>)
    ->Name("YuvChannels/avx2")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_YuvFused<&scalar::sampleYuv>)
    ->Name("YuvFused/scalar")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_YuvFused<&avx2::sampleYuv>)
    ->Name("YuvFused/avx2")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace mirelon

BENCHMARK_MAIN();
