// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/jpeg/JpegFrameDecoder.h"

#include <QImage>

#include <turbojpeg.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace mirelon {
namespace {

// A smooth test picture: red grows to the right, green downwards.
QImage picture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            row[x] = 0xFF000000u | quint32((x * 255 / size.width()) << 16) |
                     quint32((y * 255 / size.height()) << 8) | 0x60u;
        }
    }
    return image;
}

std::vector<unsigned char> encode(const QImage& image, int subsampling) {
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(h, image.constBits(), image.width(), int(image.bytesPerLine()),
                               image.height(), TJPF_BGRX, &out, &size, subsampling, 90, 0);
    std::vector<unsigned char> bytes;
    if (rc == 0) {
        bytes.assign(out, out + size);
    }
    tjFree(out);
    tjDestroy(h);
    return bytes;
}

TEST(JpegFrameDecoderTest, ReductionIsTheLargestThatStillCoversThePicture) {
    const QSize hd(1920, 1080);
    EXPECT_EQ(JpegFrameDecoder::scaleDenominator(hd, QSize()), 1);
    EXPECT_EQ(JpegFrameDecoder::scaleDenominator(hd, QSize(400, 400)), 2);  // 960x540
    EXPECT_EQ(JpegFrameDecoder::scaleDenominator(hd, QSize(400, 270)), 4);  // 480x270
    EXPECT_EQ(JpegFrameDecoder::scaleDenominator(hd, QSize(200, 130)), 8);  // 240x135
    // Shown enlarged by at most a quarter: 540 rows serve 675, not 676.
    EXPECT_EQ(JpegFrameDecoder::scaleDenominator(hd, QSize(675, 675)), 2);
    EXPECT_EQ(JpegFrameDecoder::scaleDenominator(hd, QSize(676, 676)), 1);
    EXPECT_EQ(JpegFrameDecoder::scaleDenominator(hd, QSize(1000, 700)), 1);
    EXPECT_EQ(JpegFrameDecoder::scaleDenominator(hd, QSize(2401, 10)), 1);
    // Odd sizes round up, as the decoder does (126 x 76 of a 1001 x 601 frame).
    EXPECT_EQ(JpegFrameDecoder::scaleDenominator(QSize(1001, 601), QSize(157, 95)), 8);
    EXPECT_EQ(JpegFrameDecoder::scaleDenominator(QSize(1001, 601), QSize(158, 95)), 4);
}

TEST(JpegFrameDecoderTest, DecodesIntoYuvPlanesAtTheReducedSize) {
    const QImage source = picture(QSize(640, 480));
    JpegFrameDecoder decoder;
    for (const int subsampling : {TJSAMP_420, TJSAMP_422, TJSAMP_444}) {
        SCOPED_TRACE(subsampling);
        const auto jpeg = encode(source, subsampling);
        ASSERT_FALSE(jpeg.empty());
        for (const int d : {1, 2, 4, 8}) {
            const VideoFrame frame = decoder.decode(jpeg.data(), jpeg.size(), d);
            ASSERT_FALSE(frame.isNull());
            EXPECT_EQ(frame.layout(), VideoFrame::Layout::planar);
            EXPECT_EQ(frame.size(), QSize(640 / d, 480 / d));
            EXPECT_TRUE(frame.colorimetry().fullRange);
            EXPECT_EQ(frame.chromaShiftX(), subsampling == TJSAMP_444 ? 0 : 1);
            EXPECT_EQ(frame.chromaShiftY(), subsampling == TJSAMP_420 ? 1 : 0);
            // The colours survive (JPEG and the smooth picture allow a little).
            const QImage shown = frame.toImage();
            for (const QPoint p : {QPoint(1, 1), QPoint(3, 2), QPoint(2, 3)}) {
                const QPoint at(p.x() * shown.width() / 4, p.y() * shown.height() / 4);
                const QRgb expected = source.pixel(at * d);
                const QRgb got = shown.pixel(at);
                EXPECT_NEAR(qRed(got), qRed(expected), 8);
                EXPECT_NEAR(qGreen(got), qGreen(expected), 8);
                EXPECT_NEAR(qBlue(got), qBlue(expected), 8);
            }
        }
    }
    EXPECT_EQ(decoder.lastFullSize(), QSize(640, 480));
    const auto jpeg = encode(source, TJSAMP_422);
    EXPECT_EQ(decoder.decodeFor(jpeg.data(), jpeg.size(), QSize(150, 100)).size(), QSize(160, 120));
}

