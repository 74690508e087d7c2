// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraDeviceConfiguration.h"
#include "panels/controller/PanelCamera.h"
#include "platform/qt/EventBus.h"
#include "platform/qt/Scheduler.h"

#include <QPointer>
#include <QRectF>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace mirelon {

class CameraDeviceSettingsStore;
class PanelWindow;
class ScreenSource;

// The two operations the shell drives.
class MirelonPanelControlling {
public:
    virtual ~MirelonPanelControlling() = default;
    virtual void show() = 0;
    virtual void hide() = 0;
};

// Owns the floating camera panels: one per enabled camera configuration of a
// connected camera while switched on, each with its own camera session model.
// It follows every change of the configurations (on a later turn of the main
// loop), rides out short gaps (show retries, tolerated empty updates, a
// fallback camera after a longer wait) and closes everything when switched off.
class MirelonPanelController : public MirelonPanelControlling {
public:
    static constexpr double showRetryDelay = 0.2;
    static constexpr double fallbackCameraDelay = 5.0;
    static constexpr int maxShowRetries = 3;
    static constexpr int maxTransientEmptyUpdates = 3;

    MirelonPanelController(CameraDeviceSettingsStore& store,
                           std::unique_ptr<PanelPartsFactory> parts,
                           EventBus& center = EventBus::shared());
    ~MirelonPanelController() override;
    MirelonPanelController(const MirelonPanelController&) = delete;
    MirelonPanelController& operator=(const MirelonPanelController&) = delete;

    // The process-wide controller on the shared store.
    static MirelonPanelController& shared();

    void show() override;
    void hide() override;

    // What the panels' "open settings" buttons do (the shell opens its settings window).
    void setOpenSettingsAction(std::function<void()> action);

    // Inspection.
    bool isVisible() const { return isVisible_; }
    PanelWindow* panel(const QString& cameraDeviceID) const;
    std::size_t panelCount() const { return panelsByCameraDeviceID_.size(); }
    PanelCamera* cameraViewModel(const QString& cameraDeviceID) const;
    std::size_t cameraViewModelCount() const { return cameraViewModelsByCameraDeviceID_.size(); }
    int consecutiveEmptyEnabledConfigurations() const {
        return consecutiveEmptyEnabledConfigurations_;
    }
    int remainingShowRetries() const { return remainingShowRetries_; }
    bool isShowRetryPending() const { return pendingShowRetryWorkItem_.isPending(); }
    bool isTransientEmptyRetryPending() const {
        return pendingTransientEmptyRetryWorkItem_.isPending();
    }
    bool isFallbackPending() const { return pendingFallbackCameraWorkItem_.isPending(); }

    // Keeps a panel inside a visible frame (the first screen it touches, else the main one).
    static void keepPanelInVisibleFrame(PanelWindow* panel);

    // The y-up frame of the panel the user moved last, while it is shown.
    std::optional<QRectF> lastMovedPanelFrame() const;

    // The screen a corner panel was last placed on by choice; it goes back
    // there when that screen returns. Empty when none is known.
    QString homeScreen(const QString& cameraDeviceID) const;

private:
    void updatePanels();
    // Screens came or went: every panel is placed again from its stored
    // place (see frameFor), which stays as it is.
    void followScreens();
    void shutdownPanelsAndCameras();
    void closeOrphanedPanels();
    void closeExistingPanels();
    void scheduleShowRetryIfNeeded();
    void scheduleTransientEmptyRecovery();
    void scheduleFallbackCamera();
    void cancelPendingTasks();
    static bool isCameraAccessRefused();
    PanelCamera& cameraViewModel(const CameraDeviceConfiguration& configuration);
    PanelWindow* makePanel(const QString& cameraDeviceID, PanelCamera& camera);
    // The y-up frame a panel of `size` gets for a configuration: its saved
    // origin kept on screen, else its corner of the active screen. While the
    // screens are being followed a corner panel keeps to its home screen,
    // and goes to the same corner of the active screen when that is gone.
    std::optional<QRectF> frameFor(const CameraDeviceConfiguration& configuration,
                                   const QSizeF& size, const PanelWindow* panel) const;
    static void closePanel(PanelWindow* panel);

    CameraDeviceSettingsStore& cameraStore_;
    std::unique_ptr<PanelPartsFactory> parts_;
    std::map<QString, QPointer<PanelWindow>> panelsByCameraDeviceID_;
    std::map<QString, std::unique_ptr<PanelCamera>> cameraViewModelsByCameraDeviceID_;
    bool isVisible_ = false;
    ObserverToken cameraSettingsObserver_;
    ObserverToken screensObserver_;
    ObserverToken accessObserver_;
    TaskHandle pendingAccessReaction_;
    TaskHandle pendingScreensReaction_;
    mutable std::map<QString, QString> homeScreenByCameraDeviceID_;
    bool followingScreens_ = false;
    QPointer<PanelWindow> lastMovedPanel_;
    std::vector<TaskHandle> pendingSettingsReactions_;
    TaskHandle pendingShowRetryWorkItem_;
    TaskHandle pendingTransientEmptyRetryWorkItem_;
    TaskHandle pendingFallbackCameraWorkItem_;
    int remainingShowRetries_ = 0;
    int consecutiveEmptyEnabledConfigurations_ = 0;
    std::shared_ptr<std::function<void()>> openSettingsAction_ =
        std::make_shared<std::function<void()>>();
    // Tasks check this before touching the controller (it may be gone).
    std::shared_ptr<MirelonPanelController*> self_;
};

}  // namespace mirelon
