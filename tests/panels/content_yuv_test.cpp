// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/ColorMatrix.h"
#include "panels/content/PictureRenderer.h"
#include "platform/gstreamer/GstCapturePipeline.h"

#include <gst/gst.h>
#include <gst/video/video.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

namespace mirelon {
namespace {

QImage smoothSource(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int r = int(127.5 + 110 * std::sin(x * 0.045));
            const int g = int(127.5 + 110 * std::cos(y * 0.05));
            const int b = 30 + (x + y) * 190 / (size.width() + size.height());
            row[x] = 0xFF000000u | quint32(r << 16) | quint32(g << 8) | quint32(b);
        }
    }
    return image;
}

GstSample* sampleOf(const QImage& image) {
    GstCaps* caps = gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, image.width(),
        "height", G_TYPE_INT, image.height(), "framerate", GST_TYPE_FRACTION, 0, 1, nullptr);
    GstBuffer* buffer = gst_buffer_new_memdup(image.constBits(), gsize(image.sizeInBytes()));
    GstSample* sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_buffer_unref(buffer);
    gst_caps_unref(caps);
    return sample;
}

// What the pipeline's videoconvert makes of a sample.
GstSample* converted(GstSample* sample, const char* format, QSize size) {
    GstCaps* caps =
        gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, "width", G_TYPE_INT,
                            size.width(), "height", G_TYPE_INT, size.height(), nullptr);
    GError* error = nullptr;
    GstSample* out = gst_video_convert_sample(sample, caps, GST_CLOCK_TIME_NONE, &error);
    gst_caps_unref(caps);
    if (error) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
    }
    return out;
}

struct Difference {
    int worst = 0;
    double mean = 0;
};

Difference compare(const QImage& a, const QImage& b) {
    Difference d;
    long long sum = 0;
    long long n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const quint32*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const quint32*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            int diff = 0;
            for (int shift : {0, 8, 16, 24}) {
                diff = std::max(
                    diff, std::abs(int((pa[x] >> shift) & 0xFF) - int((pb[x] >> shift) & 0xFF)));
            }
            d.worst = std::max(d.worst, diff);
            sum += diff;
            ++n;
        }
    }
    d.mean = n ? double(sum) / double(n) : 0;
    return d;
}

TEST(ContentYuv, CameraYuvIsSampledLikeTheConvertedPicture) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    const QSize size(320, 240);
    GstSample* rgb = sampleOf(smoothSource(size));
    auto appearance = CameraAppearanceSettings::compiledDefault();
    appearance.contrast = 1.3;
    appearance.hueRotation = 25;

    for (const char* format : {"YUY2", "NV12", "I420", "Y42B", "Y444"}) {
        GstSample* yuv = converted(rgb, format, size);
        ASSERT_NE(yuv, nullptr) << format;
        const VideoFrame direct = GstCapture::frameOf(yuv);
        ASSERT_TRUE(direct.isYuv()) << format;
        // The old path: the whole frame converted to BGRx first.
        GstSample* back = converted(yuv, "BGRx", size);
        const VideoFrame convertedFrame = GstCapture::frameOf(back);
        ASSERT_FALSE(convertedFrame.image().isNull());

        for (const bool tilted : {false, true}) {
            SCOPED_TRACE(testing::Message() << format << (tilted ? " tilted" : " flat"));
            PictureStyle style;
            style.frameSize = QSizeF(120, 90);
            style.zoom = 1.2;
            style.mirrored = true;
            style.borderThickness = 3;
            style.color = ColorMatrix::forAppearance(appearance);
            if (tilted) {
                style.xAngle = 20;
                style.yAngle = -15;
            }
            auto render = [&](const VideoFrame& frame) {
                PictureRenderer r;
                r.setStyle(style);
                r.render(frame);
                EXPECT_TRUE(r.hasPicture());
                return r.block();
            };
            const QImage fromYuv = render(direct);
            // Against the pipeline's own conversion, which rounds on its
            // way (a few levels even on a plain round trip).
            const Difference pipeline = compare(fromYuv, render(convertedFrame));
            EXPECT_LE(pipeline.worst, 14);
            EXPECT_LT(pipeline.mean, 5.0);
            // Against an exact conversion of the same YUV values: only the
            // fixed-point arithmetic differs, and for subsampled chroma the
            // interpolation (the exact one repeats each chroma sample).
            const bool subsampled = QByteArray(format) != "Y444";
            const Difference exact = compare(fromYuv, render(direct.toImage()));
            EXPECT_LE(exact.worst, subsampled ? 8 : 6);
            EXPECT_LT(exact.mean, subsampled ? 2.0 : 1.5);
        }
        gst_sample_unref(back);
        gst_sample_unref(yuv);
    }
    gst_sample_unref(rgb);
}

