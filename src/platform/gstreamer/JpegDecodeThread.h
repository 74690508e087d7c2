// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/FrameMailbox.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

typedef struct _GstSample GstSample;

namespace mirelon {

// Decodes the JPEG frames of one capture pipeline on a thread of its own.
//
// The streaming thread only hands each encoded frame over, replacing the one
// still waiting (never decoded), and goes back to the camera at once: the
// camera's frames never queue behind a decode, and a decode that falls behind
// skips to the newest frame instead of working through old ones. The thread
// is scheduled as a batch thread: a decode that becomes ready does not
// preempt the main thread while it paints. Decoded frames go into the mailbox
// with the time the camera delivered them; unreadable ones are counted there
// as corrupt.
//
// Shared between the owner (who detaches it), the streaming thread and the
// decode thread. Once detached nothing is posted into the mailbox and the
// mailbox is not read; the thread ends on its own, nobody waits for it.
class JpegDecodeThread {
public:
    using Clock = std::chrono::steady_clock;
    explicit JpegDecodeThread(FrameMailbox& mailbox) : mailbox_(&mailbox) {}
    ~JpegDecodeThread();
    JpegDecodeThread(const JpegDecodeThread&) = delete;
    JpegDecodeThread& operator=(const JpegDecodeThread&) = delete;

    // Starts the thread (once); frames offered before wait for it.
    static void run(const std::shared_ptr<JpegDecodeThread>& self);

    // Streaming thread: the newest encoded frame (the reference is taken
    // over), delivered at `arrival`. Released at once when detached.
    void offer(GstSample* sample, Clock::time_point arrival);

    // Owner: cuts the thread off from the mailbox; never waits for a decode.
    void detach();

    // Encoded frames replaced before the thread came to them.
    std::uint64_t replacedCount() const;
    // Decode threads (of all pipelines) that have not ended yet.
    static int runningCount();

private:
    void loop();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    FrameMailbox* mailbox_;  // null once detached
    GstSample* waiting_ = nullptr;
    Clock::time_point waitingArrival_;
    std::uint64_t replaced_ = 0;
    bool running_ = false;
};

}  // namespace mirelon
