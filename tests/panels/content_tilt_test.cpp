// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/ColorMatrix.h"
#include "panels/content/PictureRenderer.h"
#include "panels/content/TiltProjection.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mirelon {
namespace {

// A smooth picture (no detail finer than a few pixels), so that sampling it
// once or twice gives nearly the same colours.
QImage smoothSource(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int r = int(127.5 + 127.5 * std::sin(x * 0.05));
            const int g = int(127.5 + 127.5 * std::cos(y * 0.04));
            const int b = (x + y) * 255 / (size.width() + size.height());
            row[x] = 0xFF000000u | quint32(r << 16) | quint32(g << 8) | quint32(b);
        }
    }
    return image;
}

struct Case {
    double x, y, z;
    bool mirrored;
    double zoom;
    double border;
    double dpr;
};

const QRectF visible(-70, -70, 240, 240);  // around a 100-point frame

// How the block was drawn before the renderer tilted it itself: the flat
// block through the painter's perspective transform, smooth and antialiased.
QImage paintedTilted(const PictureStyle& flatStyle, const QImage& source, const Case& c) {
    PictureRenderer flat;
    flat.setStyle(flatStyle);
    flat.render(source);
    QImage canvas((visible.size() * c.dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(c.dpr);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    p.translate(-visible.topLeft());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(tiltTransform(QRectF(QPointF(0, 0), flatStyle.frameSize), c.x, c.y, c.z), true);
    p.drawImage(flat.blockRect(), flat.block());
    return canvas;
}

QImage renderedTilted(const PictureStyle& flatStyle, const QImage& source, const Case& c) {
    PictureStyle style = flatStyle;
    style.xAngle = c.x;
    style.yAngle = c.y;
    style.zAngle = c.z;
    style.visibleArea = visible;
    PictureRenderer tilted;
    tilted.setStyle(style);
    tilted.render(source);
    EXPECT_TRUE(tilted.isTilted());
    QImage canvas((visible.size() * c.dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(c.dpr);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    p.translate(-visible.topLeft());
    p.drawImage(tilted.blockRect(), tilted.block());
    return canvas;
}

TEST(ContentTilt, RendererTiltsTheBlockLikeThePainterDid) {
    const QImage source = smoothSource(QSize(320, 240));
    auto appearance = CameraAppearanceSettings::compiledDefault();
    appearance.saturation = 1.4;
    appearance.hueRotation = 40;
    const Case cases[] = {
        {25, 0, 0, false, 1.0, 0, 1.0},   {0, -30, 0, true, 1.3, 4, 1.0},
        {15, 20, 35, false, 1.0, 6, 2.0}, {-40, 10, -120, true, 2.0, 2, 1.0},
        {0, 0, 90, false, 0.6, 3, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "angles " << c.x << "," << c.y << "," << c.z << " zoom "
                                        << c.zoom << " dpr " << c.dpr);
        PictureStyle style;
        style.frameSize = QSizeF(100, 100);
        style.devicePixelRatio = c.dpr;
        style.mirrored = c.mirrored;
        style.zoom = c.zoom;
        style.borderThickness = c.border;
        style.borderColor = QColor(255, 40, 200);
        style.color = ColorMatrix::forAppearance(appearance);
        const QImage before = paintedTilted(style, source, c);
        const QImage after = renderedTilted(style, source, c);
        ASSERT_EQ(before.size(), after.size());

        // Inside the block (opaque in both) colours agree closely; along the
        // edges only the antialiasing may differ, a little.
        long long alphaBefore = 0, alphaAfter = 0, sumDiff = 0, opaque = 0;
        int worstInside = 0;
        for (int y = 0; y < before.height(); ++y) {
            const auto* a = reinterpret_cast<const quint32*>(before.constScanLine(y));
            const auto* b = reinterpret_cast<const quint32*>(after.constScanLine(y));
            for (int x = 0; x < before.width(); ++x) {
                int diff = 0;
                for (int shift : {0, 8, 16, 24}) {
                    diff = std::max(
                        diff, std::abs(int((a[x] >> shift) & 0xFF) - int((b[x] >> shift) & 0xFF)));
                }
                sumDiff += diff;
                alphaBefore += a[x] >> 24;
                alphaAfter += b[x] >> 24;
                if ((a[x] >> 24) == 255 && (b[x] >> 24) == 255) {
                    ++opaque;
                    worstInside = std::max(worstInside, diff);
                }
            }
        }
        const double pixels = double(before.width()) * before.height();
        EXPECT_GT(opaque, pixels * 0.08);  // the block really shows
        EXPECT_LE(worstInside, 12);
        EXPECT_LT(sumDiff / pixels, 0.8);
        EXPECT_NEAR(double(alphaAfter) / double(alphaBefore), 1.0, 0.01);
    }
}

TEST(ContentTilt, FlatStyleKeepsTheFlatBlockAndAnEmptyFrameTiltsToo) {
    PictureStyle style;
    style.frameSize = QSizeF(80, 60);
    style.borderThickness = 4;
    PictureRenderer r;
    r.setStyle(style);
    EXPECT_FALSE(r.isTilted());
    EXPECT_EQ(r.blockRect(), r.flatBlockRect());

    style.yAngle = 50;
    r.setStyle(style);
    EXPECT_TRUE(r.isTilted());
    // Turned about the vertical axis, the block is narrower than it is flat.
    EXPECT_LT(r.blockRect().width(), r.flatBlockRect().width());
    r.renderEmpty();
    EXPECT_FALSE(r.hasPicture());
    // The border shows (tilted), the inside is transparent.
    const QImage& b = r.block();
    EXPECT_EQ(qAlpha(b.pixel(b.width() / 2, b.height() / 2)), 0);
    int opaque = 0;
    for (int x = 0; x < b.width(); ++x) {
        opaque += qAlpha(b.pixel(x, b.height() / 2)) > 200 ? 1 : 0;
    }
    EXPECT_GE(opaque, 2);

    // Back to flat: the flat block again, and a frame fills it.
    style.yAngle = 0;
    r.setStyle(style);
    r.render(smoothSource(QSize(64, 48)));
    EXPECT_FALSE(r.isTilted());
    EXPECT_EQ(qAlpha(r.block().pixel(r.block().width() / 2, r.block().height() / 2)), 255);
}

TEST(ContentTilt, AVisibleAreaBoundsTheTiltedBlock) {
    PictureStyle style;
    style.frameSize = QSizeF(100, 100);
    style.xAngle = 85;
    style.yAngle = 85;
    style.visibleArea = QRectF(-20, -20, 140, 140);
    PictureRenderer r;
    r.setStyle(style);
    r.render(smoothSource(QSize(32, 32)));
    EXPECT_TRUE(style.visibleArea.contains(r.blockRect()));
    EXPECT_LE(r.block().width(), 140);
    EXPECT_LE(r.block().height(), 140);
}

}  // namespace
}  // namespace mirelon
