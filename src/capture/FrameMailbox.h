// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/VideoFrame.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

#include <QRectF>

namespace mirelon {

// Hands frames from a streaming thread to the main thread.
//
// One slot: a frame posted while the previous one has not been taken replaces
// it (the newest frame wins, the older one counts as dropped). The first post
// into an empty mailbox asks for exactly one wake-up; further posts before the
// main thread takes the frame ask for none, so a busy main thread never
// collects a queue of wake-ups. The slot is the only state both threads touch.
class FrameMailbox {
public:
    // Called on the posting thread when a wake-up is due; it must queue the
    // call of take() on the main thread (and nothing else).
    using WakeUp = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    explicit FrameMailbox(WakeUp wakeUp = {}) : wakeUp_(std::move(wakeUp)) {}
    FrameMailbox(const FrameMailbox&) = delete;
    FrameMailbox& operator=(const FrameMailbox&) = delete;

    void setWakeUp(WakeUp wakeUp) { wakeUp_ = std::move(wakeUp); }

    // Streaming thread: puts a frame into the slot.
    void post(VideoFrame frame);

    // Main thread: takes the newest frame, or a null frame when the slot is
    // empty. Re-arms the wake-up.
    VideoFrame take();

    // Frames posted since creation or the last reset().
    std::uint64_t postedCount() const { return posted_.load(std::memory_order_acquire); }
    // Frames replaced in the slot before the main thread took them.
    std::uint64_t droppedCount() const { return dropped_.load(std::memory_order_acquire); }
    // When the last frame was posted (time_point{} when none was).
    Clock::time_point lastPostTime() const {
        return Clock::time_point(Clock::duration(lastPost_.load(std::memory_order_acquire)));
    }
    // Forgets the counters and the slot (only while nothing posts).
    void reset();

    // The other direction: how large the picture is shown (device pixels the
    // picture covers, zoom and tilt included; empty: unknown, so full size).
    // Set on the main thread, read by the streaming thread to decode no more
    // than it needs. Survives reset().
    void setWantedSize(QSize size);
    QSize wantedSize() const;
    // The part of the picture shown, as fractions of the frame's width and
    // height (null: all of it, or unknown). The streaming thread may then
    // hand over only that part of a frame. Kept to 1/65535, rounded outward.
    void setWantedRegion(QRectF region);
    QRectF wantedRegion() const;
    // Frames the streaming thread dropped as unreadable (corrupt, truncated).
    void countCorruptFrame() { corrupt_.fetch_add(1, std::memory_order_acq_rel); }
    std::uint64_t corruptCount() const { return corrupt_.load(std::memory_order_acquire); }

private:
    WakeUp wakeUp_;
    std::mutex mutex_;
    VideoFrame slot_;
    bool wakeUpPending_ = false;
    std::atomic<std::uint64_t> posted_{0};
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<Clock::rep> lastPost_{0};
    std::atomic<std::uint64_t> wanted_{0};  // width << 32 | height
    std::atomic<std::uint64_t> region_{0};  // left, top, right, bottom in 1/65535
    std::atomic<std::uint64_t> corrupt_{0};
};

}  // namespace mirelon
