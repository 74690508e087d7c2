// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/window/WindowPlacement.h"
#include "platform/qt/ScreenCoordinates.h"

#include <gtest/gtest.h>

using namespace mirelon;
using AppSettings::Position;

namespace {
ScreenInfo screen(const QString& name, QRectF frame, QRectF visible) {
    return ScreenInfo{name, frame, visible, nullptr};
}
}  // namespace

TEST(WindowPlacement, CornerFactorsAndClampingOnAVisibleFrame) {
    const QRectF visible(0, 25, 1440, 875);
    // Centre (1382.4, 865) pulls the window past the right and top edges.
    EXPECT_EQ(WindowPlacement::placedFrame({300, 300}, Position::topRight, visible),
              QRectF(1140, 600, 300, 300));
    // topLeft: centre (57.6, 865): x clamped to the left edge, y to the top.
    EXPECT_EQ(WindowPlacement::placedFrame({300, 300}, Position::topLeft, visible),
              QRectF(0, 600, 300, 300));
    // bottomRight sits higher than a top panel sits low: fy 0.92.
    const QRectF small = WindowPlacement::placedFrame({100, 100}, Position::bottomRight, visible);
    EXPECT_NEAR(small.x(), 1382.4 - 50, 1e-9);
    EXPECT_NEAR(small.y(), 25 + 0.08 * 875 - 50, 1e-9);
    // Custom without a saved origin centres.
    EXPECT_EQ(WindowPlacement::placedFrame({100, 100}, Position::custom, visible),
              QRectF(670, 412.5, 100, 100));
}

TEST(WindowPlacement, WindowLargerThanTheVisibleFrame) {
    const QRectF visible(100, 50, 400, 300);
    // move(to:on:) ends at the minimum corner.
    for (Position p : AppSettings::allCases<Position>()) {
        EXPECT_EQ(WindowPlacement::placedFrame({600, 500}, p, visible).topLeft(), QPointF(100, 50));
    }
    // keepPanelInVisibleFrame keeps to the right and top edges instead.
    const QList<ScreenInfo> screens{screen("A", QRectF(100, 0, 400, 400), visible)};
    const auto kept =
        WindowPlacement::keptInVisibleFrame(QRectF(150, 60, 600, 500), screens, screens[0]);
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, QRectF(500 - 600, 350 - 500, 600, 500));
}

TEST(WindowPlacement, KeepInVisibleFramePicksTheFirstIntersectingScreenElseMain) {
    const QList<ScreenInfo> screens{
        screen("L", QRectF(0, 0, 1280, 1024), QRectF(0, 0, 1280, 1000)),
        screen("R", QRectF(1280, 0, 1280, 1024), QRectF(1280, 0, 1280, 1000))};
    // Straddling both: the first screen in order wins; pulled left into L.
    auto kept =
        WindowPlacement::keptInVisibleFrame(QRectF(1200, 100, 300, 300), screens, screens[1]);
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, QRectF(980, 100, 300, 300));
    // Only on R: stays on R, pulled below R's top edge.
    kept = WindowPlacement::keptInVisibleFrame(QRectF(2000, 900, 300, 300), screens, screens[0]);
    EXPECT_EQ(*kept, QRectF(2000, 700, 300, 300));
    // Off every screen: pulled into the main screen (R here).
    kept = WindowPlacement::keptInVisibleFrame(QRectF(-5000, -3000, 300, 300), screens, screens[1]);
    EXPECT_EQ(*kept, QRectF(1280, 0, 300, 300));
    // No screen and no main screen: nothing to do.
    EXPECT_FALSE(WindowPlacement::keptInVisibleFrame(QRectF(0, 0, 10, 10), {}, std::nullopt));
}

TEST(ScreenCoordinates, ConvertsBetweenYDownAndYUpBothWays) {
    // Primary 1280x1024 at the origin; a second screen above-right of it.
    const QRectF primary(0, 0, 1280, 1024);
    EXPECT_EQ(ScreenCoordinates::toYUp(QRectF(0, 0, 1280, 1024), primary),
              QRectF(0, 0, 1280, 1024));
    EXPECT_EQ(ScreenCoordinates::toYUp(QRectF(10, 20, 300, 200), primary),
              QRectF(10, 804, 300, 200));
    EXPECT_EQ(ScreenCoordinates::toYUp(QRectF(1280, -500, 800, 600), primary),
              QRectF(1280, 924, 800, 600));
    const QRectF r(33, 44, 55, 66);
    EXPECT_EQ(ScreenCoordinates::fromYUp(ScreenCoordinates::toYUp(r, primary), primary), r);
    // A primary screen that does not start at y = 0 still has its bottom-left at the origin.
    const QRectF shifted(0, 100, 1000, 800);
    EXPECT_EQ(ScreenCoordinates::toYUp(QRectF(0, 100, 1000, 800), shifted),
              QRectF(0, 0, 1000, 800));
    EXPECT_EQ(ScreenCoordinates::pointToYUp(QPointF(5, 100), shifted), QPointF(5, 800));
}
