// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/Scheduler.h"

#include <cstdint>
#include <map>
#include <utility>

namespace mirelon {

// A scheduler driven by hand: time only moves when advance() is called.
class ManualScheduler final : public Scheduler {
public:
    TaskHandle schedule(double delaySeconds, std::function<void()> task) override;
    TaskHandle scheduleRepeating(double intervalSeconds, std::function<void()> task) override;
    double now() const override { return now_; }

    // Moves the clock forward, running every task that falls due, in time order.
    void advance(double seconds);
    // Runs the tasks that are due now (zero-delay tasks posted to the "next turn").
    void runPending() { advance(0); }
    std::size_t pendingCount() const;

private:
    struct Item {
        std::shared_ptr<TaskHandle::State> state;
        std::function<void()> task;
        double interval;  // 0 for single shot
    };
    TaskHandle add(double delay, std::function<void()> task, double interval);

    double now_ = 0;
    std::uint64_t seq_ = 0;
    std::map<std::pair<double, std::uint64_t>, Item> queue_;
};

// Installs a ManualScheduler as the main scheduler for the lifetime of the object.
class ScopedManualScheduler {
public:
    ScopedManualScheduler() { Scheduler::setMain(&scheduler); }
    ~ScopedManualScheduler() { Scheduler::setMain(nullptr); }
    ScopedManualScheduler(const ScopedManualScheduler&) = delete;
    ScopedManualScheduler& operator=(const ScopedManualScheduler&) = delete;
    ManualScheduler scheduler;
};

}  // namespace mirelon
