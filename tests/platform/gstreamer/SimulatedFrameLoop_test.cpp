// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/SimulatedFrameLoop.h"

#include "platform/jpeg/JpegFrameDecoder.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace mirelon {
namespace {

QImage grey(QSize size, int level) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(level, level, level));
    return image;
}

// Mean and standard deviation of the green channel's difference a - b.
std::pair<double, double> difference(const QImage& a, const QImage& b) {
    double sum = 0, squares = 0;
    const double n = double(a.width()) * a.height();
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const double d = qGreen(a.pixel(x, y)) - qGreen(b.pixel(x, y));
            sum += d;
            squares += d * d;
        }
    }
    const double mean = sum / n;
    return {mean, std::sqrt(squares / n - mean * mean)};
}

TEST(SimulatedFrameLoopTest, SensorNoiseIsAGrainAroundThePictureSameForTheSameSeed) {
    const QImage picture = grey(QSize(160, 120), 128);
    QImage a = picture, b = picture, again = picture;
    SimulatedFrameLoop::addSensorNoise(a, 1);
    SimulatedFrameLoop::addSensorNoise(b, 2);
    SimulatedFrameLoop::addSensorNoise(again, 1);
    EXPECT_EQ(a, again);
    EXPECT_NE(a, b);
    const auto [mean, deviation] = difference(a, picture);
    EXPECT_NEAR(mean, 0.0, 0.6);
    EXPECT_GT(deviation, 2.5);
    EXPECT_LT(deviation, 6.0);
    // Clamped at the ends of the range, never wrapped around.
    QImage black = grey(QSize(64, 64), 0);
    SimulatedFrameLoop::addSensorNoise(black, 3);
    EXPECT_LT(difference(black, grey(QSize(64, 64), 0)).first, 6.0);
}

TEST(SimulatedFrameLoopTest, LoopsDistinctNoisyFramesOfThePicture) {
    const QImage picture = grey(QSize(320, 240), 100);
    CaptureMode mjpeg{CaptureMode::Encoding::mjpeg, {}, 320, 240, 30, 1};
    const auto loop = SimulatedFrameLoop::make(picture, mjpeg, 0, 4);
    ASSERT_TRUE(loop);
    ASSERT_EQ(loop->frameCount(), 4);
    std::set<QByteArray> distinct;
    JpegFrameDecoder decoder;
    QImage first;
    for (int i = 0; i < loop->frameCount(); ++i) {
        const QByteArray jpeg = loop->frameData(i);
        distinct.insert(jpeg);
        const VideoFrame frame = decoder.decode(
            reinterpret_cast<const unsigned char*>(jpeg.constData()), std::size_t(jpeg.size()), 1);
        ASSERT_FALSE(frame.isNull()) << i;
        ASSERT_EQ(frame.size(), QSize(320, 240));
        const QImage shown = frame.toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_NEAR(difference(shown, picture).first, 0.0, 1.5) << i;
        if (i == 0) {
            first = shown;
        } else {
            // Two frames differ everywhere by the grain of both.
            EXPECT_GT(difference(shown, first).second, 2.0) << i;
        }
    }
    EXPECT_EQ(distinct.size(), 4u);
    EXPECT_TRUE(loop->frameData(4).isEmpty());

    // Raw frames: the planes of each, one loop frame per camera frame.
    CaptureMode yuy2{CaptureMode::Encoding::raw, QStringLiteral("YUY2"), 320, 240, 30, 1};
    const auto raw = SimulatedFrameLoop::make(picture, yuy2, 0, 3);
    ASSERT_TRUE(raw);
    ASSERT_EQ(raw->frameCount(), 3);
    EXPECT_EQ(raw->frameData(0).size(), 320 * 240 * 2);
    EXPECT_NE(raw->frameData(0), raw->frameData(1));
    EXPECT_NE(raw->frameData(1), raw->frameData(2));
    // One frame (the default): the picture as it is, without noise.
    const auto still = SimulatedFrameLoop::make(picture, yuy2, 0);
    ASSERT_TRUE(still);
    ASSERT_EQ(still->frameCount(), 1);
    const QByteArray plain = still->frameData(0);
    EXPECT_EQ(std::set<char>(plain.begin(), plain.end()).size(), 2u);  // one Y, one U/V level
}

}  // namespace
}  // namespace mirelon
