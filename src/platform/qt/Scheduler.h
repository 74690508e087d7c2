// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

namespace mirelon {

// A cancellable delayed task. Destroying or resetting the handle cancels the
// task, so a task kept in its owner's field never runs after the owner is gone.
class TaskHandle {
public:
    struct State {
        bool cancelled = false;
        bool finished = false;
    };

    TaskHandle() = default;
    explicit TaskHandle(std::shared_ptr<State> state) : state_(std::move(state)) {}
    TaskHandle(const TaskHandle&) = delete;
    TaskHandle& operator=(const TaskHandle&) = delete;
    TaskHandle(TaskHandle&&) noexcept = default;
    TaskHandle& operator=(TaskHandle&& other) noexcept {
        if (this != &other) {
            cancel();
            state_ = std::move(other.state_);
        }
        return *this;
    }
    ~TaskHandle() { cancel(); }

    void cancel() {
        if (state_) {
            state_->cancelled = true;
            state_.reset();
        }
    }
    // True while the task is scheduled and neither run (single shot) nor cancelled.
    bool isPending() const { return state_ && !state_->cancelled && !state_->finished; }

private:
    std::shared_ptr<State> state_;
};

// The one way the program waits: delayed and repeating tasks on the main thread.
// The application uses the Qt event loop; tests install a ManualScheduler.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    [[nodiscard]] virtual TaskHandle schedule(double delaySeconds, std::function<void()> task) = 0;
    [[nodiscard]] virtual TaskHandle scheduleRepeating(double intervalSeconds,
                                                       std::function<void()> task) = 0;
    // Monotonic seconds.
    virtual double now() const = 0;

    // The scheduler used by the program; a QtScheduler unless one was installed.
    static Scheduler& main();
    // Installs a scheduler (not owned); nullptr restores the Qt one.
    static void setMain(Scheduler* scheduler);
};

class QtScheduler final : public Scheduler {
public:
    TaskHandle schedule(double delaySeconds, std::function<void()> task) override;
    TaskHandle scheduleRepeating(double intervalSeconds, std::function<void()> task) override;
    double now() const override;
};

}  // namespace mirelon
