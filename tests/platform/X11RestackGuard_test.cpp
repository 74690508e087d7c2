// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowStacking.h"

#include <gtest/gtest.h>

namespace mirelon {
namespace {

using Order = RestackGuard::Order;

// What mutter 43 did with a ring light (0x400006, 0x40000f) placed right
// below the settings window's frame (0x200110): the frame went straight back
// below them after every restack, ten times a second.
const Order undone{0x200011, 0x200008, 0x200110, 0x400006, 0x40000f, 0x200009, 0x40001d};
const Order wanted{0x200011, 0x200008, 0x400006, 0x40000f, 0x200110, 0x200009, 0x40001d};

TEST(RestackGuard, GivesUpAnArrangementTheWindowManagerKeepsUndoing) {
    RestackGuard guard;
    int restacks = 0;
    for (int check = 0; check < 50; ++check) {
        if (guard.shouldRestack(undone, wanted)) {
            guard.restacked(undone, wanted);
            ++restacks;
        }
    }
    EXPECT_EQ(restacks, 1 + RestackGuard::maxUndone);
    EXPECT_TRUE(guard.gaveUp());
}

TEST(RestackGuard, RestacksAgainWhenTheStackChangesOtherwise) {
    RestackGuard guard;
    while (guard.shouldRestack(undone, wanted)) {
        guard.restacked(undone, wanted);
    }
    // Another program's window came over ours: a new arrangement, worth fixing.
    Order covered = undone;
    covered.push_back(0x600001);
    Order fixed = wanted;
    fixed.insert(fixed.end() - 1, 0x600001);
    EXPECT_TRUE(guard.shouldRestack(covered, fixed));
    EXPECT_FALSE(guard.gaveUp());
    guard.restacked(covered, fixed);
    // A restack that holds is followed by a stack that needs none; each
    // different wrong order found later is corrected again.
    EXPECT_TRUE(guard.shouldRestack(undone, wanted));
    guard.restacked(undone, wanted);
    EXPECT_TRUE(guard.shouldRestack(covered, fixed));
}

}  // namespace
}  // namespace mirelon
