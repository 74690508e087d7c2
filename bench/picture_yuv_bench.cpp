// SPDX-License-Identifier: GPL-3.0-or-later
// The camera block drawn from YUV camera frames as they arrive: 1280x720
// YUY2 (packed 4:2:2) and I420 (planar 4:2:0) frames of sensor-like noise,
// sixteen distinct ones cycled so that, as with a real camera, no cache
// holds a frame when it is drawn. The block is a 400x400 squircle with a
// border, mirrored, at zoom 1.4 with every colour filter: flat, and tilted
// in 3D.
//
// The scaler on its own, against GStreamer's: the middle square of 1280x720
// YUY2 frames at zoom 1.4 made a 400x400 RGB picture, by the renderer (no
// shape, border or filter) and by the chain a user would write for it,
// crop and scale in YUY2 (as videocrop ! videoscale) and then convert to
// BGRx (as videoconvert), each converter on one thread. Each also reports
// its fidelity (psnr_db): a grey zone plate whose detail stays below the
// frame's Nyquist limit is scaled once, and every shown pixel (all but a
// 4-pixel edge) is compared with the formula evaluated where that pixel's
// centre falls in the frame: the picture a perfect scaler would show.

#include "panels/content/ColorMatrix.h"
#include "panels/content/PictureRenderer.h"

#include <benchmark/benchmark.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cmath>
#include <functional>
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

// Grey levels of the zone plate at frame position (x, y), pixel centres at
// whole numbers. Its frequency grows to 1.8 rad/pixel at the corners of the
// middle square: fine detail, yet all of it representable.
double zonePlate(double x, double y) {
    const double dx = x - frameWidth / 2.0;
    const double dy = y - frameHeight / 2.0;
    return 125 + 90 * std::cos((dx * dx + dy * dy) / 400.0);
}

// The zone plate as a grey YUY2 frame (video range, chroma neutral).
VideoFrame zonePlateFrame() {
    auto bytes = std::make_shared<std::vector<uchar>>(std::size_t(frameWidth) * frameHeight * 2);
    for (int y = 0; y < frameHeight; ++y) {
        uchar* row = bytes->data() + std::size_t(y) * frameWidth * 2;
        for (int x = 0; x < frameWidth; ++x) {
            row[2 * x] = uchar(std::lround(zonePlate(x, y)));
            row[2 * x + 1] = 128;
        }
    }
    const uchar* d = bytes->data();
    return VideoFrame::yuv(VideoFrame::Layout::packed422, QSize(frameWidth, frameHeight),
                           {d, nullptr, nullptr}, {frameWidth * 2, 0, 0}, 1, 0, YuvColorimetry{},
                           bytes);
}

// Peak signal to noise ratio (dB) of a 400x400 grey output against the zone
// plate: shown(x, y) is the output's level there, at(x, y) where that
// pixel's centre lies in the frame.
double fidelity(const std::function<int(int, int)>& shown,
                const std::function<QPointF(int, int)>& at) {
    double squares = 0;
    int count = 0;
    for (int y = 4; y < 396; ++y) {
        for (int x = 4; x < 396; ++x) {
            const QPointF p = at(x, y);
            // Video range to full range, as both converters do for grey.
            const double ideal =
                std::clamp((zonePlate(p.x(), p.y()) - 16) * 255.0 / 219.0, 0.0, 255.0);
            const double error = shown(x, y) - ideal;
            squares += error * error;
            ++count;
        }
    }
    return 10 * std::log10(255.0 * 255.0 / (squares / count));
}

void BM_ScalerOwn(benchmark::State& state) {
    const std::vector<VideoFrame> pool = framePool(true);
    PictureStyle style;
    style.frameSize = QSizeF(400, 400);
    style.zoom = 1.4;
    style.exponent = 1000;  // a plain rectangle
    PictureRenderer renderer;
    renderer.setStyle(style);
    {
        renderer.render(zonePlateFrame());
        const QImage& block = renderer.block();
        const QPointF origin = renderer.blockRect().topLeft();  // of the frame's top-left
        // Aspect-filled and zoomed about the centre, as the renderer maps it.
        const double scale = 400.0 / frameHeight * style.zoom;
        state.counters["psnr_db"] = fidelity(
            [&](int x, int y) {
                const int bx = x - int(std::lround(origin.x()));
                const int by = y - int(std::lround(origin.y()));
                return int((block.pixel(bx, by) >> 8) & 0xFF);
            },
            [&](int x, int y) {
                return QPointF((x + 0.5 - 200) / scale + frameWidth / 2.0 - 0.5,
                               (y + 0.5 - 200) / scale + frameHeight / 2.0 - 0.5);
            });
    }
    std::size_t next = 0;
    for (auto _ : state) {
        renderer.render(pool[next++ % pool.size()]);
        benchmark::DoNotOptimize(renderer.block().constBits());
    }
    state.SetItemsProcessed(state.iterations());
}

