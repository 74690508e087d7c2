// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstCapturePipeline.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace mirelon {
namespace {

// The threads that decode and convert frames yield to the main thread, which
// shows them: with the CPUs busy, the panels keep showing fresh frames.
TEST(GstCapturePipelineTest, StreamingThreadsRunBelowTheProgramsPriority) {
    GstCapture::ensureInitialized();
    const int program = getpriority(PRIO_PROCESS, id_t(getpid()));
    std::mutex mutex;
    std::condition_variable posted;
    bool seen = false;
    int streamingNice = program;
    FrameMailbox mailbox([&] {
        // Called on the streaming thread that posted the frame.
        const int nice = getpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)));
        std::lock_guard lock(mutex);
        streamingNice = nice;
        seen = true;
        posted.notify_all();
    });
    GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
    ASSERT_NE(source, nullptr);
    g_object_set(source, "is-live", TRUE, nullptr);
    GstCapturePipeline::Options options;
    options.sourceCaps =
        QStringLiteral("video/x-raw,format=YUY2,width=64,height=48,framerate=30/1");
    GstCapturePipeline pipeline(source, options, mailbox);
    ASSERT_TRUE(pipeline.isValid());
    QString error;
    ASSERT_TRUE(pipeline.start(&error)) << error.toStdString();
    {
        std::unique_lock lock(mutex);
        posted.wait_for(lock, std::chrono::seconds(10), [&] { return seen; });
    }
    pipeline.stop();
    ASSERT_TRUE(seen) << "no frame arrived";
    EXPECT_EQ(streamingNice, std::min(19, program + 5));
    // The program's own thread keeps its priority.
    EXPECT_EQ(getpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid))), program);
}

}  // namespace
}  // namespace mirelon
