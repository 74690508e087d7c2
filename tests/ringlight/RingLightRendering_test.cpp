// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/AlphaPlane.h"
#include "ringlight/RingLightBandImage.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace mirelon {
namespace {

RingLightMetrics metricsFor(RingLightDisplaySettings s, QSizeF size) {
    return RingLightMetrics::make(s, size, 88, 24);
}

TEST(AlphaPlaneBlur, ApproximatesAGaussianAndKeepsTheTotal) {
    const double sigma = 6;
    AlphaPlane p(101, 101);
    p.row(50)[50] = 1;
    gaussianBlur(p, sigma);
    const double total = std::accumulate(p.data.begin(), p.data.end(), 0.0);
    EXPECT_NEAR(total, 1.0, 1e-4);
    // The spread along each axis matches sigma within a few percent.
    double vx = 0;
    double vy = 0;
    for (int y = 0; y < 101; ++y) {
        for (int x = 0; x < 101; ++x) {
            vx += p.at(x, y) * (x - 50.0) * (x - 50.0);
            vy += p.at(x, y) * (y - 50.0) * (y - 50.0);
        }
    }
    EXPECT_NEAR(std::sqrt(vx), sigma, sigma * 0.05);
    EXPECT_NEAR(std::sqrt(vy), sigma, sigma * 0.05);
    // The peak is a 2-D Gaussian's, within 10 %.
    const double peak = 1 / (2 * M_PI * sigma * sigma);
    EXPECT_NEAR(p.at(50, 50), peak, peak * 0.1);
    // Nothing beyond the support.
    const int support = gaussianBoxSupport(sigma);
    EXPECT_EQ(p.at(50 + support + 1, 50), 0.f);
    EXPECT_GT(p.at(50 + support - 1, 50), 0.f);
}

TEST(AlphaPlaneBlur, OutsideIsTransparentAndTinySigmaIsANoOp) {
    AlphaPlane p(40, 40);
    std::fill(p.data.begin(), p.data.end(), 1.f);
    AlphaPlane unchanged = p;
    gaussianBlur(unchanged, 0.2);
    EXPECT_EQ(unchanged.data, p.data);
    gaussianBlur(p, 4);
    EXPECT_NEAR(p.at(20, 20), 1.f, 1e-5);    // far from the border
    EXPECT_NEAR(p.at(0, 0), 0.3f, 0.03f);    // a corner loses about three quarters
    EXPECT_NEAR(p.at(0, 20), 0.55f, 0.03f);  // an edge pixel loses about half
}

// The compact path (corners plus one repeated row and column) must give the
// same pixels as blurring the whole display.
TEST(RingLightBand, CompactRenderMatchesFullRender) {
    for (const auto& [settings, size, dpr] :
         {std::tuple{RingLightDisplaySettings{true, 0.5, 44, 0.5}, QSizeF(900, 600), 1.0},
          std::tuple{RingLightDisplaySettings{true, 0.0, 8, 1.0}, QSizeF(640, 400), 2.0},
          std::tuple{RingLightDisplaySettings{true, 1.0, 80, 0.0}, QSizeF(1000, 700), 1.25}}) {
        const auto m = metricsFor(settings, size);
        const RingLightBandImage compact = RingLightBandImage::render(m, dpr);
        const RingLightBandImage full = RingLightBandImage::render(m, dpr, false, false);
        ASSERT_LT(compact.compactSize().width(), full.compactSize().width());
        EXPECT_EQ(compact.pieces().size(), 4u);
        const QImage a = compact.toImage();
        const QImage b = full.toImage();
        ASSERT_EQ(a.size(), b.size());
        int worst = 0;
        for (int y = 0; y < a.height(); ++y) {
            const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
            const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
            for (int x = 0; x < a.width(); ++x) {
                worst = std::max({worst, std::abs(qAlpha(ra[x]) - qAlpha(rb[x])),
                                  std::abs(qRed(ra[x]) - qRed(rb[x])),
                                  std::abs(qBlue(ra[x]) - qBlue(rb[x]))});
            }
        }
        // Float sums accumulate in a different order: at most one step apart.
        EXPECT_LE(worst, 1) << size.width() << "x" << size.height() << " @" << dpr;
    }
}

TEST(RingLightBand, EdgeHasTheRingColourAndTheCentreIsClear) {
    for (double t : {0.0, 0.5, 1.0}) {
        const auto m = metricsFor({true, t, 44, 0.5}, {1280, 800});
        const QImage img = RingLightBandImage::render(m, 1).toImage();
        const QColor edge = img.pixelColor(640, 10);  // un-premultiplied
        EXPECT_GT(edge.alpha(), 60);
        EXPECT_NEAR(edge.redF(), m.color.red, 0.02) << t;
        EXPECT_NEAR(edge.greenF(), m.color.green, 0.02) << t;
        EXPECT_NEAR(edge.blueF(), m.color.blue, 0.02) << t;
        EXPECT_EQ(img.pixelColor(640, 400).alpha(), 0);
        EXPECT_EQ(img.pixelColor(300, 300).alpha(), 0);
        // Fades inward: brighter at the band than past the inner edge.
        EXPECT_GT(img.pixelColor(640, 20).alpha(), img.pixelColor(640, 90).alpha());
    }
}

TEST(RingLightBand, GlowSpillsInwardOnly) {
    const auto m = metricsFor({true, 0.5, 44, 1.0}, {1280, 800});
    const auto none = metricsFor({true, 0.5, 44, 0.0}, {1280, 800});
    const QImage strong = RingLightBandImage::render(m, 1).toImage();
    const QImage weak = RingLightBandImage::render(none, 1).toImage();
    // More glow: more light just inside the inner edge.
    EXPECT_GT(strong.pixelColor(640, 60).alpha(), weak.pixelColor(640, 60).alpha() + 20);
}

TEST(RingLightBand, WiderBandReachesFartherIn) {
    const QImage thin =
        RingLightBandImage::render(metricsFor({true, 0.5, 8, 0.5}, {1280, 800}), 1).toImage();
    const QImage thick =
        RingLightBandImage::render(metricsFor({true, 0.5, 80, 0.5}, {1280, 800}), 1).toImage();
    EXPECT_EQ(thin.pixelColor(640, 60).alpha(), 0);
    EXPECT_GT(thick.pixelColor(640, 60).alpha(), 60);
}

TEST(RingLightBand, NarrowDisplayIsFilledByTheBand) {
    const auto m = metricsFor({true, 0.5, 44, 0.5}, {80, 600});
    const QImage img = RingLightBandImage::render(m, 1).toImage();
    EXPECT_GT(img.pixelColor(40, 300).alpha(), 100);
    EXPECT_EQ(img.size(), QSize(80, 600));
}

TEST(RingLightBand, RendersAtTheDevicePixelRatio) {
    const auto m = metricsFor({true, 0.5, 44, 0.5}, {640, 400});
    const RingLightBandImage band = RingLightBandImage::render(m, 2);
    EXPECT_EQ(band.deviceSize(), QSize(1280, 800));
    const QImage img = band.toImage();
    const QImage one = RingLightBandImage::render(m, 1).toImage();
    // The same point of the display has about the same coverage.
    EXPECT_NEAR(img.pixelColor(640, 40).alpha(), one.pixelColor(320, 20).alpha(), 6);
}

TEST(RingLightBand, OpaqueModeIsOpaqueAlongTheEdges) {
    const auto m = metricsFor({true, 0.5, 44, 0.5}, {1280, 800});
    const QImage img = RingLightBandImage::render(m, 1, true).toImage();
    int brightest = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            brightest = std::max(brightest, img.pixelColor(x, y).red());
        }
    }
    for (int y = 0; y < 44; ++y) {
        EXPECT_EQ(img.pixelColor(640, y).alpha(), 255);
        EXPECT_GT(img.pixelColor(640, y).red(), 90);
    }
    // Full ring colour where the band is strongest.
    EXPECT_NEAR(brightest, 0.79 * 255, 3);
}

TEST(RingLightHole, SpriteErasesMostInTheMiddleAndFadesOut) {
    const auto m = metricsFor({true, 0.5, 44, 0.5}, {1280, 800});
    const RingLightHoleSprite sprite = RingLightHoleSprite::render(m, 1);
    const QImage& img = sprite.image();
    const int c = img.width() / 2;
    EXPECT_GT(qAlpha(img.pixel(c, c)), 245);
    EXPECT_LT(qAlpha(img.pixel(c + int(m.holeRadius) - 2, c)), 30);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
    // Radius 175.12 plus the blur's reach.
    EXPECT_GE(img.width(), 2 * 176);
    const QRect r = sprite.deviceRect(QPointF(100, 5), 1);
    EXPECT_EQ(r.center(), QPoint(100, 5));
}

}  // namespace
}  // namespace mirelon
