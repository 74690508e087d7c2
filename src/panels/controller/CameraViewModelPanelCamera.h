// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CameraViewModel.h"
#include "panels/controller/PanelCamera.h"

#include <memory>

namespace mirelon {

// A panel's camera: the capture session model bound to one camera id, not
// following the shared device preference.
class CameraViewModelPanelCamera final : public PanelCamera {
public:
    explicit CameraViewModelPanelCamera(const QString& cameraDeviceID)
        : model_(std::make_unique<CameraViewModel>(cameraDeviceID, false)) {}

    CameraViewModel& model() { return *model_; }

    void updatePreferredDeviceId(const QString& id) override {
        model_->updatePreferredDeviceId(id);
    }
    void startCamera() override { model_->startCamera(); }
    void stopCamera() override { model_->stopCamera(); }
    bool isSessionRunning() const override { return model_->isSessionRunning(); }
    bool isStartingCamera() const override { return model_->isStartingCamera(); }
    bool hasCaptureFailureMessage() const override {
        return model_->captureFailureMessage().has_value();
    }
    // Stopping cancels a pending retry, releases the session's resources,
    // installs a fresh empty session and clears the running, starting and
    // failure state: everything a shut-down needs.
    void shutDown() override { model_->stopCamera(); }

private:
    std::unique_ptr<CameraViewModel> model_;
};

}  // namespace mirelon
