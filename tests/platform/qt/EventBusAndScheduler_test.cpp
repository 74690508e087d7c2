// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/EventBus.h"
#include "platform/qt/ManualScheduler.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace mirelon {
namespace {

TEST(EventBus, DeliversInRegistrationOrderUntilTheTokenGoes) {
    EventBus center;
    std::vector<int> calls;
    auto a = center.addObserver("n", [&](const Notification&) { calls.push_back(1); });
    std::optional<ObserverToken> b =
        center.addObserver("n", [&](const Notification&) { calls.push_back(2); });
    auto other = center.addObserver("m", [&](const Notification&) { calls.push_back(9); });
    center.post("n");
    b.reset();
    center.post("n");
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 1}));
}

TEST(EventBus, ObserverRemovedDuringAPostIsNotCalled) {
    EventBus center;
    std::vector<int> calls;
    ObserverToken second;
    auto first = center.addObserver("n", [&](const Notification&) {
        calls.push_back(1);
        second.reset();
    });
    second = center.addObserver("n", [&](const Notification&) { calls.push_back(2); });
    center.post("n");
    EXPECT_EQ(calls, std::vector<int>{1});
    EXPECT_EQ(center.observerCount("n"), 1u);
}

TEST(EventBus, TokenOutlivingItsCentreIsHarmless) {
    ObserverToken token;
    {
        EventBus center;
        token = center.addObserver("n", [](const Notification&) {});
    }
    token.reset();
    SUCCEED();
}

TEST(ManualScheduler, RunsTasksInTimeOrderAndHonoursCancel) {
    ManualScheduler s;
    std::vector<int> order;
    auto late = s.schedule(3.0, [&] { order.push_back(3); });
    auto early = s.schedule(1.0, [&] { order.push_back(1); });
    auto cancelled = s.schedule(2.0, [&] { order.push_back(2); });
    cancelled.cancel();
    s.advance(0.999);
    EXPECT_TRUE(order.empty());
    EXPECT_TRUE(early.isPending());
    s.advance(0.001);
    EXPECT_EQ(order, std::vector<int>{1});
    EXPECT_FALSE(early.isPending());
    s.advance(5);
    EXPECT_EQ(order, (std::vector<int>{1, 3}));
    EXPECT_DOUBLE_EQ(s.now(), 6.0);
}

TEST(ManualScheduler, DestroyingTheHandleCancelsAndRepeatsKeepGoing) {
    ManualScheduler s;
    int ticks = 0;
    int dropped = 0;
    {
        auto handle = s.schedule(1.0, [&] { ++dropped; });
    }
    auto repeating = s.scheduleRepeating(5.0, [&] { ++ticks; });
    s.advance(16);
    EXPECT_EQ(dropped, 0);
    EXPECT_EQ(ticks, 3);
    repeating = TaskHandle();
    s.advance(20);
    EXPECT_EQ(ticks, 3);
}

TEST(ManualScheduler, TaskScheduledByATaskRunsInTheSameAdvanceWhenDue) {
    ManualScheduler s;
    std::vector<double> times;
    TaskHandle second;
    auto first = s.schedule(1.0, [&] {
        times.push_back(s.now());
        second = s.schedule(2.0, [&] { times.push_back(s.now()); });
    });
    s.advance(10);
    EXPECT_EQ(times, (std::vector<double>{1.0, 3.0}));
}

}  // namespace
}  // namespace mirelon
