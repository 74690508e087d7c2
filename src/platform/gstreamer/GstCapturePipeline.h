// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureSession.h"
#include "capture/FrameMailbox.h"
#include "platform/gstreamer/JpegDecodeThread.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;
typedef struct _GstSample GstSample;

namespace mirelon {

// A GStreamer capture pipeline:
//   raw:   source ! capsfilter(mode) ! videoconvert ! BGRx/YUV ! appsink
//   MJPEG: source ! capsfilter(mode) ! appsink (JPEG)
// The appsink keeps only the newest frame (max-buffers=1, drop, no sync, no
// last sample) and posts every raw frame it gets into the mailbox, mapped in
// place. The camera's own YUY2, NV12 and I420 (and planar 4:2:2, 4:4:4) pass
// through untouched (the conversion only runs for other formats), so only
// the pixels a panel shows are ever converted. JPEG frames go to the
// pipeline's decode thread (JpegDecodeThread), which decodes the newest one
// into YCbCr planes, reduced in the DCT to what the mailbox's wanted size
// needs; unreadable ones are dropped and counted. Every frame carries the
// time the camera delivered it.
class GstCapturePipeline final : public CapturePipeline {
public:
    struct Options {
        QString sourceCaps;       // caps pinning the source's mode
        bool decodeJpeg = false;  // the source sends JPEG frames
        // How long the owner lets a start stay without a first frame.
        double startTimeoutSeconds = 2.0;
        double frameTimeoutSeconds = 2.0;  // running = a frame within this time
    };

    // Takes ownership of source (a floating or owned reference).
    GstCapturePipeline(GstElement* source, Options options, FrameMailbox& mailbox);
    ~GstCapturePipeline() override;

    // Every state change runs on a thread of the pipeline's own (a source's
    // change can block for long without an error: a PipeWire stream that is
    // never linked, a device that hangs). That thread plays the pipeline,
    // then waits for the stop, takes the pipeline down and lets it go; the
    // pipeline may so outlive this object. After stop() nothing is posted
    // into the mailbox and nothing is announced; neither waits for a decode.
    void start(std::function<void()> changed) override;
    StartProgress startProgress(QString* error) const override;
    double startTimeoutSeconds() const override { return options_.startTimeoutSeconds; }
    void stop() override;
    bool isRunning() const override;
    bool failedBecauseBusy() const override { return busy_; }

    // Whether the pipeline could be put together (elements present and linked).
    bool isValid() const { return pipeline_ != nullptr; }

    // Capture pipelines started and not yet taken down by their thread (a
    // taken-down pipeline has no streaming thread left inside its elements).
    static int unsettledPipelineCount();
    // Capture pipelines not yet finalized: a pipeline whose owner is gone must
    // not linger once its thread took it down (everything its elements hold,
    // descriptors included, goes with it).
    static int livePipelineCount();

    struct StateThread;  // shared with the thread that changes the state
    struct SinkContext;  // shared with the appsink's streaming thread
    struct Announcer;    // shared with every thread that may post on the bus

private:
    bool ended() const;  // drains error/end messages from the bus
    void detach();

    FrameMailbox& mailbox_;
    Options options_;
    std::shared_ptr<JpegDecodeThread> decoding_;  // JPEG pipelines only
    GstElement* pipeline_ = nullptr;
    GstBus* bus_ = nullptr;
    QString buildError_;
    SinkContext* sinkContext_ = nullptr;  // owned by the appsink
    std::shared_ptr<Announcer> announcer_;
    std::shared_ptr<StateThread> stateThread_;
    std::uint64_t postedBefore_ = 0;
    mutable QString failure_;
    mutable bool busy_ = false;
    mutable bool ended_ = false;
};

namespace GstCapture {
// Initialises GStreamer once.
void ensureInitialized();
// The text of an error message on a bus (domain message and debug detail).
QString describeError(void* gstMessage);
// Whether an error message says another program holds the device (a busy
// resource, or EBUSY in its detail).
bool isBusyError(void* gstMessage);
// The frame a raw video sample holds, read in place (the frame keeps a
// reference to the sample); null for layouts the program does not read or
// buffers smaller than their planes claim.
VideoFrame frameOf(GstSample* sample);
// When the camera delivered a sample that reached `sink` at `now`: its time
// stamp on the pipeline's clock, as long before `now` as that clock says (so
// a frame that waited in the pipeline counts as older). `now` for samples
// without a running-time stamp, without a clock, or stamped in the future.
std::chrono::steady_clock::time_point deliveryTime(GstElement* sink, GstSample* sample,
                                                   std::chrono::steady_clock::time_point now);
}  // namespace GstCapture

}  // namespace mirelon