TEST(JpegFrameDecoderTest, CorruptAndTruncatedFramesGiveNoFrame) {
    JpegFrameDecoder decoder;
    const auto jpeg = encode(picture(QSize(320, 240)), TJSAMP_422);
    ASSERT_FALSE(jpeg.empty());
    // Cut short, as a camera's dropped USB packets leave it.
    for (const std::size_t keep : {jpeg.size() / 2, jpeg.size() - 1, std::size_t(200)}) {
        EXPECT_TRUE(decoder.decode(jpeg.data(), keep, 1).isNull()) << keep;
    }
    // Cut short but ending in an end marker by chance.
    auto cut = std::vector<unsigned char>(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2));
    cut.push_back(0xFF);
    cut.push_back(0xD9);
    EXPECT_TRUE(decoder.decode(cut.data(), cut.size(), 2).isNull());
    // Not a JPEG at all, or nothing.
    std::vector<unsigned char> noise(4000);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
    }
    noise[noise.size() - 2] = 0xFF;
    noise[noise.size() - 1] = 0xD9;
    EXPECT_TRUE(decoder.decode(noise.data(), noise.size(), 1).isNull());
    EXPECT_TRUE(decoder.decode(nullptr, 0, 1).isNull());
    EXPECT_TRUE(decoder.decode(jpeg.data(), 3, 1).isNull());
    // A header claiming a huge picture is refused before any allocation.
    auto huge = jpeg;
    for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {  // start of frame: height, width
            huge[i + 5] = 0xFF;
            huge[i + 6] = 0xFF;
            huge[i + 7] = 0xFF;
            huge[i + 8] = 0xFF;
            break;
        }
    }
    EXPECT_TRUE(decoder.decode(huge.data(), huge.size(), 1).isNull());
    // The decoder goes on decoding good frames afterwards.
    EXPECT_EQ(decoder.decode(jpeg.data(), jpeg.size(), 1).size(), QSize(320, 240));
}

// Decodes the whole frame to BGRx at 1/d, the reference for windows.
QImage wholeFrame(const std::vector<unsigned char>& jpeg, int d) {
    tjhandle h = tjInitDecompress();
    int w = 0, ht = 0, sub = 0, cs = 0;
    tjDecompressHeader3(h, jpeg.data(), jpeg.size(), &w, &ht, &sub, &cs);
    QImage out((w + d - 1) / d, (ht + d - 1) / d, QImage::Format_RGB32);
    tjDecompress2(h, jpeg.data(), jpeg.size(), out.bits(), out.width(), int(out.bytesPerLine()),
                  out.height(), TJPF_BGRX, 0);
    tjDestroy(h);
    return out;
}

TEST(JpegFrameDecoderTest, WindowHoldsTheWholeFramesPixelsWhereTheRegionLies) {
    const QImage source = picture(QSize(1280, 720));
    JpegFrameDecoder decoder;
    const QRectF centre(0.3, 0.15, 0.4, 0.7);  // a zoomed square panel's part of 16:9
    const QRectF corner(0.0, 0.6, 0.25, 0.4);
    for (const int subsampling : {TJSAMP_420, TJSAMP_422, TJSAMP_444, TJSAMP_GRAY}) {
        const auto jpeg = encode(source, subsampling);
        ASSERT_FALSE(jpeg.empty());
        for (const int d : {1, 2, 4}) {
            const QImage whole = wholeFrame(jpeg, d);
            for (const QRectF& region : {centre, corner}) {
                SCOPED_TRACE(testing::Message() << "subsampling " << subsampling << " 1/" << d
                                                << " region " << region.x() << "," << region.y());
                const VideoFrame frame = decoder.decodeWindow(jpeg.data(), jpeg.size(), d, region);
                ASSERT_FALSE(frame.isNull());
                EXPECT_EQ(frame.layout(), VideoFrame::Layout::rgb);
                EXPECT_EQ(frame.size(), whole.size());
                ASSERT_TRUE(frame.isWindowed());
                const QRect window = frame.window();
                EXPECT_EQ(frame.image().size(), window.size());
                // The region, in pixels of the reduced frame, lies inside
                // the window with room for the bilinear neighbours.
                const QRect needed(QPoint(int(std::floor(region.left() * whole.width())) - 1,
                                          int(std::floor(region.top() * whole.height())) - 1),
                                   QPoint(int(std::ceil(region.right() * whole.width())),
                                          int(std::ceil(region.bottom() * whole.height()))));
                EXPECT_TRUE(window.contains(needed.intersected(whole.rect())));
                // Much less than the frame was decoded.
                EXPECT_LT(window.width() * window.height(), whole.width() * whole.height() * 0.6);
                int worst = 0;
                for (int y = 0; y < window.height(); y += 3) {
                    for (int x = 0; x < window.width(); x += 3) {
                        const QRgb a = frame.image().pixel(x, y);
                        const QRgb b = whole.pixel(window.x() + x, window.y() + y);
                        worst = std::max({worst, std::abs(qRed(a) - qRed(b)),
                                          std::abs(qGreen(a) - qGreen(b)),
                                          std::abs(qBlue(a) - qBlue(b))});
                    }
                }
                // Chroma upsampling at the window's edges may differ a little.
                EXPECT_LE(worst, 3);
            }
        }
    }
    EXPECT_EQ(decoder.lastFullSize(), QSize(1280, 720));
}

