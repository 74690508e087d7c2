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

// Cameras showing the same picture the same way play one loop; the picture
// is decoded only while a loop is made, and loops nobody plays are gone.
TEST(SimulatedFrameLoopTest, CamerasShowingOnePictureTheSameWayShareItsFrames) {
    const QImage picture = grey(QSize(320, 240), 90);
    const QByteArray file = QByteArrayLiteral("the picture's file");
    const QByteArray other = QByteArrayLiteral("another picture's file");
    int decoded = 0;
    const auto decode = [&] {
        ++decoded;
        return picture;
    };
    CaptureMode mjpeg{CaptureMode::Encoding::mjpeg, {}, 320, 240, 30, 1};
    CaptureMode yuy2{CaptureMode::Encoding::raw, QStringLiteral("YUY2"), 320, 240, 30, 1};
    const std::size_t before = SimulatedFrameLoop::sharedBytes();
    {
        const auto a = SimulatedFrameLoop::shared(file, decode, mjpeg, 0, 3);
        const auto b = SimulatedFrameLoop::shared(file, decode, mjpeg, 0, 3);
        ASSERT_TRUE(a);
        EXPECT_EQ(a, b);
        EXPECT_EQ(decoded, 1);
        // The frames a bench's peer gets from make() are the same.
        const auto made = SimulatedFrameLoop::make(picture, mjpeg, 0, 3);
        ASSERT_EQ(a->frameCount(), made->frameCount());
        for (int i = 0; i < a->frameCount(); ++i) {
            EXPECT_EQ(a->frameData(i), made->frameData(i)) << i;
        }
        // Another mode, picture, noise or corruption: frames of their own.
        const auto raw = SimulatedFrameLoop::shared(file, decode, yuy2, 0, 3);
        const auto otherPicture = SimulatedFrameLoop::shared(other, decode, mjpeg, 0, 3);
        const auto still = SimulatedFrameLoop::shared(file, decode, mjpeg, 0, 1);
        const auto corrupt = SimulatedFrameLoop::shared(file, decode, mjpeg, 5, 3);
        for (const auto& loop : {raw, otherPicture, still, corrupt}) {
            ASSERT_TRUE(loop);
            EXPECT_NE(loop, a);
        }
        EXPECT_EQ(decoded, 5);
        EXPECT_EQ(raw->byteCount(), std::size_t(3 * 320 * 240 * 2));
        EXPECT_EQ(SimulatedFrameLoop::sharedBytes(), before + a->byteCount() + raw->byteCount() +
                                                         otherPicture->byteCount() +
                                                         still->byteCount() + corrupt->byteCount());
        // Without an image file (bars) nothing is decoded.
        const auto bars = SimulatedFrameLoop::shared(QByteArray(), decode, mjpeg, 0, 1);
        ASSERT_TRUE(bars);
        EXPECT_EQ(decoded, 5);
    }
    EXPECT_EQ(SimulatedFrameLoop::sharedBytes(), before);
    // Nobody plays them any more: made afresh.
    ASSERT_TRUE(SimulatedFrameLoop::shared(file, decode, mjpeg, 0, 3));
    EXPECT_EQ(decoded, 6);
}

}  // namespace
}  // namespace mirelon