TEST(ContentYuv, FullRangeAndVideoRangeWhiteAndBlackLandOnWhiteAndBlack) {
    // 2x2 planar 4:4:4 pictures: white on top, black below.
    const uchar videoY[4] = {235, 235, 16, 16};
    const uchar fullY[4] = {255, 255, 0, 0};
    const uchar chroma[4] = {128, 128, 128, 128};
    for (const bool full : {false, true}) {
        const VideoFrame frame = VideoFrame::yuv(
            VideoFrame::Layout::planar, QSize(2, 2), {full ? fullY : videoY, chroma, chroma},
            {2, 2, 2}, 0, 0, YuvColorimetry{0.2126, 0.0722, full}, nullptr);
        const QImage image = frame.toImage();
        EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
        EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0));
        PictureStyle style;
        style.frameSize = QSizeF(40, 40);
        style.exponent = 50;  // nearly square: the corners show
        PictureRenderer r;
        r.setStyle(style);
        r.render(frame);
        // (Positions at the picture's edge are a 256th short of it: one level.)
        const QRgb top = r.block().pixel(20, 2);
        const QRgb bottom = r.block().pixel(20, 37);
        for (const int c : {qRed(top), qGreen(top), qBlue(top)}) {
            EXPECT_GE(c, 254);
        }
        for (const int c : {qRed(bottom), qGreen(bottom), qBlue(bottom)}) {
            EXPECT_LE(c, 1);
        }
    }
}

// A tilted YUV picture is sampled once, as finely as an RGB one: full-range
// grey noise as 4:4:4 planes and as RGB, turned and tilted, give the same
// pixels (a second resampling on the way would blur the noise away).
TEST(ContentYuv, TiltedYuvKeepsTheDetailOfTheSamePictureInRgb) {
    const QSize size(200, 150);
    const std::size_t n = std::size_t(size.width()) * std::size_t(size.height());
    auto planes = std::make_shared<std::vector<uchar>>(n * 3, uchar(128));
    QImage rgb(size, QImage::Format_RGB32);
    std::mt19937 random(8);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const uchar v = uchar(random());
            (*planes)[std::size_t(y) * std::size_t(size.width()) + std::size_t(x)] = v;
            rgb.setPixel(x, y, qRgb(v, v, v));
        }
    }
    const uchar* d = planes->data();
    const VideoFrame yuv = VideoFrame::yuv(VideoFrame::Layout::planar, size, {d, d + n, d + 2 * n},
                                           {size.width(), size.width(), size.width()}, 0, 0,
                                           YuvColorimetry{0.299, 0.114, true}, planes);
    for (const bool mirrored : {false, true}) {
        SCOPED_TRACE(mirrored ? "mirrored" : "not mirrored");
        PictureStyle style;
        style.frameSize = QSizeF(120, 120);
        style.zoom = 1.3;
        style.mirrored = mirrored;
        style.xAngle = 14;
        style.yAngle = -20;
        style.zAngle = 9;
        PictureRenderer fromYuv, fromRgb;
        fromYuv.setStyle(style);
        fromRgb.setStyle(style);
        fromYuv.render(yuv);
        fromRgb.render(VideoFrame(rgb));
        ASSERT_EQ(fromYuv.block().size(), fromRgb.block().size());
        long opaque = 0;
        for (int y = 0; y < fromRgb.block().height(); ++y) {
            for (int x = 0; x < fromRgb.block().width(); ++x) {
                opaque += qAlpha(fromRgb.block().pixel(x, y)) == 255;
            }
        }
        const int worst = compare(fromYuv.block(), fromRgb.block()).worst;
        EXPECT_GT(opaque, 5000);
        EXPECT_LE(worst, 2);
    }
}

}  // namespace
}  // namespace mirelon
