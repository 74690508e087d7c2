#pragma once

#include "capture/CaptureSession.h"
#include "platform/FrameMailbox.h"

#include <QString>

typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;

namespace mirelon {

// A GStreamer capture pipeline:
//   source ! capsfilter(mode) [! jpegdec] ! videoconvert ! BGRx ! appsink
// The appsink keeps only the newest frame (max-buffers=1, drop, no sync, no
// last sample) and posts every frame it gets into the mailbox, mapped in place.
class GstCapturePipeline final : public CapturePipeline {
public:
    struct Options {
        QString sourceCaps;  // caps pinning the source's mode
        bool decodeJpeg = false;
        double startTimeoutSeconds = 2.0;
        double frameTimeoutSeconds = 2.0;  // running = a frame within this time
    };

    // Takes ownership of source (a floating or owned reference).
    GstCapturePipeline(GstElement* source, Options options, FrameMailbox& mailbox);
    ~GstCapturePipeline() override;

    bool start(QString* error) override;
    void stop() override;
    bool isRunning() const override;

    // Whether the pipeline could be put together (elements present and linked).
    bool isValid() const { return pipeline_ != nullptr; }

    // Streaming threads of all capture pipelines that are inside a pipeline's
    // elements right now (a stopped pipeline leaves none behind).
    static int activeStreamingThreads();
    // Capture pipelines not yet finalized: a pipeline whose owner is gone must
    // not linger (everything its elements hold, descriptors included, goes with it).
    static int livePipelineCount();

private:
    bool ended() const;  // drains error/end messages from the bus

    FrameMailbox& mailbox_;
    Options options_;
    GstElement* pipeline_ = nullptr;
    GstBus* bus_ = nullptr;
    QString buildError_;
    bool playing_ = false;
    mutable bool ended_ = false;
};

namespace GstCapture {
// Initialises GStreamer once.
void ensureInitialized();
// The text of an error message on a bus (domain message and debug detail).
QString describeError(void* gstMessage);
}  // namespace GstCapture

}  // namespace mirelon
