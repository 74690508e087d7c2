// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightOverlayView.h"
#include "platform/qt/ManualScheduler.h"

#include <gtest/gtest.h>

namespace mirelon {
namespace {

class RingLightViewTest : public ::testing::Test {
protected:
    ScopedManualScheduler clock;

    static RingLightOverlayView::Configuration config(RingLightDisplaySettings s = {true, 0.5, 44,
                                                                                    0.5}) {
        RingLightOverlayView::Configuration c;
        c.screenFrame = QRectF(0, 0, 1280, 800);  // y up
        c.settings = s;
        return c;
    }
    // A point in view coordinates (y down) as a global y-up location.
    static QPointF global(double x, double y) { return QPointF(x, 800 - y); }
};

TEST_F(RingLightViewTest, HoleErasesTheBandNearThePointerOnly) {
    RingLightOverlayView view(config());
    const QImage before = view.renderImage();
    view.setPointerLocation(global(640, 20));
    ASSERT_EQ(view.holeCenter(), QPointF(640, 20));
    const QImage after = view.renderImage();
    EXPECT_GT(before.pixelColor(640, 20).alpha(), 60);
    EXPECT_LE(after.pixelColor(640, 20).alpha(), 2);
    // Fades back in towards the rim and is untouched beyond it.
    EXPECT_LT(after.pixelColor(640 + 140, 20).alpha(), before.pixelColor(640 + 140, 20).alpha());
    EXPECT_GT(after.pixelColor(640 + 140, 20).alpha(), after.pixelColor(640 + 60, 20).alpha());
    EXPECT_EQ(after.pixelColor(640 + 220, 20), before.pixelColor(640 + 220, 20));
    EXPECT_EQ(after.pixelColor(20, 400), before.pixelColor(20, 400));

    view.setPointerLocation(global(640, 400));  // middle: no hole
    EXPECT_FALSE(view.holeCenter());
    EXPECT_EQ(view.renderImage(), before);
}

TEST_F(RingLightViewTest, PointerMovesRepaintOnlyTheOldAndNewHoles) {
    RingLightOverlayView view(config());
    clock.scheduler.runPending();
    const int start = view.repaintRequestCount();

    // Far from every edge: nothing to do.
    view.setPointerLocation(global(600, 400));
    view.setPointerLocation(global(700, 420));
    clock.scheduler.advance(1);
    EXPECT_EQ(view.repaintRequestCount(), start);

    view.setPointerLocation(global(640, 20));
    clock.scheduler.advance(0);
    EXPECT_EQ(view.repaintRequestCount(), start + 1);
    const QRect first = view.holeDeviceRect();
    EXPECT_EQ(view.lastRepaintRegion(), QRegion(first));
    EXPECT_LT(first.width(), 420);  // a small part of the display

    // The same position again: nothing.
    view.setPointerLocation(global(640, 20));
    clock.scheduler.advance(1);
    EXPECT_EQ(view.repaintRequestCount(), start + 1);

    view.setPointerLocation(global(700, 20));
    clock.scheduler.advance(1);
    EXPECT_EQ(view.repaintRequestCount(), start + 2);
    EXPECT_EQ(view.lastRepaintRegion(), QRegion(first).united(view.holeDeviceRect()));

    // Leaving the edge clears the old hole.
    const QRect last = view.holeDeviceRect();
    view.setPointerLocation(global(640, 400));
    clock.scheduler.advance(1);
    EXPECT_EQ(view.repaintRequestCount(), start + 3);
    EXPECT_EQ(view.lastRepaintRegion(), QRegion(last));
    EXPECT_EQ(view.bandRenderCount(), 0);  // pointer moves never render the band
}

TEST_F(RingLightViewTest, RepaintsAtMostThirtyTimesASecond) {
    RingLightOverlayView view(config());
    clock.scheduler.runPending();
    const int start = view.repaintRequestCount();
    // The pointer moves along the top edge at 120 Hz for one second.
    for (int i = 0; i < 120; ++i) {
        view.setPointerLocation(global(200 + i * 5, 10));
        clock.scheduler.advance(1.0 / 120);
    }
    clock.scheduler.advance(1);
    const int repaints = view.repaintRequestCount() - start;
    EXPECT_LE(repaints, 32);
    EXPECT_GE(repaints, 25);
    // The last position is painted.
    EXPECT_TRUE(view.lastRepaintRegion().contains(view.holeDeviceRect().center()));
}

TEST_F(RingLightViewTest, UnchangedDrawingKeepsTheCachedBand) {
    RingLightOverlayView view(config());
    view.renderImage();
    ASSERT_EQ(view.bandRenderCount(), 1);
    clock.scheduler.runPending();
    const int repaints = view.repaintRequestCount();

    auto c = config();
    view.setConfiguration(c);
    c.settings.isEnabled = false;  // not consulted by the drawing
    view.setConfiguration(c);
    c.settings.width = 44.0;
    view.setConfiguration(c);
    view.renderImage();
    clock.scheduler.advance(1);
    EXPECT_EQ(view.bandRenderCount(), 1);
    EXPECT_EQ(view.repaintRequestCount(), repaints);

    // Widths beyond 80 all draw as 80.
    c.settings.width = 200;
    view.setConfiguration(c);
    view.renderImage();
    EXPECT_EQ(view.bandRenderCount(), 2);
    c.settings.width = 120;
    view.setConfiguration(c);
    view.renderImage();
    EXPECT_EQ(view.bandRenderCount(), 2);

    // A new pixel ratio or size renders again, and repaints everything.
    c.devicePixelRatio = 2;
    view.setConfiguration(c);
    const QImage hi = view.renderImage();
    EXPECT_EQ(view.bandRenderCount(), 3);
    EXPECT_EQ(hi.size(), QSize(2560, 1600));
    clock.scheduler.advance(1);
    EXPECT_EQ(view.lastRepaintRegion().boundingRect(), QRect(0, 0, 1280, 800));
}

TEST_F(RingLightViewTest, FrameChangeMovesTheHole) {
    RingLightOverlayView view(config());
    view.setPointerLocation(global(640, 20));
    ASSERT_TRUE(view.holeCenter());
    auto c = config();
    c.screenFrame = QRectF(1280, 0, 1280, 800);  // the display moved right
    view.setConfiguration(c);
    EXPECT_FALSE(view.holeCenter());
}

TEST_F(RingLightViewTest, OpaqueShapeIsTheBandWithoutTheHole) {
    auto c = config();
    c.opaque = true;
    RingLightOverlayView view(c);
    QRegion shape = view.opaqueShape();
    EXPECT_TRUE(shape.contains(QPoint(640, 10)));
    EXPECT_FALSE(shape.contains(QPoint(640, 400)));
    view.setPointerLocation(global(640, 10));
    shape = view.opaqueShape();
    EXPECT_FALSE(shape.contains(QPoint(640, 10)));
    EXPECT_TRUE(shape.contains(QPoint(10, 400)));
}

}  // namespace
}  // namespace mirelon
