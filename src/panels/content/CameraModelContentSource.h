// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panels/content/ContentCameraSource.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace mirelon {

class CameraDeviceSettingsStore;
class CameraView;
class CameraViewModel;
class ContentView;
class PreferencesFile;

// Feeds a panel's content from a camera's session model: its published
// state, its start and stop, and the frames of its current capture session,
// taken through a preview surface that follows every new session object and
// leaves the drawing to the content (the appearance chain is applied there).
class CameraModelContentSource final : public ContentCameraSource {
    Q_OBJECT
public:
    explicit CameraModelContentSource(CameraViewModel& model, QObject* parent = nullptr);
    ~CameraModelContentSource() override;

    CameraModelState state() const override;
    void startCamera() override;
    void stopCamera() override;
    VideoFrame latestFrame() const override;
    void setWantedSize(QSize size, QRectF region = {}) override;

    CameraViewModel* model() const { return model_; }
    CameraView* previewView() const { return preview_.get(); }

private:
    QPointer<CameraViewModel> model_;
    std::unique_ptr<CameraView> preview_;
};

// A camera panel's content for a camera and its session model, on the shared
// store and the standard defaults unless others are given. The content owns
// the source it makes.
ContentView* makeCameraContentView(const QString& cameraDeviceID, CameraViewModel& model,
                                   ContentInputState* input, QWidget* parent = nullptr,
                                   CameraDeviceSettingsStore* store = nullptr,
                                   PreferencesFile* defaults = nullptr);

}  // namespace mirelon
