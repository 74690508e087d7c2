// SPDX-License-Identifier: GPL-3.0-or-later
// Frames that hold only the part of the picture a panel shows (windows of a
// larger frame) must render exactly like the whole frame.
#include "panels/content/ColorMatrix.h"
#include "panels/content/PictureRenderer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mirelon {
namespace {

QImage stripes(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int r = int(127.5 + 120 * std::sin(x * 0.11));
            const int g = int(127.5 + 120 * std::cos(y * 0.07));
            row[x] = 0xFF000000u | quint32(r << 16) | quint32(g << 8) | quint32((x ^ y) & 0xFF);
        }
    }
    return image;
}

// The part of `whole` that `region` (fractions) covers, rounded outward,
// shrunk by `inset` pixels on every side, as a windowed frame.
VideoFrame windowOf(const QImage& whole, QRectF region, int inset = 0) {
    QRect window(QPoint(int(std::floor(region.left() * whole.width())),
                        int(std::floor(region.top() * whole.height()))),
                 QPoint(int(std::ceil(region.right() * whole.width())) - 1,
                        int(std::ceil(region.bottom() * whole.height())) - 1));
    window = window.adjusted(inset, inset, -inset, -inset).intersected(whole.rect());
    return VideoFrame::windowed(whole.copy(window), whole.size(), window.topLeft());
}

struct Style {
    double zoom;
    bool mirrored;
    double x, y, z;
    double dpr;
};

PictureStyle pictureStyle(const Style& s) {
    PictureStyle style;
    style.frameSize = QSizeF(120, 120);
    style.devicePixelRatio = s.dpr;
    style.zoom = s.zoom;
    style.mirrored = s.mirrored;
    style.borderThickness = 4;
    style.borderColor = QColor(250, 200, 0);
    auto appearance = CameraAppearanceSettings::compiledDefault();
    appearance.contrast = 1.3;
    style.color = ColorMatrix::forAppearance(appearance);
    style.xAngle = s.x;
    style.yAngle = s.y;
    style.zAngle = s.z;
    if (s.x != 0 || s.y != 0 || s.z != 0) {
        style.visibleArea = QRectF(-80, -80, 280, 280);
    }
    return style;
}

// Pixels that differ between two blocks of the same size (-1: sizes differ).
long differences(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return -1;
    }
    long n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            n += a.pixel(x, y) != b.pixel(x, y);
        }
    }
    return n;
}

TEST(ContentWindow, AWindowHoldingTheWantedRegionRendersLikeTheWholeFrame) {
    const QImage whole = stripes(QSize(1280, 720));
    const Style styles[] = {
        {1.4, false, 0, 0, 0, 1.0}, {1.4, true, 12, -15, 8, 1.0}, {1.0, false, 0, 0, 0, 2.0},
        {2.5, true, 0, 0, 0, 1.0},  {1.0, false, 0, 30, 0, 1.0},
    };
    for (const Style& s : styles) {
        SCOPED_TRACE(testing::Message() << "zoom " << s.zoom << " mirrored " << s.mirrored
                                        << " tilt " << s.x << "," << s.y << "," << s.z);
        PictureRenderer reference;
        reference.setStyle(pictureStyle(s));
        EXPECT_TRUE(reference.wantedSourceRegion().isNull());  // no frame yet
        reference.render(VideoFrame(whole));
        const QRectF region = reference.wantedSourceRegion();
        ASSERT_FALSE(region.isEmpty());
        // A square panel shows at most the middle 9/16 of a 16:9 picture.
        EXPECT_LE(region.width(), 9.0 / 16 / s.zoom + 0.01);
        EXPECT_NEAR(region.center().x(), 0.5, 0.01);
        EXPECT_NEAR(region.center().y(), 0.5, 0.01);

        PictureRenderer windowed;
        windowed.setStyle(pictureStyle(s));
        const VideoFrame part = windowOf(whole, region);
        ASSERT_TRUE(part.isWindowed());
        windowed.render(part);
        EXPECT_EQ(differences(windowed.block(), reference.block()), 0);
        // The same renderer, from the whole frame to a window and back.
        const QImage fromWhole = reference.block();
        reference.render(part);
        EXPECT_EQ(differences(reference.block(), fromWhole), 0);
        reference.render(VideoFrame(whole));
        EXPECT_EQ(differences(reference.block(), fromWhole), 0);
    }
}

TEST(ContentWindow, WantedSizeIsTheZoomedFrameAndPartOfTheTiltsEnlargement) {
    PictureRenderer renderer;
    PictureStyle style = pictureStyle({1.0, false, 0, 0, 0, 2.0});
    renderer.setStyle(style);
    EXPECT_EQ(renderer.wantedSourceSize(), QSize(240, 240));  // 120 points at 2x
    style.zoom = 1.4;
    renderer.setStyle(style);
    EXPECT_EQ(renderer.wantedSourceSize(), QSize(336, 336));
    style.yAngle = 40;
    style.visibleArea = QRectF(-80, -80, 280, 280);
    renderer.setStyle(style);
    const QSize tilted = renderer.wantedSourceSize();
    EXPECT_GT(tilted.height(), 340);
    EXPECT_LT(tilted.height(), 336 * 2);
}

TEST(ContentWindow, AWindowTooSmallSmearsItsEdgesButReadsNothingOutside) {
    const QImage whole = stripes(QSize(1280, 720));
    for (const Style& s : {Style{1.4, false, 0, 0, 0, 1.0}, Style{1.4, true, 12, -15, 8, 1.0}}) {
        PictureRenderer reference;
        reference.setStyle(pictureStyle(s));
        reference.render(VideoFrame(whole));
        const QRectF region = reference.wantedSourceRegion();

        // A window of the old size after the zoom changed, or rounded badly:
        // the picture still shows, only its edge pixels differ.
        PictureRenderer renderer;
        renderer.setStyle(pictureStyle(s));
        renderer.render(windowOf(whole, region, 20));
        ASSERT_TRUE(renderer.hasPicture());
        const QImage& a = reference.block();
        const QImage& b = renderer.block();
        ASSERT_EQ(a.size(), b.size());
        long same = 0, opaque = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                if (qAlpha(a.pixel(x, y)) == 255) {
                    ++opaque;
                    same += a.pixel(x, y) == b.pixel(x, y);
                }
            }
        }
        EXPECT_GT(opaque, 1000);
        EXPECT_GT(same, opaque / 2);  // the middle is right
        EXPECT_LT(same, opaque);      // the edges are not
        // Windows of one or no pixel render the empty frame.
        renderer.render(VideoFrame::windowed(whole.copy(10, 10, 1, 40), whole.size(), {10, 10}));
        EXPECT_FALSE(renderer.hasPicture());
    }
    // A window that does not fit the frame is no frame.
    EXPECT_TRUE(VideoFrame::windowed(whole.copy(0, 0, 100, 100), QSize(50, 50), {0, 0}).isNull());
    EXPECT_TRUE(VideoFrame::windowed(whole.copy(0, 0, 100, 100), whole.size(), {1200, 0}).isNull());
}

}  // namespace
}  // namespace mirelon
