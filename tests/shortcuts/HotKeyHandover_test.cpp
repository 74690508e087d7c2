// SPDX-License-Identifier: GPL-3.0-or-later
// Hot keys moving from the first service to one found later, and back when
// the later one stops serving.
#include "ShortcutsTestSupport.h"

#include "shortcuts/HotKeyHandover.h"
#include "shortcuts/HotKeyRegistry.h"

namespace mirelon::GlobalShortcuts::testing {
namespace {

TEST(HotKeyHandover, TheCandidateTakesOverOnceItServesAndGivesBackWhenItStops) {
    auto grabs = std::make_shared<FakeHotKeyBackend>();
    auto portal = std::make_shared<FakeHotKeyBackend>();
    portal->reportedKind = HotKeyBackend::Kind::Portal;
    HotKeyHandover handover(grabs, true);
    HotKeyRegistry registry(handover);
    int downs = 0;
    int ups = 0;
    ASSERT_TRUE(registry.registerShortcut(
        kCtrlK, [&](const Shortcut&) { ++downs; }, [&](const Shortcut&) { ++ups; }));

    // Offered, it does not serve before it says so.
    handover.offer(portal);
    const auto held = grabs->idOf(kCtrlK);
    ASSERT_TRUE(held);
    ASSERT_TRUE(grabs->press(kCtrlK));  // held down across the move
    EXPECT_EQ(handover.kind(), HotKeyBackend::Kind::KeyGrabs);

    portal->sink.triggersChanged();
    EXPECT_FALSE(grabs->isGrabbed(kCtrlK));
    EXPECT_TRUE(portal->isGrabbed(kCtrlK));
    EXPECT_EQ(handover.kind(), HotKeyBackend::Kind::Portal);
    grabs->sink.released(*held);  // the release still ends the press
    EXPECT_EQ(ups, 1);
    ASSERT_TRUE(portal->click(kCtrlK));
    EXPECT_EQ(downs, 2);

    // The old service's mapping changes move nothing any more.
    const int registered = portal->registerCalls;
    grabs->sink.mappingChanged();
    EXPECT_EQ(portal->registerCalls, registered);

    // A later binding refused: the grabs serve again.
    portal->reportedKind = HotKeyBackend::Kind::Unavailable;
    portal->sink.triggersChanged();
    EXPECT_FALSE(portal->isGrabbed(kCtrlK));
    ASSERT_TRUE(grabs->click(kCtrlK));
    EXPECT_EQ(downs, 3);
    EXPECT_EQ(handover.kind(), HotKeyBackend::Kind::KeyGrabs);
}

}  // namespace
}  // namespace mirelon::GlobalShortcuts::testing
