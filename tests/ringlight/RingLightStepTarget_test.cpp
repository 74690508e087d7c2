// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightStepTarget.h"

#include <gtest/gtest.h>

using namespace mirelon;

namespace {

// Two displays side by side (y up) and a third without an identifier.
QList<RingLightScreen> desk() {
    RingLightScreen left;
    left.displayID = QStringLiteral("111");
    left.frame = QRectF(0, 0, 1280, 720);
    RingLightScreen right;
    right.displayID = QStringLiteral("222");
    right.frame = QRectF(1280, 0, 1024, 768);
    RingLightScreen anonymous;
    anonymous.frame = QRectF(2304, 0, 800, 600);
    return {left, right, anonymous};
}

}  // namespace

TEST(RingLightStepTarget, APointerKnownEverywhereDecidesAlone) {
    RingLightStepHints hints;
    hints.pointer = QPointF(1500, 100);
    hints.lastSeenPointer = QPointF(10, 10);
    hints.lastMovedPanel = QRectF(10, 10, 100, 100);
    hints.lit = {QStringLiteral("111"), QStringLiteral("222")};
    EXPECT_EQ(ringLightStepDisplays(desk(), hints), QStringList{"222"});
    // Over no display: the active index (the main display).
    hints.pointer = QPointF(-50, -50);
    hints.activeIndex = 0;
    EXPECT_EQ(ringLightStepDisplays(desk(), hints), QStringList{"111"});
    // Over a display without an identifier: nothing to store a step for.
    hints.pointer = QPointF(2400, 100);
    EXPECT_TRUE(ringLightStepDisplays(desk(), hints).isEmpty());
}

TEST(RingLightStepTarget, WithoutAPointerTheLastSeenPlaceThenTheMovedPanelThenEveryLitDisplay) {
    RingLightStepHints hints;
    hints.lit = {QStringLiteral("222"), QStringLiteral("111"), QStringLiteral("gone")};
    hints.lastMovedPanel = QRectF(1200, 300, 200, 150);  // mostly on the right display
    hints.lastSeenPointer = QPointF(100, 700);
    EXPECT_EQ(ringLightStepDisplays(desk(), hints), QStringList{"111"});
    // Last seen where no display is now (its output went): the moved panel.
    hints.lastSeenPointer = QPointF(5000, 5000);
    EXPECT_EQ(ringLightStepDisplays(desk(), hints), QStringList{"222"});
    hints.lastSeenPointer.reset();
    EXPECT_EQ(ringLightStepDisplays(desk(), hints), QStringList{"222"});
    // A panel off every display: every lit display that is connected, in screen order.
    hints.lastMovedPanel = QRectF(-900, -900, 100, 100);
    EXPECT_EQ(ringLightStepDisplays(desk(), hints), (QStringList{"111", "222"}));
    hints.lastMovedPanel.reset();
    hints.lit = {QStringLiteral("222")};
    EXPECT_EQ(ringLightStepDisplays(desk(), hints), QStringList{"222"});
    hints.lit.clear();
    EXPECT_TRUE(ringLightStepDisplays(desk(), hints).isEmpty());
    EXPECT_TRUE(ringLightStepDisplays({}, hints).isEmpty());
}
