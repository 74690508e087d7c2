// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/FrameMailbox.h"

#include <algorithm>
#include <cmath>

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

void FrameMailbox::setWantedRegion(QRectF region) {
    region = region.normalized().intersected(QRectF(0, 0, 1, 1));
    std::uint64_t packed = 0;
    if (!region.isEmpty() && region != QRectF(0, 0, 1, 1)) {
        auto edge = [](double f, bool up) {
            const double v = (up ? std::ceil(f * 65535) : std::floor(f * 65535));
            return std::uint64_t(std::clamp(v, 0.0, 65535.0));
        };
        packed = edge(region.left(), false) << 48 | edge(region.top(), false) << 32 |
                 edge(region.right(), true) << 16 | edge(region.bottom(), true);
    }
    region_.store(packed, std::memory_order_release);
}

QRectF FrameMailbox::wantedRegion() const {
    const std::uint64_t v = region_.load(std::memory_order_acquire);
    if (v == 0) {
        return {};
    }
    auto f = [v](int shift) { return double((v >> shift) & 0xFFFFu) / 65535.0; };
    return QRectF(QPointF(f(48), f(32)), QPointF(f(16), f(0)));
}

QSize FrameMailbox::wantedSize() const {
    const std::uint64_t v = wanted_.load(std::memory_order_acquire);
    return QSize(int(v >> 32), int(v & 0xFFFFFFFFu));
}

}  // namespace mirelon
