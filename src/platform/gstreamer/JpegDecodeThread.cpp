// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/JpegDecodeThread.h"

#include "platform/jpeg/JpegFrameDecoder.h"
#include "platform/qt/Logging.h"

#include <gst/gst.h>

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>
#include <utility>
#include <vector>

namespace mirelon {
namespace {

std::atomic<int> runningThreads{0};

// Named for profilers and top. Batch scheduling: a decode that becomes ready
// does not preempt the thread that runs (the main thread painting), yet gets
// its fair share. (A higher niceness was tried and made frames older: beside
// a busy program the decodes then wait behind it, while painting never was
// what held frames back.) Best effort: otherwise it decodes as any thread.
void setUpThread() {
    pthread_setname_np(pthread_self(), "jpeg decode");
    sched_param param{};
    if (pthread_setschedparam(pthread_self(), SCHED_BATCH, &param) != 0) {
        qCDebug(lcCapture) << "JPEG decoding: no batch scheduling";
    }
}

// What one thread's decoding cost and skipped, summed up every ten seconds
// while frame logging is on.
class DecodeLog {
public:
    void decoded(JpegDecodeThread::Clock::duration took, std::uint64_t replaced,
                 std::uint64_t unseen, QSize frameSize) {
        const auto now = JpegDecodeThread::Clock::now();
        if (periodStart_ == JpegDecodeThread::Clock::time_point{}) {
            periodStart_ = now;
            replacedBefore_ = replaced;
            unseenBefore_ = unseen;
        }
        times_.push_back(std::chrono::duration<double, std::milli>(took).count());
        if (now - periodStart_ < std::chrono::seconds(10)) {
            return;
        }
        std::sort(times_.begin(), times_.end());
        const auto at = [&](double q) {
            return times_[std::min(times_.size() - 1, std::size_t(q * double(times_.size())))];
        };
        qCDebug(lcFrames).noquote()
            << QStringLiteral(
                   "JPEG %1x%2: %3 frames decoded in %4 s, decode median %5 ms, 99th %6 ms; "
                   "%7 waiting frames skipped, %8 decoded frames replaced unseen")
                   .arg(frameSize.width())
                   .arg(frameSize.height())
                   .arg(times_.size())
                   .arg(std::chrono::duration<double>(now - periodStart_).count(), 0, 'f', 1)
                   .arg(at(0.5), 0, 'f', 1)
                   .arg(at(0.99), 0, 'f', 1)
                   .arg(replaced - replacedBefore_)
                   .arg(unseen - unseenBefore_);
        times_.clear();
        periodStart_ = now;
        replacedBefore_ = replaced;
        unseenBefore_ = unseen;
    }

private:
    std::vector<double> times_;
    JpegDecodeThread::Clock::time_point periodStart_{};
    std::uint64_t replacedBefore_ = 0;
    std::uint64_t unseenBefore_ = 0;
};

// The frame a sample's JPEG data holds; `readable` false for data that is
// not a frame (counted as corrupt), true when it could not even be mapped.
VideoFrame decodeSample(JpegFrameDecoder& decoder, GstSample* sample, QSize wanted, QRectF region,
                        bool* readable) {
    *readable = true;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map{};
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return {};
    }
    // Decoded into buffers of the decoder's own: the sample can go at once.
    VideoFrame frame = decoder.decodeFor(map.data, map.size, wanted, region);
    gst_buffer_unmap(buffer, &map);
    *readable = !frame.isNull();
    return frame;
}

}  // namespace

JpegDecodeThread::~JpegDecodeThread() {
    if (waiting_) {
        gst_sample_unref(waiting_);
    }
}

void JpegDecodeThread::run(const std::shared_ptr<JpegDecodeThread>& self) {
    {
        std::lock_guard lock(self->mutex_);
        if (self->running_ || !self->mailbox_) {
            return;
        }
        self->running_ = true;
    }
    runningThreads.fetch_add(1, std::memory_order_acq_rel);
    std::thread([owner = self]() mutable {
        owner->loop();
        owner.reset();  // counted as ended once its share is let go
        runningThreads.fetch_sub(1, std::memory_order_acq_rel);
    }).detach();
}

void JpegDecodeThread::offer(GstSample* sample, Clock::time_point arrival) {
    GstSample* replaced = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!mailbox_) {
            replaced = sample;
        } else {
            replaced = std::exchange(waiting_, sample);
            waitingArrival_ = arrival;
            if (replaced) {
                ++replaced_;
            }
        }
    }
    wake_.notify_one();
    if (replaced) {
        gst_sample_unref(replaced);
    }
}

void JpegDecodeThread::detach() {
    GstSample* dropped = nullptr;
    {
        std::lock_guard lock(mutex_);
        mailbox_ = nullptr;
        dropped = std::exchange(waiting_, nullptr);
    }
    wake_.notify_one();
    if (dropped) {
        gst_sample_unref(dropped);
    }
}

std::uint64_t JpegDecodeThread::replacedCount() const {
    std::lock_guard lock(mutex_);
    return replaced_;
}

int JpegDecodeThread::runningCount() {
    return runningThreads.load(std::memory_order_acquire);
}

void JpegDecodeThread::loop() {
    setUpThread();
    JpegFrameDecoder decoder;
    QSize decodedSize;
    DecodeLog log;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return !mailbox_ || waiting_; });
        if (!mailbox_) {
            return;
        }
        GstSample* sample = std::exchange(waiting_, nullptr);
        const Clock::time_point arrival = waitingArrival_;
        const QSize wanted = mailbox_->wantedSize();
        const QRectF region = mailbox_->wantedRegion();
        lock.unlock();

        const auto began = Clock::now();
        bool readable = true;
        VideoFrame frame = decodeSample(decoder, sample, wanted, region, &readable);
        const auto took = Clock::now() - began;
        gst_sample_unref(sample);
        // Once per change of the reduction (a window follows a change of
        // the panel by a frame or two: not worth a line of its own).
        if (!frame.isNull() && frame.size() != decodedSize) {
            decodedSize = frame.size();
            qCInfo(lcCapture).noquote()
                << QStringLiteral("JPEG frames of %1x%2 decoded at %3x%4%5")
                       .arg(decoder.lastFullSize().width())
                       .arg(decoder.lastFullSize().height())
                       .arg(frame.width())
                       .arg(frame.height())
                       .arg(frame.isWindowed() ? QStringLiteral(", only the part shown")
                                               : QString());
        }

        lock.lock();
        if (!mailbox_) {
            return;
        }
        if (!readable) {
            mailbox_->countCorruptFrame();
        } else if (!frame.isNull()) {
            frame.setArrival(arrival);
            mailbox_->post(std::move(frame));
            if (lcFrames().isDebugEnabled()) {
                log.decoded(took, replaced_, mailbox_->droppedCount(), decoder.lastFullSize());
            }
        }
    }
}

}  // namespace mirelon