TEST(JpegFrameDecoderTest, WindowOnlyWhenClearlyLessThanTheFrame) {
    EXPECT_FALSE(JpegFrameDecoder::decodesWindow(QRectF()));
    EXPECT_FALSE(JpegFrameDecoder::decodesWindow(QRectF(0, 0, 1, 1)));
    EXPECT_FALSE(JpegFrameDecoder::decodesWindow(QRectF(0.05, 0.05, 0.9, 0.9)));
    EXPECT_TRUE(JpegFrameDecoder::decodesWindow(QRectF(0.2, 0.1, 0.6, 0.8)));
    // Partly outside the frame counts only inside it.
    EXPECT_TRUE(JpegFrameDecoder::decodesWindow(QRectF(0.5, -1, 2, 3)));

    const auto jpeg = encode(picture(QSize(640, 480)), TJSAMP_422);
    JpegFrameDecoder decoder;
    const VideoFrame all = decoder.decodeFor(jpeg.data(), jpeg.size(), QSize(), QRectF(0, 0, 1, 1));
    EXPECT_EQ(all.layout(), VideoFrame::Layout::planar);
    const VideoFrame part =
        decoder.decodeFor(jpeg.data(), jpeg.size(), QSize(150, 100), QRectF(0.25, 0.25, 0.5, 0.5));
    EXPECT_EQ(part.layout(), VideoFrame::Layout::rgb);
    EXPECT_EQ(part.size(), QSize(160, 120));  // reduced by 4, then windowed
    EXPECT_TRUE(part.isWindowed());
}

TEST(JpegFrameDecoderTest, CorruptWindowsGiveNoFrameAndGoodOnesFollow) {
    JpegFrameDecoder decoder;
    const auto jpeg = encode(picture(QSize(640, 480)), TJSAMP_422);
    const QRectF region(0.25, 0.25, 0.5, 0.5);
    for (const std::size_t keep : {jpeg.size() / 2, jpeg.size() - 1, std::size_t(100)}) {
        EXPECT_TRUE(decoder.decodeWindow(jpeg.data(), keep, 2, region).isNull()) << keep;
    }
    auto cut = std::vector<unsigned char>(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2));
    cut.push_back(0xFF);
    cut.push_back(0xD9);
    EXPECT_TRUE(decoder.decodeWindow(cut.data(), cut.size(), 2, region).isNull());
    // Damage inside the entropy-coded data: a marker where data should be.
    auto damaged = jpeg;
    for (std::size_t i = damaged.size() / 3; i < damaged.size() / 3 + 64; i += 2) {
        damaged[i] = 0xFF;
        damaged[i + 1] = 0xD0 + (i % 8);
    }
    EXPECT_TRUE(decoder.decodeWindow(damaged.data(), damaged.size(), 1, region).isNull());
    std::vector<unsigned char> noise(4000);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
    }
    noise[noise.size() - 2] = 0xFF;
    noise[noise.size() - 1] = 0xD9;
    EXPECT_TRUE(decoder.decodeWindow(noise.data(), noise.size(), 1, region).isNull());
    EXPECT_TRUE(decoder.decodeWindow(nullptr, 0, 1, region).isNull());
    const VideoFrame good = decoder.decodeWindow(jpeg.data(), jpeg.size(), 2, region);
    ASSERT_FALSE(good.isNull());
    EXPECT_EQ(good.size(), QSize(320, 240));
}

