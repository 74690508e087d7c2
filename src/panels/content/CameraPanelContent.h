#pragma once

#include "panels/content/ContentView.h"
#include "panels/controller/PanelCamera.h"
#include "panels/window/PanelContent.h"

#include <QPointer>

#include <functional>
#include <memory>

namespace mirelon {

class CameraViewModel;
class CommandKeyMonitor;
class HoverTracker;
class WindowAccessor;

// The content of a real camera panel: ContentView fed from the camera's
// session model, with the desktop's pointer and command-key watch and the
// hosting window wired in. Hover is decided over the camera frame (only
// while the picture is there) and over the caption; the command-key watch
// exists only while the camera is live; the window's click-through follows
// updateWindowInteractivity and the open-hand cursor follows the hover rule.
class CameraPanelContent final : public ContentView, public PanelContent {
    Q_OBJECT
public:
    CameraPanelContent(QString cameraDeviceID, CameraViewModel& model,
                       CameraDeviceSettingsStore& store, UserDefaults& defaults,
                       QWidget* parent = nullptr);
    ~CameraPanelContent() override;

    QWidget* widget() override { return this; }
    // The camera block as it appears (tilt included) and the caption plate
    // while it shows.
    QRegion opaqueRegion() override;

    QWidget* hostingWindow() const { return window_; }
    bool hasCommandKeyWatch() const { return commandKey_ != nullptr; }

private:
    void onLiveChanged(bool live);
    void placeCameraTarget();
    void applyIgnoresMouseEvents(bool ignores);

    QWidget* cameraTarget_ = nullptr;  // invisible, over the frame: the picture's hover area
    HoverTracker* cameraHover_ = nullptr;
    HoverTracker* textHover_ = nullptr;
    CommandKeyMonitor* commandKey_ = nullptr;
    WindowAccessor* accessor_ = nullptr;
    QPointer<QWidget> window_;
};

// Panel parts for the controller: one session model per camera and a
// CameraPanelContent in each panel. openSettings opens the settings window
// (the unavailable card's button, after "selectedSettingsTab" became "camera").
std::unique_ptr<PanelPartsFactory> makeCameraPanelParts(CameraDeviceSettingsStore& store,
                                                        UserDefaults& defaults,
                                                        std::function<void()> openSettings = {});

}  // namespace mirelon
