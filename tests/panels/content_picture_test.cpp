// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/ColorMatrix.h"
#include "panels/content/PictureRenderer.h"
#include "panels/content/ShadowRenderer.h"

#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cmath>

namespace mirelon {
namespace {

QImage solid(QSize size, QColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

PictureStyle plainStyle(QSizeF frame = QSizeF(100, 100)) {
    PictureStyle s;
    s.frameSize = frame;
    s.exponent = 4.0;
    return s;
}

// The block pixel at frame coordinates (x, y), straight alpha.
QColor at(const PictureRenderer& r, int x, int y) {
    const int m = r.marginPixels();
    return QColor::fromRgba(r.block().pixel(x + m, y + m));
}

void expectColor(QColor actual, int red, int green, int blue, int tolerance = 1) {
    EXPECT_NEAR(actual.red(), red, tolerance);
    EXPECT_NEAR(actual.green(), green, tolerance);
    EXPECT_NEAR(actual.blue(), blue, tolerance);
}

QColor renderCentre(const QColor& input, const CameraAppearanceSettings& a) {
    PictureRenderer r;
    PictureStyle s = plainStyle();
    s.color = ColorMatrix::forAppearance(a);
    r.setStyle(s);
    r.render(solid(QSize(64, 64), input));
    return at(r, 50, 50);
}

TEST(ContentPicture, UntouchedAppearanceIsTheIdentityAndKeepsColours) {
    const auto a = CameraAppearanceSettings::compiledDefault();
    EXPECT_TRUE(ColorMatrix::forAppearance(a).isIdentity());
    const QColor c = renderCentre(QColor(12, 140, 250), a);
    expectColor(c, 12, 140, 250, 0);
    EXPECT_EQ(c.alpha(), 255);
}

TEST(ContentPicture, ColourStepsOnRenderedPixels) {
    auto a = CameraAppearanceSettings::compiledDefault();
    a.saturation = 0;  // grey: the luminance 0.213 R + 0.715 G + 0.072 B
    expectColor(renderCentre(QColor(200, 50, 50), a), 82, 82, 82);

    a = CameraAppearanceSettings::compiledDefault();
    a.hueRotation = 180;  // pure red turns to a dark cyan
    expectColor(renderCentre(QColor(255, 0, 0), a), 0, 109, 109);

    a = CameraAppearanceSettings::compiledDefault();
    a.colorMultiply = AppSettings::ColorMultiply::red;
    const QColor red = namedMultiplyColor(AppSettings::ColorMultiply::red);
    expectColor(renderCentre(Qt::white, a), red.red(), red.green(), red.blue());

    a = CameraAppearanceSettings::compiledDefault();
    a.brightness = 0.1;  // 128 + 25.5
    expectColor(renderCentre(QColor(128, 128, 128), a), 154, 154, 154);

    a = CameraAppearanceSettings::compiledDefault();
    a.contrast = 1.2;  // (100/255 - 0.5) * 1.2 + 0.5 = 0.3706
    expectColor(renderCentre(QColor(100, 100, 100), a), 94, 94, 94);
    expectColor(renderCentre(QColor(255, 255, 255), a), 255, 255, 255);  // clamped once

    a = CameraAppearanceSettings::compiledDefault();
    a.colorMultiply = AppSettings::ColorMultiply::white;
    expectColor(renderCentre(QColor(33, 66, 99), a), 33, 66, 99, 0);
}

TEST(ContentPicture, FixedPointPassAgreesWithTheMatrix) {
    auto a = CameraAppearanceSettings::compiledDefault();
    a.saturation = 1.5;
    a.contrast = 1.2;
    a.brightness = 0.1;
    a.hueRotation = 30;
    a.colorMultiply = AppSettings::ColorMultiply::purple;
    const ColorMatrix m = ColorMatrix::forAppearance(a);
    PictureRenderer r;
    PictureStyle s = plainStyle();
    s.color = m;
    r.setStyle(s);
    QImage source(8, 8, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int i = 0; i < 300; ++i) {
        const QColor in(rng.bounded(256), rng.bounded(256), rng.bounded(256));
        source.fill(in);
        r.render(source);
        const QColor expected = m.apply(in);
        const QColor got = at(r, 50, 50);
        ASSERT_NEAR(got.red(), expected.red(), 1) << in.name().toStdString();
        ASSERT_NEAR(got.green(), expected.green(), 1) << in.name().toStdString();
        ASSERT_NEAR(got.blue(), expected.blue(), 1) << in.name().toStdString();
    }
}

TEST(ContentPicture, MirroringFlipsAnAsymmetricFrame) {
    // Left half red, right half blue; the 2:1 source is cropped to its centre.
    QImage source(200, 100, QImage::Format_RGB32);
    source.fill(Qt::blue);
    QPainter(&source).fillRect(0, 0, 100, 100, Qt::red);
    PictureRenderer r;
    PictureStyle s = plainStyle();
    r.setStyle(s);
    r.render(source);
    expectColor(at(r, 20, 50), 255, 0, 0, 0);
    expectColor(at(r, 80, 50), 0, 0, 255, 0);
    s.mirrored = true;
    r.setStyle(s);
    r.render(source);
    expectColor(at(r, 20, 50), 0, 0, 255, 0);
    expectColor(at(r, 80, 50), 255, 0, 0, 0);
}

TEST(ContentPicture, ZoomTwoShowsTheCentreHalf) {
    QImage source(100, 100, QImage::Format_RGB32);
    source.fill(Qt::red);
    QPainter(&source).fillRect(25, 25, 50, 50, Qt::green);
    PictureRenderer r;
    PictureStyle s = plainStyle();
    s.exponent = 100;  // nearly square, so the edges are inside the shape
    r.setStyle(s);
    r.render(source);
    expectColor(at(r, 12, 50), 255, 0, 0, 0);
    s.zoom = 2;
    r.setStyle(s);
    r.render(source);
    expectColor(at(r, 12, 50), 0, 255, 0, 0);
    expectColor(at(r, 50, 12), 0, 255, 0, 0);
    // The green square's edges land on the frame's edges.
    expectColor(at(r, 2, 50), 0, 255, 0, 2);
}

TEST(ContentPicture, ZoomBelowOneLeavesTheRestTransparent) {
    PictureRenderer r;
    PictureStyle s = plainStyle();
    s.exponent = 100;
    s.zoom = 0.5;
    r.setStyle(s);
    r.render(solid(QSize(80, 80), Qt::white));
    EXPECT_EQ(at(r, 50, 50).alpha(), 255);
    EXPECT_EQ(at(r, 10, 50).alpha(), 0);
}

TEST(ContentPicture, OutsideTheShapeIsTransparentAndTheBorderIsStrokedOnTheOutline) {
    PictureRenderer r;
    PictureStyle s = plainStyle();
    s.exponent = 2.0;
    s.borderThickness = 4;
    s.borderColor = QColor(255, 0, 0);
    r.setStyle(s);
    r.render(solid(QSize(100, 100), Qt::white));
    // The block reaches beyond the frame by half the border (plus a pixel).
    EXPECT_EQ(r.marginPixels(), 3);
    EXPECT_EQ(r.block().size(), QSize(106, 106));
    EXPECT_EQ(at(r, 5, 5).alpha(), 0);  // corner, outside the circle
    EXPECT_EQ(at(r, 95, 95).alpha(), 0);
    // On the outline at the right midpoint: the border, opaque.
    const QColor onOutline = at(r, 99, 50);
    expectColor(onOutline, 255, 0, 0, 0);
    EXPECT_EQ(onOutline.alpha(), 255);
    EXPECT_EQ(at(r, 100, 50).alpha(), 255);  // half of the stroke lies outside the frame
    expectColor(at(r, 50, 50), 255, 255, 255, 0);
    expectColor(at(r, 94, 50), 255, 255, 255, 0);
    // Without a picture only the border remains.
    r.renderEmpty();
    EXPECT_EQ(at(r, 50, 50).alpha(), 0);
    EXPECT_EQ(at(r, 99, 50).alpha(), 255);
}

TEST(ContentPicture, OpacityFadesThePictureButNotTheBorder) {
    PictureRenderer r;
    PictureStyle s = plainStyle();
    s.borderThickness = 2;
    s.borderColor = Qt::blue;
    s.opacity = 0.5;
    r.setStyle(s);
    r.render(solid(QSize(50, 50), Qt::white));
    EXPECT_NEAR(at(r, 50, 50).alpha(), 128, 1);
    EXPECT_EQ(at(r, 99, 50).alpha(), 255);
}

TEST(ContentPicture, SteadyFramesReuseTheBlockAndOtherFormatsAreRead) {
    PictureRenderer r;
    r.setStyle(plainStyle());
    const QImage frame = solid(QSize(320, 240), Qt::gray);
    r.render(frame);
    const uchar* bits = r.block().constBits();
    r.render(frame);
    EXPECT_EQ(r.block().constBits(), bits);
    QImage rgb888(320, 240, QImage::Format_RGB888);
    rgb888.fill(QColor(10, 200, 30));
    r.render(rgb888);
    expectColor(at(r, 50, 50), 10, 200, 30, 0);
    EXPECT_TRUE(r.hasPicture());
    r.render(QImage());
    EXPECT_FALSE(r.hasPicture());
    EXPECT_EQ(at(r, 50, 50).alpha(), 0);
}

// The border around the picture is put in place only when a row's picture
// span changes: whatever came before, a frame must come out exactly as a
// fresh renderer draws it, flat and tilted.
TEST(ContentPicture, AFrameAfterOthersIsDrawnAsAFreshRendererDrawsIt) {
    for (const double tilt : {0.0, 20.0}) {
        PictureStyle wide = plainStyle();
        wide.borderThickness = 4;
        wide.borderColor = QColor(255, 0, 0);
        wide.xAngle = tilt;
        PictureStyle narrow = wide;
        narrow.zoom = 0.5;  // the picture covers fewer rows and columns
        const QImage white = solid(QSize(80, 80), Qt::white);
        const QImage green = solid(QSize(80, 80), Qt::green);

        PictureRenderer r;
        r.setStyle(wide);
        r.render(white);
        const uchar* bits = r.block().constBits();
        r.setStyle(narrow);
        r.render(green);
        EXPECT_EQ(r.block().constBits(), bits) << "the block was made anew: nothing is tested";
        PictureRenderer fresh;
        fresh.setStyle(narrow);
        fresh.render(green);
        EXPECT_EQ(r.block(), fresh.block()) << "narrowed, tilt " << tilt;

        r.renderEmpty();
        r.setStyle(wide);
        r.render(green);
        PictureRenderer freshWide;
        freshWide.setStyle(wide);
        freshWide.render(green);
        EXPECT_EQ(r.block(), freshWide.block()) << "widened after an empty block, tilt " << tilt;
    }
}

// The view leaves the shadow out under opaqueRect(): every block pixel there
// must be opaque, or the shadow would be missing behind a see-through one.
TEST(ContentPicture, TheOpaqueRectangleHoldsOnlyOpaquePixels) {
    struct Case {
        const char* name;
        double exponent, zoom, opacity, tilt, dpr;
        bool mirrored;
        bool expectOpaque;
    };
    const Case cases[] = {
        {"circle", 2, 1, 1, 0, 1, false, true},
        {"squircle, mirrored", 4, 1.4, 1, 0, 1, true, true},
        {"rectangle at 2x", 100, 1, 1, 0, 2, false, true},
        {"zoomed out", 4, 0.5, 1, 0, 1, false, true},
        {"tilted", 4, 1, 1, 25, 1, false, true},
        {"half opaque", 4, 1, 0.5, 0, 1, false, false},
    };
    for (const Case& c : cases) {
        PictureRenderer r;
        PictureStyle s = plainStyle(QSizeF(90, 70));
        s.exponent = c.exponent;
        s.zoom = c.zoom;
        s.opacity = c.opacity;
        s.xAngle = c.tilt;
        s.devicePixelRatio = c.dpr;
        s.mirrored = c.mirrored;
        s.borderThickness = 3;
        s.borderColor = QColor(0, 0, 255, 128);
        r.setStyle(s);
        r.render(solid(QSize(64, 48), Qt::white));
        const QRectF opaque = r.opaqueRect();
        EXPECT_EQ(!opaque.isEmpty(), c.expectOpaque) << c.name;
        if (opaque.isEmpty()) {
            continue;
        }
        EXPECT_TRUE(r.blockRect().contains(opaque)) << c.name;
        // Worth leaving out: most of what the picture shows.
        const double shown = c.zoom < 1 ? c.zoom * c.zoom : 1.0;
        EXPECT_GT(opaque.width() * opaque.height(), 0.4 * 90 * 70 * shown) << c.name;
        const QRectF block = r.blockRect();
        const double sx = r.block().width() / block.width();
        const double sy = r.block().height() / block.height();
        const QRect pixels(int(std::round((opaque.left() - block.left()) * sx)),
                           int(std::round((opaque.top() - block.top()) * sy)),
                           int(std::round(opaque.width() * sx)),
                           int(std::round(opaque.height() * sy)));
        int seeThrough = 0;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
            for (int x = pixels.left(); x <= pixels.right(); ++x) {
                seeThrough += qAlpha(r.block().pixel(x, y)) != 255;
            }
        }
        EXPECT_EQ(seeThrough, 0) << c.name;
    }
    // Without a picture, nothing hides the shadow.
    PictureRenderer r;
    r.setStyle(plainStyle());
    r.render(solid(QSize(64, 48), Qt::white));
    EXPECT_FALSE(r.opaqueRect().isEmpty());
    r.renderEmpty();
    EXPECT_TRUE(r.opaqueRect().isEmpty());
}

TEST(ContentPicture, DevicePixelRatioScalesTheBlock) {
    PictureRenderer r;
    PictureStyle s = plainStyle(QSizeF(200, 112.5));
    s.devicePixelRatio = 2;
    r.setStyle(s);
    EXPECT_EQ(r.block().size(), QSize(400, 225));
    EXPECT_EQ(r.block().devicePixelRatio(), 2.0);
    s.frameSize = QSizeF(1e6, 1e6);  // bounded, whatever the size says
    r.setStyle(s);
    EXPECT_LE(r.block().width(), 4096 + 2 * r.marginPixels());
}

TEST(ContentPicture, ShadowIsABlurredDarkenedSilhouette) {
    QImage silhouette(200, 200, QImage::Format_ARGB32_Premultiplied);
    silhouette.fill(Qt::transparent);
    QPainter(&silhouette).fillRect(50, 50, 100, 100, Qt::black);
    ShadowRenderer shadow;
    const QImage out = shadow.render(silhouette, 15, 0.8);
    EXPECT_NEAR(qAlpha(out.pixel(100, 100)), 204, 2);  // deep inside: 0.8
    EXPECT_GT(qAlpha(out.pixel(45, 100)), 10);         // spreads beyond the edge
    EXPECT_LT(qAlpha(out.pixel(45, 100)), 150);
    EXPECT_EQ(qAlpha(out.pixel(5, 100)), 0);  // far outside: nothing
    EXPECT_EQ(qRed(out.pixel(100, 100)), 0);  // black
    const QImage sharp = shadow.render(silhouette, 0, 0.8);
    EXPECT_EQ(qAlpha(sharp.pixel(49, 100)), 0);
}

}  // namespace
}  // namespace mirelon
