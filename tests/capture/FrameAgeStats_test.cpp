// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/FrameAgeStats.h"

#include <gtest/gtest.h>

namespace mirelon {
namespace {

using Clock = FrameAgeStats::Clock;
using std::chrono::milliseconds;

TEST(FrameAgeStatsTest, CountsEachFrameOnceAndSummarisesPerPeriod) {
    FrameAgeStats stats;
    const Clock::time_point t0 = Clock::time_point(std::chrono::hours(1));
    // 100 frames, 33 ms apart, each drawn 5 ms after it arrived, one 40 ms late.
    for (int i = 0; i < 100; ++i) {
        const auto arrival = t0 + milliseconds(33 * i);
        stats.shown(arrival, arrival + milliseconds(i == 50 ? 40 : 5));
        // Drawn again before anything newer came: still one frame.
        stats.shown(arrival, arrival + milliseconds(20));
    }
    const auto s = stats.summary();
    EXPECT_EQ(s.count, 100);
    EXPECT_DOUBLE_EQ(s.medianMs, 5.0);
    EXPECT_DOUBLE_EQ(s.p99Ms, 5.0);
    EXPECT_DOUBLE_EQ(s.maxMs, 40.0);

    // Frames made without an arrival time, or "arriving" after they were
    // drawn (another clock), are not counted.
    stats.shown(Clock::time_point{}, t0 + milliseconds(4000));
    stats.shown(t0 + milliseconds(9000), t0 + milliseconds(4000));
    EXPECT_EQ(stats.summary().count, 100);

    FrameAgeStats::Summary taken;
    EXPECT_FALSE(stats.takeSummary(t0 + milliseconds(9000), taken));  // period not over
    ASSERT_TRUE(stats.takeSummary(t0 + milliseconds(10005), taken));
    EXPECT_EQ(taken.count, 100);
    EXPECT_NEAR(taken.seconds, 10.0, 0.01);
    EXPECT_EQ(stats.summary().count, 0);  // a new period began
    EXPECT_FALSE(stats.takeSummary(t0 + milliseconds(10010), taken));
    const QString line = FrameAgeStats::describe(taken);
    EXPECT_TRUE(line.contains(QStringLiteral("100 frames"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("oldest 40.0 ms"))) << line.toStdString();
}

TEST(FrameAgeStatsTest, NinetyNinthPercentileOfAFewFramesIsTheOldest) {
    FrameAgeStats stats;
    const Clock::time_point t0 = Clock::time_point(std::chrono::hours(1));
    stats.shown(t0, t0 + milliseconds(2));
    stats.shown(t0 + milliseconds(33), t0 + milliseconds(33 + 30));
    const auto s = stats.summary();
    EXPECT_EQ(s.count, 2);
    EXPECT_DOUBLE_EQ(s.medianMs, 2.0);
    EXPECT_DOUBLE_EQ(s.p99Ms, 30.0);
    EXPECT_EQ(FrameAgeStats().summary().count, 0);
}

}  // namespace
}  // namespace mirelon
