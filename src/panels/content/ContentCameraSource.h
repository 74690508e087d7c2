// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/VideoFrame.h"
#include "panels/content/ContentState.h"

#include <QImage>
#include <QObject>
#include <QPointF>

#include <optional>

namespace mirelon {

// The camera as the panel content sees it: the session model's published
// state, its start and stop, and the newest picture. The program feeds it
// from the camera's session model; tests use a fake.
class ContentCameraSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual CameraModelState state() const = 0;
    virtual void startCamera() = 0;
    virtual void stopCamera() = 0;
    // The newest frame, or a null frame when there is none.
    virtual VideoFrame latestFrame() const = 0;
    // How large the picture is shown (device pixels, zoom and tilt
    // included; empty when it is not shown), so the camera delivers no more.
    // `region`: the part of the picture shown (fractions of the frame; null:
    // all or not known yet), so the camera may hand over only that part.
    virtual void setWantedSize(QSize size, QRectF region = {}) {
        (void)size;
        (void)region;
    }

Q_SIGNALS:
    // Any of isGranted, isSessionRunning, captureFailureMessage changed.
    void stateChanged();
    // A new frame is available from latestFrame().
    void frameChanged();
};

// The pointer and command-key state the content reacts to. The panel window
// feeds it from the global pointer and key watch; tests set it directly.
class ContentInputState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The pointer in the content's own coordinates, or none when it is
    // outside the content (or unknown). Every call is a pointer report.
    void setPointerPosition(std::optional<QPointF> position) {
        pointer_ = position;
        Q_EMIT pointerMoved();
    }
    std::optional<QPointF> pointerPosition() const { return pointer_; }

    // Every report counts, repeats included.
    void setCommandKeyPressed(bool pressed) {
        commandKeyPressed_ = pressed;
        Q_EMIT commandKeyReported(pressed);
    }
    bool isCommandKeyPressed() const { return commandKeyPressed_; }

Q_SIGNALS:
    void pointerMoved();
    void commandKeyReported(bool pressed);

private:
    std::optional<QPointF> pointer_;
    bool commandKeyPressed_ = false;
};

}  // namespace mirelon
