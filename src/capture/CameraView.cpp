// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraView.h"

#include "capture/CameraViewModel.h"

#include <QPainter>

namespace mirelon {

CameraView::CameraView(std::shared_ptr<CaptureSession> captureSession, QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setCaptureSession(std::move(captureSession));
}

CameraView::~CameraView() {
    detachPreviewLayer();
}

void CameraView::setCaptureSession(std::shared_ptr<CaptureSession> session) {
    if (session == session_) {
        return;
    }
    QObject::disconnect(frameConnection_);
    if (session_) {
        session_->setWantedSize(this, QSize());
    }
    session_ = std::move(session);
    frame_ = session_ ? session_->latestFrame() : VideoFrame();
    if (session_) {
        if (!wanted_.isEmpty()) {
            session_->setWantedSize(this, wanted_, wantedRegion_);
        }
        frameConnection_ =
            connect(session_.get(), &CaptureSession::frameArrived, this, &CameraView::onFrame);
    }
    update();
    Q_EMIT captureSessionChanged();
}

void CameraView::detachPreviewLayer() {
    QObject::disconnect(frameConnection_);
    const bool wasBound = session_ != nullptr;
    if (session_) {
        session_->setWantedSize(this, QSize());
    }
    session_.reset();
    frame_ = VideoFrame();
    if (wasBound) {
        update();
        Q_EMIT captureSessionChanged();
    }
}

void CameraView::setInteractive(bool interactive) {
    interactive_ = interactive;
    setAttribute(Qt::WA_TransparentForMouseEvents, !interactive);
}

void CameraView::setWantedSize(QSize size, QRectF region) {
    if (size == wanted_ && region == wantedRegion_) {
        return;
    }
    wanted_ = size;
    wantedRegion_ = region;
    if (session_) {
        session_->setWantedSize(this, size, region);
    }
}

void CameraView::setDrawsFrames(bool draws) {
    if (drawsFrames_ != draws) {
        drawsFrames_ = draws;
        update();
    }
}

void CameraView::onFrame(const VideoFrame& frame) {
    frame_ = frame;
    if (drawsFrames_ && isVisible()) {
        update();
    }
    Q_EMIT frameArrived(frame_);
}

QRectF CameraView::aspectFillSourceRect(const QSizeF& imageSize, const QSizeF& targetSize) {
    if (imageSize.isEmpty() || targetSize.isEmpty()) {
        return QRectF(QPointF(0, 0), imageSize);
    }
    const double scale =
        std::max(targetSize.width() / imageSize.width(), targetSize.height() / imageSize.height());
    const QSizeF shown(targetSize.width() / scale, targetSize.height() / scale);
    return QRectF(
        QPointF((imageSize.width() - shown.width()) / 2, (imageSize.height() - shown.height()) / 2),
        shown);
}

void CameraView::paintEvent(QPaintEvent*) {
    if (!drawsFrames_ || frame_.isNull() || width() <= 0 || height() <= 0) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF target(rect());
    const QImage image = frame_.toImage();
    // A windowed frame holds part of the picture: place it in the whole.
    const QRectF shown = aspectFillSourceRect(QSizeF(frame_.size()), target.size());
    painter.drawImage(target, image, shown.translated(-QPointF(frame_.window().topLeft())));
}

CameraView* CameraViewContainer::makeView(QWidget* parent) const {
    auto* view = new CameraView(captureSession, parent);
    view->setInteractive(isInteractive);
    return view;
}

void CameraViewContainer::updateView(CameraView& view) const {
    if (view.captureSession() != captureSession) {
        view.setCaptureSession(captureSession);
    }
    view.setInteractive(isInteractive);
}

void CameraViewContainer::dismantleView(CameraView& view) {
    view.detachPreviewLayer();
}

QMetaObject::Connection CameraViewContainer::follow(CameraView& view,
                                                    const CameraViewModel& model) {
    view.setCaptureSession(model.captureSession());
    return QObject::connect(&model, &CameraViewModel::captureSessionChanged, &view,
                            [&view, &model] { view.setCaptureSession(model.captureSession()); });
}

}  // namespace mirelon
