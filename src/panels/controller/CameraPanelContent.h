// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panels/controller/PanelCamera.h"
#include "panels/window/PanelContent.h"
#include "platform/PointerWatch.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace mirelon {

class CameraDeviceSettingsStore;
class CameraViewModel;
class ContentInputState;
class ContentView;
class PreferencesFile;

// A camera panel's content: the camera content view for one camera, wired to
// the desktop. The global pointer (in the view's coordinates) and the
// command key feed its input state; the window it lands in is reported to it;
// its decisions on passing the mouse through and on the cursor are applied to
// that window. Lives as a child of the view, so it goes with it.
class CameraPanelContent final : public QObject, public PanelContent {
    Q_OBJECT
public:
    // `defaults`: the preferences the content reads (the standard store when null).
    CameraPanelContent(const QString& cameraDeviceID, CameraViewModel& model,
                       CameraDeviceSettingsStore& store, std::function<void()> openSettings,
                       PreferencesFile* defaults = nullptr);
    ~CameraPanelContent() override;

    QWidget* widget() override;
    QRegion opaqueRegion() override;
    void setChangeHandler(std::function<void()> handler) override;
    ContentView* view() const { return view_; }
    ContentInputState* input() const { return input_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachWindow(QWidget* window);
    void setFollowingPointer(bool following);
    void reportPointer(QPoint global);

    ContentView* view_ = nullptr;
    ContentInputState* input_ = nullptr;
    QPointer<QWidget> window_;
    PointerWatch::Interest motion_;
    QMetaObject::Connection pointerMoved_;
    bool pointerInside_ = false;
    QMetaObject::Connection outlineChanged_;
};

// The parts of the program's panels: a session model bound to the camera and
// the camera content view. `openSettings` opens the settings window (the
// unavailable card's button).
class CameraPanelParts final : public PanelPartsFactory {
public:
    explicit CameraPanelParts(CameraDeviceSettingsStore& store,
                              std::shared_ptr<std::function<void()>> openSettings);
    std::unique_ptr<PanelCamera> makeCamera(const QString& cameraDeviceID) override;
    PanelContent* makeContent(const QString& cameraDeviceID, PanelCamera& camera) override;

private:
    CameraDeviceSettingsStore& store_;
    std::shared_ptr<std::function<void()>> openSettings_;
};

}  // namespace mirelon
