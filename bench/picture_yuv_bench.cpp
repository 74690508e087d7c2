// SPDX-License-Identifier: GPL-3.0-or-later
// The camera block drawn from YUV camera frames as they arrive: 1280x720
// YUY2 (packed 4:2:2) and I420 (planar 4:2:0) frames of sensor-like noise,
// sixteen distinct ones cycled so that, as with a real camera, no cache
// holds a frame when it is drawn. The block is a 400x400 squircle with a
// border, mirrored, at zoom 1.4 with every colour filter: flat, and tilted
// in 3D.

#include "panels/content/ColorMatrix.h"
#include "panels/content/PictureRenderer.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace mirelon {
namespace {

constexpr int frameWidth = 1280, frameHeight = 720;
constexpr int distinctFrames = 16;

std::vector<VideoFrame> framePool(bool packed) {
    std::mt19937 random(3);
    std::vector<VideoFrame> pool;
    for (int i = 0; i < distinctFrames; ++i) {
        const std::size_t lumaBytes = std::size_t(frameWidth) * frameHeight;
        auto bytes =
            std::make_shared<std::vector<uchar>>(packed ? lumaBytes * 2 : lumaBytes * 3 / 2);
        for (auto& b : *bytes) {
            b = uchar(random());
        }
        const uchar* d = bytes->data();
        if (packed) {
            pool.push_back(VideoFrame::yuv(VideoFrame::Layout::packed422,
                                           QSize(frameWidth, frameHeight), {d, nullptr, nullptr},
                                           {frameWidth * 2, 0, 0}, 1, 0, YuvColorimetry{}, bytes));
        } else {
            const uchar* u = d + lumaBytes;
            const uchar* v = u + lumaBytes / 4;
            pool.push_back(VideoFrame::yuv(
                VideoFrame::Layout::planar, QSize(frameWidth, frameHeight), {d, u, v},
                {frameWidth, frameWidth / 2, frameWidth / 2}, 1, 1, YuvColorimetry{}, bytes));
        }
    }
    return pool;
}

// range(0): 1 for YUY2, 0 for I420; range(1): 1 for the tilt.
void BM_PictureFromYuv(benchmark::State& state) {
    const std::vector<VideoFrame> pool = framePool(state.range(0) != 0);
    auto appearance = CameraAppearanceSettings::compiledDefault();
    appearance.saturation = 0.6;
    appearance.contrast = 1.3;
    appearance.brightness = 0.1;
    appearance.hueRotation = 40;
    PictureStyle style;
    style.frameSize = QSizeF(400, 400);
    style.zoom = 1.4;
    style.mirrored = true;
    style.borderThickness = 6;
    style.color = ColorMatrix::forAppearance(appearance);
    if (state.range(1) != 0) {
        style.xAngle = 12;
        style.yAngle = -15;
        style.zAngle = 8;
    }
    PictureRenderer renderer;
    renderer.setStyle(style);
    std::size_t next = 0;
    for (auto _ : state) {
        renderer.render(pool[next++ % pool.size()]);
        benchmark::DoNotOptimize(renderer.block().constBits());
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_PictureFromYuv)
    ->ArgNames({"yuy2", "tilted"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace mirelon

BENCHMARK_MAIN();