// Memory: a 1080p frame's planes take about 3 MB; a panel rarely needs more
// than a tenth of that.
TEST(JpegFrameDecoderTest, FramesBeforeAnyWantedSizeAreDecodedSmall) {
    const auto jpeg = encode(picture(QSize(1920, 1080)), TJSAMP_422);
    JpegFrameDecoder decoder;
    const VideoFrame first = decoder.decodeFor(jpeg.data(), jpeg.size(), QSize());
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.size(), QSize(240, 135));
    EXPECT_LT(decoder.pooledBytes(), std::size_t(128 * 1024));
    // Once a size is wanted, the reduction it allows.
    EXPECT_EQ(decoder.decodeFor(jpeg.data(), jpeg.size(), QSize(400, 270)).size(), QSize(480, 270));
    EXPECT_EQ(decoder.decodeFor(jpeg.data(), jpeg.size(), QSize(1000, 700)).size(),
              QSize(1920, 1080));
    EXPECT_GE(decoder.pooledBytes(), std::size_t(1920 * 1080 * 2));
}

TEST(JpegFrameDecoderTest, BuffersShrinkWhenFramesNeedLessButHeldFramesStayIntact) {
    const auto jpeg = encode(picture(QSize(1920, 1080)), TJSAMP_422);
    JpegFrameDecoder decoder;
    const std::size_t fullPlanes = std::size_t(1920 * 1080 * 2);
    {
        // Three full frames alive at once (mailbox, screen, decoding).
        std::vector<VideoFrame> held;
        for (int i = 0; i < 3; ++i) {
            held.push_back(decoder.decode(jpeg.data(), jpeg.size(), 1));
            ASSERT_FALSE(held.back().isNull());
        }
        EXPECT_GE(decoder.pooledBytes(), 3 * fullPlanes);
    }
    // The panels shrank: small frames, and the large buffers go back.
    VideoFrame kept = decoder.decode(jpeg.data(), jpeg.size(), 1);
    const QImage keptPicture = kept.toImage();
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(decoder.decode(jpeg.data(), jpeg.size(), 8).isNull());
    }
    // Only the buffer a frame still refers to keeps its size...
    EXPECT_GE(decoder.pooledBytes(), fullPlanes);
    EXPECT_LT(decoder.pooledBytes(), fullPlanes + 256 * 1024);
    EXPECT_EQ(kept.toImage(), keptPicture);
    // ...until that frame is gone too.
    kept = VideoFrame();
    for (int i = 0; i < 2; ++i) {
        ASSERT_FALSE(decoder.decode(jpeg.data(), jpeg.size(), 8).isNull());
    }
    EXPECT_LT(decoder.pooledBytes(), std::size_t(256 * 1024));
    // Windows (BGRx) share the same buffers and give them back the same way.
    const VideoFrame window = decoder.decodeWindow(jpeg.data(), jpeg.size(), 1, QRectF(0, 0, 1, 1));
    ASSERT_EQ(window.size(), QSize(1920, 1080));
    EXPECT_GE(decoder.pooledBytes(), std::size_t(1920 * 1080 * 4));
    const QImage windowPicture = window.toImage();
    const VideoFrame small = decoder.decodeWindow(jpeg.data(), jpeg.size(), 8, QRectF(0, 0, 1, 1));
    EXPECT_EQ(small.size(), QSize(240, 135));
    EXPECT_EQ(window.toImage(), windowPicture) << "a frame in use is never resized";
}

// A buffer holds what the frames need now, not what it grew to: a window a
// little larger than the last one must not leave twice its size behind.
TEST(JpegFrameDecoderTest, BuffersHoldWhatFramesNeedWhenTheyGrowOrStartWithAWantedSize) {
    const auto jpeg = encode(picture(QSize(1920, 1080)), TJSAMP_422);
    JpegFrameDecoder decoder;
    // The size is known before the first frame: that frame already at the
    // reduction it allows, never at full size first.
    const VideoFrame first = decoder.decodeFor(jpeg.data(), jpeg.size(), QSize(500, 280));
    EXPECT_EQ(first.size(), QSize(480, 270));
    EXPECT_LT(decoder.pooledBytes(), std::size_t(1920 * 1080 / 4));

    JpegFrameDecoder growing;
    std::size_t needed = 0;
    for (const double side : {0.4, 0.5, 0.6}) {
        const QRectF region(0.2, 0.2, side, side);
        const VideoFrame window = growing.decodeWindow(jpeg.data(), jpeg.size(), 1, region);
        ASSERT_TRUE(window.isWindowed());
        needed = std::size_t(window.window().width()) * std::size_t(window.window().height()) * 4;
    }
    // Each frame was let go before the next: one buffer, of the last size.
    EXPECT_GE(growing.pooledBytes(), needed);
    EXPECT_LE(growing.pooledBytes(), needed + 4096);
}

}  // namespace
}  // namespace mirelon
