// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/EventBus.h"
#include "platform/qt/ManualScheduler.h"
#include "platform/qt/ScreenChangeNotifier.h"
#include "platform/qt/ScreenUtils.h"

#include <gtest/gtest.h>

using namespace mirelon;

namespace {
class FakeScreens final : public ScreenSource {
public:
    QList<ScreenInfo> list;
    std::optional<ScreenInfo> main;
    std::optional<ScreenInfo> key;
    QPointF pointer;

    QList<ScreenInfo> screens() const override { return list; }
    std::optional<ScreenInfo> mainScreen() const override { return main; }
    QPointF pointerLocation() const override { return pointer; }
    std::optional<ScreenInfo> keyWindowScreen() const override { return key; }
};

ScreenInfo screen(const QString& name, QRectF frame) {
    return ScreenInfo{name, frame, frame, nullptr};
}
}  // namespace

TEST(DisplayIdentifier, Fnv1aOfTheEdidIdentity) {
    // Reference values of 32-bit FNV-1a.
    EXPECT_EQ(fnv1a32(""), 2166136261u);
    EXPECT_EQ(fnv1a32("a"), 0xe40c292cu);
    EXPECT_EQ(fnv1a32("foobar"), 0xbf9cf968u);

    EXPECT_EQ(displayIdentifier("DEL", "U2720Q", "ABC123", "DP-1"),
              QString::number(fnv1a32("DEL|U2720Q|ABC123")));
    // The connector is only part of it when the serial is missing.
    EXPECT_EQ(displayIdentifier("DEL", "U2720Q", "ABC123", "HDMI-2"),
              displayIdentifier("DEL", "U2720Q", "ABC123", "DP-1"));
    EXPECT_EQ(displayIdentifier("DEL", "U2720Q", "", "DP-1"),
              QString::number(fnv1a32("DEL|U2720Q||DP-1")));
    // No EDID data at all: the connector name alone.
    EXPECT_EQ(displayIdentifier("", "", "", "LEFT"), QString::number(fnv1a32("LEFT")));
    EXPECT_NE(displayIdentifier("", "", "", "LEFT"), displayIdentifier("", "", "", "RIGHT"));
    EXPECT_FALSE(displayIdentifier("DEL", "U2720Q", "ABC123", ""));
}

TEST(ActiveScreen, PointerThenKeyWindowThenMainThenFirst) {
    FakeScreens env;
    const ScreenInfo left = screen("L", QRectF(0, 0, 1280, 1024));
    const ScreenInfo right = screen("R", QRectF(1280, 0, 1280, 1024));
    const ScreenInfo other = screen("X", QRectF(0, 2000, 10, 10));
    env.list = {left, right};
    env.main = left;
    env.key = right;

    EXPECT_FALSE(activeScreenAmong({}, true, env));

    env.pointer = QPointF(1500, 10);
    EXPECT_EQ(activeScreenAmong(env.list, false, env)->name, "R");
    // The shared edge belongs to the screen that starts there.
    env.pointer = QPointF(1280, 500);
    EXPECT_EQ(activeScreenAmong(env.list, false, env)->name, "R");

    env.pointer = QPointF(-100, -100);                              // outside every frame
    EXPECT_EQ(activeScreenAmong(env.list, true, env)->name, "R");   // key window
    EXPECT_EQ(activeScreenAmong(env.list, false, env)->name, "L");  // main screen
    env.key = other;                                                // key window elsewhere
    EXPECT_EQ(activeScreenAmong(env.list, true, env)->name, "L");
    env.main = other;                                                   // main not in the list
    EXPECT_EQ(activeScreenAmong({right, left}, true, env)->name, "R");  // the first
}

TEST(ScreenChangeNotifier, PostsOncePerTurnOfTheMainLoop) {
    ScopedManualScheduler clock;
    int posts = 0;
    ObserverToken token = EventBus::shared().addObserver(Notifications::screensChanged,
                                                         [&](const Notification&) { ++posts; });
    auto& notifier = ScreenChangeNotifier::shared();
    notifier.noteChange();
    notifier.noteChange();
    notifier.noteChange();
    EXPECT_EQ(posts, 0);  // never inside the change itself
    clock.scheduler.runPending();
    EXPECT_EQ(posts, 1);
    notifier.noteChange();
    clock.scheduler.runPending();
    EXPECT_EQ(posts, 2);
}
