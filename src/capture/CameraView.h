// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureSession.h"

#include <QImage>
#include <QMetaObject>
#include <QWidget>

#include <memory>

namespace mirelon {

class CameraViewModel;

// The preview surface: shows the newest frame of a capture session, filling
// the whole widget and cropping what does not fit (aspect fill, never
// letterboxed, never mirrored: mirroring is the panel's business).
//
// The view is bound to one session at a time and follows a new session
// object without being recreated (setCaptureSession, or
// CameraViewContainer::follow for a model). When it is not interactive, mouse
// events pass through it to whatever lies below. It unbinds from its session
// when destroyed.
//
// Content that applies its own effects can read currentFrame() or listen to
// frameArrived(), and switch off the view's own drawing with setDrawsFrames.
class CameraView final : public QWidget {
    Q_OBJECT
public:
    explicit CameraView(std::shared_ptr<CaptureSession> captureSession, QWidget* parent = nullptr);
    ~CameraView() override;

    // The bound session (null after detachPreviewLayer()).
    const std::shared_ptr<CaptureSession>& captureSession() const { return session_; }
    // Binds to another session; nothing happens when it is the bound one.
    void setCaptureSession(std::shared_ptr<CaptureSession> session);
    // Unbinds from the session and forgets the picture.
    void detachPreviewLayer();

    bool isInteractive() const { return interactive_; }
    // False lets clicks fall through to what lies below the view.
    void setInteractive(bool interactive);

    // The newest frame of the bound session (null before the first frame).
    const VideoFrame& currentFrame() const { return frame_; }
    bool drawsFrames() const { return drawsFrames_; }
    // How large the picture is shown (device pixels); told to every session
    // the view is bound to.
    // `region`: the part of the picture shown (fractions; null: all).
    void setWantedSize(QSize size, QRectF region = {});
    void setDrawsFrames(bool draws);

    // The part of an image of imageSize that aspect fill shows in targetSize.
    static QRectF aspectFillSourceRect(const QSizeF& imageSize, const QSizeF& targetSize);

Q_SIGNALS:
    // A new frame of the bound session reached the main thread.
    void frameArrived(const mirelon::VideoFrame& frame);
    // The view was bound to another session (or unbound).
    void captureSessionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onFrame(const VideoFrame& frame);

    std::shared_ptr<CaptureSession> session_;
    QMetaObject::Connection frameConnection_;
    VideoFrame frame_;
    bool interactive_ = true;
    QSize wanted_;
    QRectF wantedRegion_;
    bool drawsFrames_ = true;
};

// Puts a CameraView into a widget tree and keeps it bound to the session it
// is given: make once, update whenever the session or the interactivity may
// have changed, dismantle before the view goes away.
struct CameraViewContainer {
    std::shared_ptr<CaptureSession> captureSession;
    bool isInteractive = true;

    CameraView* makeView(QWidget* parent = nullptr) const;
    // Rebinds the view when the session object changed; copies isInteractive.
    void updateView(CameraView& view) const;
    static void dismantleView(CameraView& view);

    // Binds view to the model's current session and keeps it bound to every
    // new session object the model publishes, for as long as both exist.
    static QMetaObject::Connection follow(CameraView& view, const CameraViewModel& model);
};

}  // namespace mirelon
