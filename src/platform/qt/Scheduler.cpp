// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/Scheduler.h"

#include "platform/qt/ManualScheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace mirelon {
namespace {

Scheduler* installedScheduler = nullptr;

int toMilliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) {
        return 0;
    }
    return static_cast<int>(std::min(seconds * 1000.0, 24.0 * 3600.0 * 1000.0));
}

void scheduleRepeatingStep(const std::shared_ptr<TaskHandle::State>& state, int ms,
                           const std::shared_ptr<std::function<void()>>& task) {
    QTimer::singleShot(ms, QCoreApplication::instance(), [state, ms, task] {
        if (state->cancelled) {
            return;
        }
        (*task)();
        if (!state->cancelled) {
            scheduleRepeatingStep(state, ms, task);
        }
    });
}

}  // namespace

Scheduler& Scheduler::main() {
    static QtScheduler qtScheduler;
    return installedScheduler ? *installedScheduler : qtScheduler;
}

void Scheduler::setMain(Scheduler* scheduler) {
    installedScheduler = scheduler;
}

TaskHandle QtScheduler::schedule(double delaySeconds, std::function<void()> task) {
    auto state = std::make_shared<TaskHandle::State>();
    QTimer::singleShot(toMilliseconds(delaySeconds), QCoreApplication::instance(),
                       [state, task = std::move(task)] {
                           if (state->cancelled) {
                               return;
                           }
                           state->finished = true;
                           task();
                       });
    return TaskHandle(state);
}

TaskHandle QtScheduler::scheduleRepeating(double intervalSeconds, std::function<void()> task) {
    auto state = std::make_shared<TaskHandle::State>();
    scheduleRepeatingStep(state, std::max(1, toMilliseconds(intervalSeconds)),
                          std::make_shared<std::function<void()>>(std::move(task)));
    return TaskHandle(state);
}

double QtScheduler::now() const {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

TaskHandle ManualScheduler::add(double delay, std::function<void()> task, double interval) {
    auto state = std::make_shared<TaskHandle::State>();
    const double d = std::isfinite(delay) ? std::max(0.0, delay) : 0.0;
    queue_.emplace(std::make_pair(now_ + d, seq_++), Item{state, std::move(task), interval});
    return TaskHandle(state);
}

TaskHandle ManualScheduler::schedule(double delaySeconds, std::function<void()> task) {
    return add(delaySeconds, std::move(task), 0);
}

TaskHandle ManualScheduler::scheduleRepeating(double intervalSeconds, std::function<void()> task) {
    const double interval = std::max(1e-3, intervalSeconds);
    return add(interval, std::move(task), interval);
}

void ManualScheduler::advance(double seconds) {
    const double target = now_ + std::max(0.0, seconds);
    while (!queue_.empty() && queue_.begin()->first.first <= target) {
        auto node = queue_.extract(queue_.begin());
        Item item = std::move(node.mapped());
        now_ = std::max(now_, node.key().first);
        if (item.state->cancelled) {
            continue;
        }
        if (item.interval > 0) {
            auto task = item.task;
            queue_.emplace(std::make_pair(now_ + item.interval, seq_++), item);
            task();
        } else {
            item.state->finished = true;
            item.task();
        }
    }
    now_ = target;
}

std::size_t ManualScheduler::pendingCount() const {
    return static_cast<std::size_t>(std::count_if(
        queue_.begin(), queue_.end(), [](const auto& kv) { return !kv.second.state->cancelled; }));
}

}  // namespace mirelon
