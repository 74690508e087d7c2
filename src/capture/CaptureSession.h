// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/FrameMailbox.h"
#include "platform/qt/Scheduler.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <functional>
#include <map>
#include <memory>

namespace mirelon {

// The running part of a session: a frame source (a GStreamer pipeline) that
// posts its frames into a mailbox from its own streaming thread. Neither
// starting nor stopping waits for the camera.
class CapturePipeline {
public:
    enum class StartProgress { pending, started, failed };

    virtual ~CapturePipeline() = default;
    // Begins the start and returns at once. `changed` runs, on any thread,
    // whenever startProgress() may have moved on (an error, the end of the
    // stream, a refused change); never after stop() returned. The first frame
    // is announced by the mailbox's own wake-up instead.
    virtual void start(std::function<void()> changed) = 0;
    // How the start stands now (never waits): started once a frame was
    // posted, failed (with the reason in *error) on an error before that.
    virtual StartProgress startProgress(QString* error) const = 0;
    // How long a start may stay pending before it counts as failed.
    virtual double startTimeoutSeconds() const { return 2.0; }
    // Returns at once; nothing is posted nor announced afterwards. The camera
    // is let go on the pipeline's own thread.
    virtual void stop() = 0;
    // Whether the last start failed because another program holds the camera.
    virtual bool failedBecauseBusy() const { return false; }
    // Playing, and a frame arrived within the last 2 seconds.
    virtual bool isRunning() const = 0;
};

// A camera opened for capture: the device input of a session.
class CaptureDeviceInput {
public:
    CaptureDeviceInput(QString deviceId, QString deviceName)
        : deviceId_(std::move(deviceId)), deviceName_(std::move(deviceName)) {}
    virtual ~CaptureDeviceInput() = default;

    const QString& deviceId() const { return deviceId_; }
    const QString& deviceName() const { return deviceName_; }

    // A new, stopped pipeline that captures this camera into mailbox.
    virtual std::unique_ptr<CapturePipeline> makePipeline(FrameMailbox& mailbox) = 0;

    // The picture is now shown at `wanted` device pixels. True when the
    // input chose another mode for it (a running pipeline must be remade);
    // inputs with one fixed mode never do.
    virtual bool adaptTo(QSize wanted) {
        (void)wanted;
        return false;
    }

private:
    QString deviceId_;
    QString deviceName_;
};

// One capture session: at most one camera input at the high-quality preset.
// Starting and stopping never wait for the camera: a start is pending until
// its first frame, an error or its deadline (timed with Scheduler::main()),
// and then announced with startFinished() on the main thread.
//
// Frames come from the streaming thread through a one-slot mailbox; one
// queued wake-up per taken frame brings the newest frame to the main thread,
// where it becomes latestFrame() and is announced with frameArrived(). The
// frame's pixels are the pipeline's own buffer (BGRx as QImage::Format_RGB32,
// or the camera's YUV planes), not a copy.
//
// Sessions are handed around as shared pointers; the model replaces its
// session object on every restart, and views follow the new object.
class CaptureSession final : public QObject, public std::enable_shared_from_this<CaptureSession> {
    Q_OBJECT
public:
    CaptureSession();
    ~CaptureSession() override;  // stops a running pipeline first

    static std::shared_ptr<CaptureSession> create() { return std::make_shared<CaptureSession>(); }

    // Configuration. A session takes one input; changes are applied when the
    // configuration is committed (a running session restarts on a new input).
    void beginConfiguration();
    void commitConfiguration();
    bool canAddInput(const std::shared_ptr<CaptureDeviceInput>& input) const;
    // False when the input cannot be added (there is one already).
    bool addInput(std::shared_ptr<CaptureDeviceInput> input);
    void removeInput();
    const std::shared_ptr<CaptureDeviceInput>& input() const { return input_; }
    bool hasInputs() const { return input_ != nullptr; }
    bool hasOutputs() const { return false; }

    // Begins a start (a no-op while one is pending or frames flow);
    // startFinished() tells how it ended, lastError() why it failed.
    void startRunning();
    // Stops at once; a pending start ends without startFinished().
    void stopRunning();
    bool isRunning() const;
    bool isStarting() const { return starting_; }
    QString lastError() const { return lastError_; }
    // Whether the last start failed because another program holds the camera.
    bool lastErrorIsBusy() const { return lastErrorIsBusy_; }

    // The newest frame on the main thread (null before the first one).
    const VideoFrame& latestFrame() const { return latestFrame_; }
    // Frames that reached the main thread since the session was created.
    quint64 deliveredFrameCount() const { return delivered_; }
    // The hand-over slot (its counters show posted and dropped frames).
    const FrameMailbox& mailbox() const { return mailbox_; }

    // Takes the newest frame from the mailbox now (normally done by the
    // queued wake-up). Returns whether there was one.
    bool deliverPendingFrame();

    // How large each viewer shows the picture (device pixels, zoom and tilt
    // included; an empty size withdraws the viewer). The largest decides
    // the camera's mode and how far JPEG frames are reduced; a running
    // session whose input switches mode restarts its pipeline. `region` is
    // the part of the picture the viewer shows (fractions of the frame; null:
    // all or unknown): frames may then be decoded only where some viewer
    // looks.
    void setWantedSize(const void* viewer, QSize size, QRectF region = {});
    QSize wantedSize() const;
    QRectF wantedRegion() const;

Q_SIGNALS:
    void frameArrived(const mirelon::VideoFrame& frame);
    void runningChanged(bool running);
    // A start ended: with its first frame (ok), or failed (lastError()).
    void startFinished(bool ok);

private:
    void beginStart();
    void checkStart();
    void finishStart(bool ok, const QString& error, bool busy);
    void dropPipeline();

    FrameMailbox mailbox_;
    std::shared_ptr<CaptureDeviceInput> input_;
    std::unique_ptr<CapturePipeline> pipeline_;
    VideoFrame latestFrame_;
    QString lastError_;
    bool lastErrorIsBusy_ = false;
    bool starting_ = false;
    TaskHandle startDeadline_;
    quint64 delivered_ = 0;
    int configurationDepth_ = 0;
    bool restartOnCommit_ = false;
    struct Need {
        QSize size;
        QRectF region;
    };
    std::map<const void*, Need> wanted_;
};

}  // namespace mirelon
