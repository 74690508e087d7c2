// SPDX-License-Identifier: GPL-3.0-or-later
// A backdrop composed into the camera block must give what blending the
// block over it gives, whatever changes between frames: the kind of frame,
// the tilt, the picture's opacity, the source's size, an empty frame.
#include "panels/content/ColorMatrix.h"
#include "panels/content/PictureRenderer.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace mirelon {
namespace {

QImage rgbFrame(QSize size, int seed) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            image.setPixel(x, y, qRgb((x * 3 + seed) & 255, (y * 5 + seed) & 255, (x ^ y) & 255));
        }
    }
    return image;
}

VideoFrame yuvFrame(QSize size, int seed) {
    const std::size_t luma = std::size_t(size.width()) * std::size_t(size.height());
    auto bytes = std::make_shared<std::vector<uchar>>(luma * 3 / 2);
    std::mt19937 random{static_cast<unsigned>(seed)};
    for (auto& b : *bytes) {
        b = uchar(random());
    }
    const uchar* y = bytes->data();
    const int w = size.width();
    return VideoFrame::yuv(VideoFrame::Layout::planar, size, {y, y + luma, y + luma * 5 / 4},
                           {w, w / 2, w / 2}, 1, 1, YuvColorimetry{}, bytes);
}

// A shadow-like image larger than the block: translucent black of every alpha.
QImage backdropFor(QSize block, QPoint offset) {
    QImage image(block + QSize(offset.x() * 2, offset.y() * 2),
                 QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgba(0, 0, 0, (x * 7 + y * 3) % 230));
        }
    }
    return image;
}

// The largest channel difference between the composed block and the plain
// block blended over the backdrop.
int worstDifference(const PictureRenderer& composed, const PictureRenderer& plain,
                    const QImage& backdrop, QPoint offset) {
    QImage expected = backdrop.copy(QRect(offset, plain.block().size()));
    {
        QImage block = plain.block();
        block.setDevicePixelRatio(1);
        QPainter p(&expected);
        p.drawImage(0, 0, block);
    }
    const QImage& actual = composed.block();
    if (actual.size() != expected.size()) {
        return 256;
    }
    int worst = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            for (int shift : {0, 8, 16, 24}) {
                worst =
                    std::max(worst, std::abs(int((a >> shift) & 255) - int((e >> shift) & 255)));
            }
        }
    }
    return worst;
}

TEST(ContentBackdrop, ComposedBlockEqualsTheBlockBlendedOverItsBackdrop) {
    auto appearance = CameraAppearanceSettings::compiledDefault();
    appearance.contrast = 1.2;
    for (const bool tilted : {false, true}) {
        for (const bool yuv : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << (tilted ? "tilted" : "flat") << (yuv ? " YUV" : " RGB"));
            PictureStyle style;
            style.frameSize = QSizeF(90, 90);
            style.zoom = 0.8;  // the picture does not reach the frame's top and bottom
            style.borderThickness = 4;
            style.borderColor = QColor(250, 200, 0);
            style.color = ColorMatrix::forAppearance(appearance);
            if (tilted) {
                style.xAngle = 15;
                style.yAngle = -20;
                style.zAngle = 5;
            }
            PictureRenderer composed, plain;
            composed.setStyle(style);
            plain.setStyle(style);
            const QPoint offset(7, 5);
            auto frame = [&](QSize size, int seed) {
                return yuv ? yuvFrame(size, seed) : VideoFrame(rgbFrame(size, seed));
            };
            auto both = [&](const VideoFrame& f) {
                composed.render(f);
                plain.render(f);
            };
            both(frame(QSize(160, 120), 1));
            const QImage backdrop = backdropFor(composed.block().size(), offset);
            composed.setBackdrop(backdrop, offset);
            ASSERT_TRUE(composed.hasBackdrop());
            both(frame(QSize(160, 120), 2));
            EXPECT_LE(worstDifference(composed, plain, backdrop, offset), 1) << "first frame";

            style.opacity = 0.6;  // a fade: the picture lets the backdrop through
            composed.setStyle(style);
            plain.setStyle(style);
            both(frame(QSize(160, 120), 3));
            EXPECT_LE(worstDifference(composed, plain, backdrop, offset), 1) << "faded";

            style.opacity = 1.0;
            composed.setStyle(style);
            plain.setStyle(style);
            both(frame(QSize(96, 128), 4));  // another size and shape of source
            EXPECT_LE(worstDifference(composed, plain, backdrop, offset), 1) << "new size";

            both(VideoFrame());  // no picture: the block is drawn plain
            EXPECT_FALSE(composed.hasPicture());
            EXPECT_EQ(composed.block(), plain.block());
            both(frame(QSize(96, 128), 5));
            EXPECT_LE(worstDifference(composed, plain, backdrop, offset), 1) << "after empty";
        }
    }
}

TEST(ContentBackdrop, ABackdropThatDoesNotCoverTheBlockOrANewSizeTakesItAway) {
    PictureStyle style;
    style.frameSize = QSizeF(60, 60);
    PictureRenderer r;
    r.setStyle(style);
    r.render(VideoFrame(rgbFrame(QSize(80, 60), 1)));
    r.setBackdrop(backdropFor(r.block().size(), QPoint(0, 0)), QPoint(3, 0));
    EXPECT_FALSE(r.hasBackdrop());  // reaches past its right edge
    r.setBackdrop(backdropFor(r.block().size(), QPoint(2, 2)), QPoint(2, 2));
    EXPECT_TRUE(r.hasBackdrop());
    style.frameSize = QSizeF(70, 70);
    r.setStyle(style);
    EXPECT_FALSE(r.hasBackdrop());
}

}  // namespace
}  // namespace mirelon
