// SPDX-License-Identifier: GPL-3.0-or-later
// The decode thread of MJPEG pipelines, and the time frames are stamped with.

#include "platform/gstreamer/JpegDecodeThread.h"
#include "platform/gstreamer/GstCapturePipeline.h"

#include <QImage>

#include <gst/gst.h>
#include <turbojpeg.h>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace mirelon {
namespace {

using Clock = std::chrono::steady_clock;

// A JPEG sample of a plain picture of `size`; `truncated`: half its data.
GstSample* jpegSample(QSize size, bool truncated = false) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(30, 160, 90));
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long bytes = 0;
    tjCompress2(h, image.constBits(), image.width(), int(image.bytesPerLine()), image.height(),
                TJPF_BGRX, &out, &bytes, TJSAMP_422, 85, 0);
    GstBuffer* buffer = gst_buffer_new_memdup(out, truncated ? bytes / 2 : bytes);
    tjFree(out);
    tjDestroy(h);
    GstCaps* caps = gst_caps_new_empty_simple("image/jpeg");
    GstSample* sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_buffer_unref(buffer);
    gst_caps_unref(caps);
    return sample;
}

int refs(GstSample* sample) {
    return GST_MINI_OBJECT_REFCOUNT_VALUE(sample);
}

// Runs until done() holds, yielding meanwhile (a bounded number of rounds).
bool spinUntil(const std::function<bool()>& done) {
    for (long i = 0; i < 50'000'000 && !done(); ++i) {
        std::this_thread::yield();
    }
    return done();
}

// A mailbox that notes, on the posting thread, how that thread is scheduled.
struct WatchedMailbox {
    std::mutex mutex;
    std::condition_variable posted;
    int wakeUps = 0;
    int niceness = 0;
    int policy = -1;
    FrameMailbox mailbox{[this] {
        std::lock_guard lock(mutex);
        ++wakeUps;
        niceness = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
        policy = sched_getscheduler(0);
        posted.notify_all();
    }};
    bool waitForWakeUps(int n) {
        std::unique_lock lock(mutex);
        return posted.wait_for(lock, std::chrono::seconds(20), [&] { return wakeUps >= n; });
    }
};

class JpegDecodeThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        GstCapture::ensureInitialized();
        watched.mailbox.setWantedSize(QSize(4000, 4000));  // full size
    }
    WatchedMailbox watched;
};

TEST_F(JpegDecodeThreadTest, OnlyTheNewestWaitingFrameIsDecodedAsABatchThreadWithItsArrival) {
    const int before = JpegDecodeThread::runningCount();
    auto decoding = std::make_shared<JpegDecodeThread>(watched.mailbox);
    const auto t0 = Clock::time_point(std::chrono::seconds(100));
    GstSample* first = jpegSample(QSize(64, 48));
    GstSample* second = jpegSample(QSize(96, 64));
    gst_sample_ref(first);
    gst_sample_ref(second);
    // Three frames before the thread runs: the first two wait in vain.
    decoding->offer(first, t0);
    decoding->offer(second, t0 + std::chrono::milliseconds(33));
    decoding->offer(jpegSample(QSize(128, 96)), t0 + std::chrono::milliseconds(66));
    EXPECT_EQ(decoding->replacedCount(), 2u);
    EXPECT_EQ(refs(first), 1);  // released by the thread's side
    EXPECT_EQ(refs(second), 1);
    gst_sample_unref(first);
    gst_sample_unref(second);

    JpegDecodeThread::run(decoding);
    ASSERT_TRUE(watched.waitForWakeUps(1));
    VideoFrame frame = watched.mailbox.take();
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(frame.size(), QSize(128, 96));
    // Stamped with when the camera delivered it, not when it was decoded.
    EXPECT_EQ(frame.arrival(), t0 + std::chrono::milliseconds(66));
    EXPECT_EQ(watched.mailbox.postedCount(), 1u);
    {
        std::lock_guard lock(watched.mutex);
        // Batch scheduled, at the program's own niceness (a higher one
        // makes decodes wait behind other programs).
        EXPECT_EQ(watched.niceness, getpriority(PRIO_PROCESS, 0));
        EXPECT_EQ(watched.policy, SCHED_BATCH);
    }

    // A truncated frame is counted, never posted; the next good one is.
    decoding->offer(jpegSample(QSize(64, 48), true), t0);
    ASSERT_TRUE(spinUntil([&] { return watched.mailbox.corruptCount() == 1; }));
    decoding->offer(jpegSample(QSize(64, 48)), t0);
    ASSERT_TRUE(watched.waitForWakeUps(2));
    EXPECT_EQ(watched.mailbox.take().size(), QSize(64, 48));
    EXPECT_EQ(watched.mailbox.postedCount(), 2u);
    decoding->detach();
    EXPECT_TRUE(spinUntil([&] { return JpegDecodeThread::runningCount() == before; }));
}

