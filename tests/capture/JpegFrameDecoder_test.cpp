// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/JpegFrameDecoder.h"

#include <QImage>

#include <turbojpeg.h>

#include <gtest/gtest.h>

#include <cmath>
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

}  // namespace
}  // namespace mirelon
