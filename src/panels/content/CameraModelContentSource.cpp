// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/CameraModelContentSource.h"

#include "capture/CameraView.h"
#include "capture/CameraViewModel.h"
#include "config/CameraDeviceSettingsStore.h"
#include "panels/content/ContentView.h"
#include "platform/files/PreferencesFile.h"

namespace mirelon {

CameraModelContentSource::CameraModelContentSource(CameraViewModel& model, QObject* parent)
    : ContentCameraSource(parent), model_(&model) {
    preview_ = std::make_unique<CameraView>(model.captureSession());
    preview_->setDrawsFrames(false);
    preview_->setInteractive(false);
    CameraViewContainer::follow(*preview_, model);
    connect(&model, &CameraViewModel::changed, this, &ContentCameraSource::stateChanged);
    connect(preview_.get(), &CameraView::frameArrived, this, &ContentCameraSource::frameChanged);
    connect(preview_.get(), &CameraView::captureSessionChanged, this,
            &ContentCameraSource::frameChanged);
}

CameraModelContentSource::~CameraModelContentSource() {
    if (preview_) {
        CameraViewContainer::dismantleView(*preview_);
    }
}

CameraModelState CameraModelContentSource::state() const {
    if (!model_) {
        return {};
    }
    return {model_->isGranted(), model_->isSessionRunning(), model_->captureFailureMessage(),
            model_->isCameraBusy()};
}

void CameraModelContentSource::startCamera() {
    // A start under way (its first frame, or the next attempt) is not begun
    // again.
    if (model_ && !model_->isStartingCamera()) {
        model_->startCamera();
    }
}

void CameraModelContentSource::stopCamera() {
    if (model_) {
        model_->stopCamera();
    }
}

VideoFrame CameraModelContentSource::latestFrame() const {
    return preview_ ? preview_->currentFrame() : VideoFrame();
}

void CameraModelContentSource::setWantedSize(QSize size, QRectF region) {
    if (preview_) {
        preview_->setWantedSize(size, region);
    }
}

ContentView* makeCameraContentView(const QString& cameraDeviceID, CameraViewModel& model,
                                   ContentInputState* input, QWidget* parent,
                                   CameraDeviceSettingsStore* store, PreferencesFile* defaults) {
    auto* source = new CameraModelContentSource(model);
    auto* view = new ContentView(cameraDeviceID, source,
                                 store ? *store : CameraDeviceSettingsStore::shared(),
                                 defaults ? *defaults : PreferencesFile::standard(), input, parent);
    source->setParent(view);
    return view;
}

}  // namespace mirelon