TEST_F(JpegDecodeThreadTest, DetachedThreadEndsAndLetsGoOfEverythingOffered) {
    const int before = JpegDecodeThread::runningCount();
    auto decoding = std::make_shared<JpegDecodeThread>(watched.mailbox);
    JpegDecodeThread::run(decoding);
    EXPECT_EQ(JpegDecodeThread::runningCount(), before + 1);
    decoding->offer(jpegSample(QSize(64, 48)), Clock::now());
    ASSERT_TRUE(watched.waitForWakeUps(1));

    GstSample* waiting = jpegSample(QSize(64, 48));
    gst_sample_ref(waiting);
    decoding->detach();
    // After the detach the mailbox is not touched: what comes is let go.
    decoding->offer(waiting, Clock::now());
    EXPECT_EQ(refs(waiting), 1);
    gst_sample_unref(waiting);
    // A second start of a detached thread starts nothing.
    JpegDecodeThread::run(decoding);
    EXPECT_TRUE(spinUntil([&] { return JpegDecodeThread::runningCount() == before; }));
    EXPECT_EQ(watched.mailbox.postedCount(), 1u);
    EXPECT_EQ(decoding.use_count(), 1);  // the thread's share is gone
}

// A clock that stands still at ten seconds.
struct StillClock {
    GstClock parent;
};
struct StillClockClass {
    GstClockClass parent;
};
G_DEFINE_TYPE(StillClock, still_clock, GST_TYPE_CLOCK)
GstClockTime stillClockTime(GstClock*) {
    return 10 * GST_SECOND;
}
void still_clock_class_init(StillClockClass* c) {
    GST_CLOCK_CLASS(c)->get_internal_time = stillClockTime;
}
void still_clock_init(StillClock*) {}

GstSample* stampedSample(GstClockTime pts, GstClockTime segmentStart = 0) {
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, 16, nullptr);
    GST_BUFFER_PTS(buffer) = pts;
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    segment.start = segmentStart;
    segment.time = segmentStart;
    GstSample* sample = gst_sample_new(buffer, nullptr, &segment, nullptr);
    gst_buffer_unref(buffer);
    return sample;
}

TEST(GstCaptureDeliveryTimeTest, FramesAreAsOldAsThePipelineClockSays) {
    GstCapture::ensureInitialized();
    GstElement* sink =
        GST_ELEMENT(gst_object_ref_sink(gst_element_factory_make("fakesink", nullptr)));
    ASSERT_NE(sink, nullptr);
    const auto now = Clock::time_point(std::chrono::seconds(1000));
    const auto ms = [](int n) { return std::chrono::milliseconds(n); };
    auto timeOf = [&](GstSample* sample) {
        const auto t = GstCapture::deliveryTime(sink, sample, now);
        gst_sample_unref(sample);
        return t;
    };
    // No clock yet (not playing): the frame is as new as its arrival.
    EXPECT_EQ(timeOf(stampedSample(4900 * GST_MSECOND)), now);

    auto* clock = GST_CLOCK(g_object_new(still_clock_get_type(), nullptr));
    gst_element_set_clock(sink, clock);
    gst_element_set_base_time(sink, 5 * GST_SECOND);
    // Stamped at running time 4.9 s, the clock is at 10 s: 100 ms ago.
    EXPECT_EQ(timeOf(stampedSample(4900 * GST_MSECOND)), now - ms(100));
    // The running time counts from the segment's start.
    EXPECT_EQ(timeOf(stampedSample(5900 * GST_MSECOND, GST_SECOND)), now - ms(100));
    EXPECT_EQ(timeOf(stampedSample(4000 * GST_MSECOND)), now - ms(1000));
    // Stamped in the future, before the segment, or not at all: now.
    EXPECT_EQ(timeOf(stampedSample(5500 * GST_MSECOND)), now);
    EXPECT_EQ(timeOf(stampedSample(500 * GST_MSECOND, GST_SECOND)), now);
    EXPECT_EQ(timeOf(stampedSample(GST_CLOCK_TIME_NONE)), now);

    gst_element_set_clock(sink, nullptr);
    gst_object_unref(clock);
    gst_object_unref(sink);
}

}  // namespace
}  // namespace mirelon
