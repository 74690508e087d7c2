#pragma once

#include "panels/controller/PanelCamera.h"
#include "panels/window/HoverTracker.h"
#include "panels/window/PanelContent.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace mirelon {

class CameraDeviceSettingsStore;
class CameraView;
class CommandKeyMonitor;
class WindowAccessor;

// Stand-ins used until the camera content is built in: a content that draws
// the camera's picture (or, before the first frame, a plain block with the
// camera's name) in a rounded block, without effects. The content
// follows the command-key rule of the real one for a live camera: the panel
// lets clicks through unless the command key is held over the block.
// A model that only records whether it was started (for tests without capture).
class PlaceholderCamera final : public PanelCamera {
public:
    explicit PlaceholderCamera(QString id) : id_(std::move(id)) {}

    void updatePreferredDeviceId(const QString& id) override { id_ = id; }
    void startCamera() override { running_ = true; }
    void stopCamera() override { running_ = false; }
    bool isSessionRunning() const override { return running_; }
    bool isStartingCamera() const override { return false; }
    bool hasCaptureFailureMessage() const override { return false; }
    void shutDown() override { running_ = false; }

private:
    QString id_;
    bool running_ = false;
};

class PlaceholderPanelContent final : public QWidget, public PanelContent {
    Q_OBJECT
public:
    PlaceholderPanelContent(QString cameraDeviceID, PanelCamera& camera,
                            CameraDeviceSettingsStore& store);
    ~PlaceholderPanelContent() override;

    QWidget* widget() override { return this; }
    QSize sizeHint() const override;

    bool isCommandKeyPressed() const { return isCommandKeyPressed_; }
    bool isHovering() const { return isHovering_; }
    void updateWindowInteractivity();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect blockRect() const;

    QString cameraDeviceID_;
    PanelCamera& camera_;
    CameraDeviceSettingsStore& store_;
    QPointer<QWidget> windowRef_;
    QWidget* picture_;
    CameraView* preview_ = nullptr;
    HoverTracker* hover_;
    CommandKeyMonitor* commandKey_;
    WindowAccessor* accessor_;
    bool isCommandKeyPressed_ = false;
    bool isHovering_ = false;
};

std::unique_ptr<PanelPartsFactory> makeDefaultPanelParts(CameraDeviceSettingsStore& store);

}  // namespace mirelon
