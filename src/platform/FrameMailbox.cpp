// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FrameMailbox.h"

#include <algorithm>

namespace mirelon {

void FrameMailbox::post(VideoFrame frame) {
    bool wake = false;
    VideoFrame replaced;  // released outside the lock
    {
        std::lock_guard lock(mutex_);
        if (!slot_.isNull()) {
            dropped_.fetch_add(1, std::memory_order_acq_rel);
        }
        replaced = std::move(slot_);
        slot_ = std::move(frame);
        if (!wakeUpPending_) {
            wakeUpPending_ = true;
            wake = true;
        }
    }
    lastPost_.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
    posted_.fetch_add(1, std::memory_order_acq_rel);
    if (wake && wakeUp_) {
        wakeUp_();
    }
}

VideoFrame FrameMailbox::take() {
    std::lock_guard lock(mutex_);
    wakeUpPending_ = false;
    return std::exchange(slot_, VideoFrame());
}

void FrameMailbox::reset() {
    std::lock_guard lock(mutex_);
    slot_ = VideoFrame();
    wakeUpPending_ = false;
    posted_.store(0);
    dropped_.store(0);
    lastPost_.store(0);
    corrupt_.store(0);
}

void FrameMailbox::setWantedSize(QSize size) {
    const std::uint64_t w = std::uint64_t(std::max(0, size.width()));
    const std::uint64_t h = std::uint64_t(std::max(0, size.height()));
    wanted_.store(w << 32 | h, std::memory_order_release);
}

QSize FrameMailbox::wantedSize() const {
    const std::uint64_t v = wanted_.load(std::memory_order_acquire);
    return QSize(int(v >> 32), int(v & 0xFFFFFFFFu));
}

}  // namespace mirelon
