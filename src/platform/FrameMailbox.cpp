#include "platform/FrameMailbox.h"

namespace mirelon {

void FrameMailbox::post(QImage frame) {
    bool wake = false;
    QImage replaced;  // released outside the lock
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

QImage FrameMailbox::take() {
    std::lock_guard lock(mutex_);
    wakeUpPending_ = false;
    return std::exchange(slot_, QImage());
}

void FrameMailbox::reset() {
    std::lock_guard lock(mutex_);
    slot_ = QImage();
    wakeUpPending_ = false;
    posted_.store(0);
    dropped_.store(0);
    lastPost_.store(0);
}

}  // namespace mirelon
