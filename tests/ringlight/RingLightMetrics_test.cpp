// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightMetrics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mirelon {
namespace {

RingLightMetrics metricsFor(RingLightDisplaySettings s, QSizeF size = {1920, 1080}) {
    return RingLightMetrics::make(s, size, 88, 24);
}

TEST(RingLightMetrics, ClampsTheRecord) {
    EXPECT_EQ(metricsFor({true, 0.5, 200, 0.5}).width, 80);
    EXPECT_EQ(metricsFor({true, 0.5, 2, 0.5}).width, 6);
    EXPECT_EQ(metricsFor({true, -1, 44, 0.5}).color, (RingLightColor{0.58, 0.79, 1.0}));
    EXPECT_EQ(metricsFor({true, 2, 44, 0.5}).color, (RingLightColor{1.0, 0.7, 0.34}));
    EXPECT_EQ(metricsFor({true, 0.5, 44, 3}).glow, 1);
    EXPECT_EQ(metricsFor({true, 0.5, 44, -3}).glow, 0);
    // A width of 200 draws exactly like 80.
    const auto wide = metricsFor({true, 0.5, 200, 0.5});
    const auto max = metricsFor({true, 0.5, 80, 0.5});
    EXPECT_TRUE(wide.sameBand(max));
    EXPECT_EQ(wide.holeRadius, max.holeRadius);
}

TEST(RingLightMetrics, HandEditedExtremesStayInRange) {
    const auto huge = metricsFor({true, 1e308, 1e308, 1e308});
    EXPECT_EQ(huge.width, 80);
    EXPECT_EQ(huge.temperature, 1);
    EXPECT_EQ(huge.glow, 1);
    const auto tiny = metricsFor({true, -1e308, -1e308, -1e308});
    EXPECT_EQ(tiny.width, 6);
    EXPECT_EQ(tiny.temperature, 0);
    EXPECT_EQ(tiny.glow, 0);
    const auto nan = metricsFor({true, std::nan(""), std::nan(""), std::nan("")});
    EXPECT_EQ(nan.width, 6);
    EXPECT_EQ(nan.temperature, 0);
    EXPECT_EQ(nan.glow, 0);
}

TEST(RingLightMetrics, HalfTemperatureColour) {
    const RingLightColor c = ringLightColor(0.5);
    EXPECT_NEAR(c.red, 0.79, 1e-12);
    EXPECT_NEAR(c.green, 0.745, 1e-12);
    EXPECT_NEAR(c.blue, 0.67, 1e-12);
}

TEST(RingLightMetrics, DefaultRecordDerivedValues) {
    const auto m = metricsFor({false, 0.5, 44, 0.5});
    EXPECT_NEAR(m.bandBlurRadius, 38.5, 1e-9);
    EXPECT_NEAR(m.bandOpacity, 0.56, 1e-9);
    EXPECT_NEAR(m.innerCornerRadius, 24.2, 1e-9);
    EXPECT_NEAR(m.glowLineWidth, 18.48, 1e-9);
    EXPECT_NEAR(m.glowOpacity, 0.5, 1e-9);
    EXPECT_NEAR(m.glowBlurRadius, 30.8, 1e-9);
    EXPECT_NEAR(m.holeThreshold, 120.8, 1e-9);
    EXPECT_NEAR(m.holeRadius, 175.12, 1e-9);
    EXPECT_NEAR(m.holeBlurRadius, 10.56, 1e-9);
    EXPECT_EQ(m.innerRect, QRectF(44, 44, 1920 - 88, 1080 - 88));
    // c = 44/120 = 0.3667, inner = 0.6333.
    EXPECT_NEAR(m.holeStops[1].first, (1 - 44.0 / 120) * 0.72, 1e-12);
    EXPECT_NEAR(m.holeStops[4].first, (1 - 44.0 / 120) + 44.0 / 120 * 0.82, 1e-12);
    EXPECT_EQ(m.holeStops[5], (std::pair<double, double>{1, 0}));
}

TEST(RingLightMetrics, SmallValuesUseTheirFloors) {
    const auto m = metricsFor({true, 0, 6, 0});
    EXPECT_EQ(m.innerCornerRadius, 8);  // 6 * 0.55 raised to 8
    EXPECT_NEAR(m.glowLineWidth, 2.52, 1e-12);
    EXPECT_NEAR(m.holeThreshold, 37.2, 1e-12);
    // Without slack the threshold floors at 36.
    EXPECT_EQ(RingLightMetrics::make({true, 0, 6, 0}, {1920, 1080}, 88, 0).holeThreshold, 36);
    EXPECT_NEAR(m.holeRadius, 138.16, 1e-9);
    EXPECT_EQ(m.holeBlurRadius, 1.5);
    EXPECT_NEAR(metricsFor({true, 0, 6, 0}).holeStops[2].first, 0.66, 1e-12);  // c floors at 0.34
    // Corner radius limited to half the inner rectangle's smaller side.
    EXPECT_EQ(metricsFor({true, 0.5, 80, 0.5}, {400, 180}).innerCornerRadius, 10);
}

TEST(RingLightMetrics, DisplayNarrowerThanTwiceTheWidthHasNoInnerRectangle) {
    const auto m = metricsFor({true, 0.5, 44, 0.5}, {80, 600});
    EXPECT_FALSE(m.hasInnerRect);
    EXPECT_TRUE(metricsFor({true, 0.5, 44, 0.5}, {89, 89}).hasInnerRect);
    EXPECT_FALSE(metricsFor({true, 0.5, 44, 0.5}, {88, 600}).hasInnerRect);
}

TEST(RingLightMetrics, HoleOnlyNearAnEdgeOfThePointersDisplay) {
    const auto m = metricsFor({true, 0.5, 44, 0.5});
    // Frame in y-up global space: a second display to the right of the first.
    const QRectF frame(1920, 0, 1920, 1080);
    EXPECT_FALSE(hoverCutoutCenter(QPointF(2880, 540), frame, m));  // middle
    EXPECT_FALSE(hoverCutoutCenter(std::nullopt, frame, m));
    EXPECT_FALSE(hoverCutoutCenter(QPointF(100, 5), frame, m));     // other display
    EXPECT_FALSE(hoverCutoutCenter(QPointF(3840, 500), frame, m));  // right edge is outside
    // y up: 10 points above the bottom is 1070 points down from the top.
    EXPECT_EQ(hoverCutoutCenter(QPointF(2880, 10), frame, m), QPointF(960, 1070));
    EXPECT_EQ(hoverCutoutCenter(QPointF(1920 + 120.8, 540), frame, m), QPointF(120.8, 540));
    EXPECT_FALSE(hoverCutoutCenter(QPointF(1920 + 121, 540), frame, m));
    EXPECT_EQ(hoverCutoutCenter(QPointF(3800, 1079), frame, m), QPointF(1880, 1));
}

}  // namespace
}  // namespace mirelon
