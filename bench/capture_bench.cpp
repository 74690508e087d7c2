// SPDX-License-Identifier: GPL-3.0-or-later
// Frame hand-over from the streaming thread to the main thread.
//
// A live 1280x720 BGRx test source at 30 fps runs through the capture
// pipeline. A pad probe on the source stamps each frame's sequence number
// into its first pixel and notes the time it left the source; the main thread
// reads the number back from the frame it receives. Reported per run: the
// median and 99th percentile latency (source to main thread) and the frames
// lost while the main thread is busy for `busy` ms per turn (20 ms: shorter
// than a frame; 50 ms: longer than a frame, where a per-frame queue grows).
//
// Peer: the same pipeline handing over every frame with its own queued call
// (no mailbox), measured in the same run.

#include "capture/FrameMailbox.h"
#include "platform/gstreamer/GstCapturePipeline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using mirelon::FrameMailbox;
constexpr int kSlots = 4096;
constexpr double kSeconds = 3.0;

std::array<std::atomic<Clock::rep>, kSlots> leftSource;
std::atomic<std::uint32_t> sequence{0};

GstPadProbeReturn stamp(GstPad*, GstPadProbeInfo* info, gpointer) {
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buffer || !gst_buffer_is_writable(buffer)) {
        return GST_PAD_PROBE_OK;
    }
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        const std::uint32_t n = ++sequence;
        std::memcpy(map.data, &n, sizeof n);
        gst_buffer_unmap(buffer, &map);
        leftSource[n % kSlots].store(Clock::now().time_since_epoch().count());
    }
    return GST_PAD_PROBE_OK;
}

GstElement* stampedSource() {
    GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
    g_object_set(source, "is-live", TRUE, nullptr);
    gst_util_set_object_arg(G_OBJECT(source), "pattern", "smpte");
    GstPad* pad = gst_element_get_static_pad(source, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, stamp, nullptr, nullptr);
    gst_object_unref(pad);
    return source;
}

double latencyMs(const QImage& frame) {
    std::uint32_t n = 0;
    std::memcpy(&n, frame.constBits(), sizeof n);
    const auto left = Clock::time_point(Clock::duration(leftSource[n % kSlots].load()));
    return std::chrono::duration<double, std::milli>(Clock::now() - left).count();
}

struct Run {
    std::vector<double> latencies;
    std::uint64_t produced = 0;
    std::uint64_t dropped = 0;
    std::size_t maxBacklog = 0;
};

// Runs the main loop for kSeconds, busy for busyMs per turn.
template <typename Pump>
void mainLoop(int busyMs, Pump pump) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < kSeconds * 1000) {
        if (busyMs > 0) {
            const auto until = Clock::now() + std::chrono::milliseconds(busyMs);
            while (Clock::now() < until) {
            }
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Starts the pipeline and waits (for real time, this is a benchmark) for its
// first frame.
void startPipeline(mirelon::GstCapturePipeline& pipeline) {
    pipeline.start([] {});
    QElapsedTimer t;
    t.start();
    QString error;
    auto progress = pipeline.startProgress(&error);
    while (progress == mirelon::CapturePipeline::StartProgress::pending && t.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        progress = pipeline.startProgress(&error);
    }
    if (progress != mirelon::CapturePipeline::StartProgress::started) {
        qFatal("pipeline did not start: %s", qPrintable(error));
    }
}

Run runMailbox(int busyMs) {
    Run run;
    QObject receiver;
    FrameMailbox mailbox;
    mailbox.setWakeUp([&] {
        QMetaObject::invokeMethod(
            &receiver,
            [&] {
                const QImage frame = mailbox.take().image();
                if (!frame.isNull()) {
                    run.latencies.push_back(latencyMs(frame));
                }
            },
            Qt::QueuedConnection);
    });
    mirelon::GstCapturePipeline::Options options;
    options.sourceCaps =
        QStringLiteral("video/x-raw,format=BGRx,width=1280,height=720,framerate=30/1");
    mirelon::GstCapturePipeline pipeline(stampedSource(), options, mailbox);
    startPipeline(pipeline);
    mainLoop(busyMs, [] {});
    pipeline.stop();
    QCoreApplication::processEvents();
    run.produced = mailbox.postedCount();
    run.dropped = mailbox.droppedCount();
    return run;
}

Run runQueuedPerFrame(int busyMs) {
    Run run;
    QObject receiver;
    std::atomic<std::size_t> inFlight{0};
    std::atomic<std::size_t> maxInFlight{0};
    FrameMailbox mailbox;
    mirelon::GstCapturePipeline::Options options;
    options.sourceCaps =
        QStringLiteral("video/x-raw,format=BGRx,width=1280,height=720,framerate=30/1");
    // Hook: take the frame straight out of the slot on the streaming thread and
    // queue it with its own call.
    mailbox.setWakeUp([&] {
        mirelon::VideoFrame frame = mailbox.take();
        const std::size_t n = ++inFlight;
        std::size_t seen = maxInFlight.load();
        while (n > seen && !maxInFlight.compare_exchange_weak(seen, n)) {
        }
        QMetaObject::invokeMethod(
            &receiver,
            [&run, &inFlight, frame] {
                --inFlight;
                run.latencies.push_back(latencyMs(frame.image()));
            },
            Qt::QueuedConnection);
    });
    mirelon::GstCapturePipeline pipeline(stampedSource(), options, mailbox);
    startPipeline(pipeline);
    mainLoop(busyMs, [] {});
    pipeline.stop();
    QCoreApplication::processEvents();
    run.produced = mailbox.postedCount();
    run.dropped = mailbox.droppedCount();
    run.maxBacklog = maxInFlight.load();
    return run;
}

void report(benchmark::State& state, Run run) {
    std::sort(run.latencies.begin(), run.latencies.end());
    const auto at = [&](double q) {
        if (run.latencies.empty()) {
            return 0.0;
        }
        const auto i = static_cast<std::size_t>(q * static_cast<double>(run.latencies.size() - 1));
        return run.latencies[i];
    };
    state.counters["median_ms"] = at(0.5);
    state.counters["p99_ms"] = at(0.99);
    state.counters["delivered"] = static_cast<double>(run.latencies.size());
    state.counters["produced"] = static_cast<double>(run.produced);
    state.counters["dropped"] = static_cast<double>(run.dropped);
    state.counters["max_backlog"] = static_cast<double>(run.maxBacklog);
    state.SetIterationTime(at(0.5) / 1000.0);
}

void BM_MailboxHandOver(benchmark::State& state) {
    for (auto _ : state) {
        report(state, runMailbox(static_cast<int>(state.range(0))));
    }
}
BENCHMARK(BM_MailboxHandOver)
    ->Arg(0)
    ->Arg(20)
    ->Arg(50)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_QueuedCallPerFrame(benchmark::State& state) {
    for (auto _ : state) {
        report(state, runQueuedPerFrame(static_cast<int>(state.range(0))));
    }
}
BENCHMARK(BM_QueuedCallPerFrame)
    ->Arg(0)
    ->Arg(20)
    ->Arg(50)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    mirelon::GstCapture::ensureInitialized();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