GstVideoConverter* converter(GstVideoFormat from, QRect crop, GstVideoFormat to) {
    GstVideoInfo in, out;
    gst_video_info_set_format(&in, from, frameWidth, frameHeight);
    gst_video_info_set_format(&out, to, 400, 400);
    GstStructure* options = gst_structure_new(
        "options", GST_VIDEO_CONVERTER_OPT_RESAMPLER_METHOD, GST_TYPE_VIDEO_RESAMPLER_METHOD,
        GST_VIDEO_RESAMPLER_METHOD_LINEAR, GST_VIDEO_CONVERTER_OPT_THREADS, G_TYPE_UINT, 1u,
        GST_VIDEO_CONVERTER_OPT_SRC_X, G_TYPE_INT, crop.x(), GST_VIDEO_CONVERTER_OPT_SRC_Y,
        G_TYPE_INT, crop.y(), GST_VIDEO_CONVERTER_OPT_SRC_WIDTH, G_TYPE_INT, crop.width(),
        GST_VIDEO_CONVERTER_OPT_SRC_HEIGHT, G_TYPE_INT, crop.height(), nullptr);
    if (crop.isNull()) {
        gst_video_info_set_format(&in, from, 400, 400);
        gst_structure_free(options);
        options =
            gst_structure_new("options", GST_VIDEO_CONVERTER_OPT_THREADS, G_TYPE_UINT, 1u, nullptr);
    }
    return gst_video_converter_new(&in, &out, options);
}

struct MappedFrame {
    GstVideoInfo info;
    GstBuffer* buffer = nullptr;
    GstVideoFrame frame;
    MappedFrame(GstVideoFormat format, int width, int height, const uchar* data = nullptr) {
        gst_video_info_set_format(&info, format, guint(width), guint(height));
        buffer =
            data ? gst_buffer_new_wrapped_full(GST_MEMORY_FLAG_READONLY, const_cast<uchar*>(data),
                                               info.size, 0, info.size, nullptr, nullptr)
                 : gst_buffer_new_allocate(nullptr, info.size, nullptr);
        gst_video_frame_map(&frame, &info, buffer, data ? GST_MAP_READ : GST_MAP_WRITE);
    }
    ~MappedFrame() {
        gst_video_frame_unmap(&frame);
        gst_buffer_unref(buffer);
    }
};

void BM_ScalerGStreamer(benchmark::State& state) {
    gst_init(nullptr, nullptr);
    const std::vector<VideoFrame> pool = framePool(true);
    std::vector<std::unique_ptr<MappedFrame>> sources;
    for (const VideoFrame& f : pool) {
        sources.push_back(std::make_unique<MappedFrame>(GST_VIDEO_FORMAT_YUY2, frameWidth,
                                                        frameHeight, f.plane(0)));
    }
    // The middle square the panel shows at zoom 1.4 (even, for YUY2).
    const int side = int(frameHeight / 1.4) & ~1;
    const QRect crop(((frameWidth - side) / 2) & ~1, (frameHeight - side) / 2, side, side);
    GstVideoConverter* scale = converter(GST_VIDEO_FORMAT_YUY2, crop, GST_VIDEO_FORMAT_YUY2);
    GstVideoConverter* convert = converter(GST_VIDEO_FORMAT_YUY2, QRect(), GST_VIDEO_FORMAT_BGRx);
    MappedFrame scaled(GST_VIDEO_FORMAT_YUY2, 400, 400);
    MappedFrame shown(GST_VIDEO_FORMAT_BGRx, 400, 400);
    {
        const VideoFrame plate = zonePlateFrame();
        MappedFrame source(GST_VIDEO_FORMAT_YUY2, frameWidth, frameHeight, plate.plane(0));
        gst_video_converter_frame(scale, &source.frame, &scaled.frame);
        gst_video_converter_frame(convert, &scaled.frame, &shown.frame);
        const auto* bits = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&shown.frame, 0));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&shown.frame, 0);
        // Output centres spread evenly over the crop, as the scaler maps them.
        const double step = double(side) / 400;
        state.counters["psnr_db"] =
            fidelity([&](int x, int y) { return int(bits[y * stride + x * 4 + 1]); },
                     [&](int x, int y) {
                         return QPointF(crop.x() + (x + 0.5) * step - 0.5,
                                        crop.y() + (y + 0.5) * step - 0.5);
                     });
    }
    std::size_t next = 0;
    for (auto _ : state) {
        gst_video_converter_frame(scale, &sources[next++ % sources.size()]->frame, &scaled.frame);
        gst_video_converter_frame(convert, &scaled.frame, &shown.frame);
        benchmark::DoNotOptimize(GST_VIDEO_FRAME_PLANE_DATA(&shown.frame, 0));
    }
    gst_video_converter_free(scale);
    gst_video_converter_free(convert);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ScalerOwn)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScalerGStreamer)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace mirelon

BENCHMARK_MAIN();
