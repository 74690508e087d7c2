// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/FrameMailbox.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <map>
#include <memory>

namespace mirelon {

// The running part of a session: a frame source (a GStreamer pipeline) that
// posts its frames into a mailbox from its own streaming thread.
class CapturePipeline {
public:
    virtual ~CapturePipeline() = default;
    // Blocks until the first frame was posted or the start failed (bounded,
    // about 2 s). On failure the pipeline is stopped again and *error says why.
    virtual bool start(QString* error) = 0;
    // Blocks until the pipeline stopped; nothing is posted afterwards.
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
// Starting and stopping block the calling (main) thread for a bounded time.
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

    // Blocking. isRunning() tells afterwards whether frames flow; lastError()
    // why they do not.
    void startRunning();
    void stopRunning();
    bool isRunning() const;
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

private:
    FrameMailbox mailbox_;
    std::shared_ptr<CaptureDeviceInput> input_;
    std::unique_ptr<CapturePipeline> pipeline_;
    VideoFrame latestFrame_;
    QString lastError_;
    bool lastErrorIsBusy_ = false;
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
