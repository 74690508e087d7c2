// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/controller/MirelonPanelController.h"

#include "capture/CaptureService.h"
#include "config/CameraDeviceSettingsStore.h"
#include "panels/controller/CameraPanelContent.h"
#include "panels/window/PanelWindow.h"
#include "panels/window/WindowPlacement.h"
#include "platform/qt/ScreenChangeNotifier.h"
#include "platform/qt/ScreenUtils.h"

#include <QApplication>
#include <QSet>

#include <algorithm>

namespace mirelon {

MirelonPanelController::MirelonPanelController(CameraDeviceSettingsStore& store,
                                               std::unique_ptr<PanelPartsFactory> parts,
                                               EventBus& center)
    : cameraStore_(store),
      parts_(std::move(parts)),
      self_(std::make_shared<MirelonPanelController*>(this)) {
    std::weak_ptr<MirelonPanelController*> weak = self_;
    cameraSettingsObserver_ = center.addObserver(
        CameraDeviceSettingsStore::settingsChangedNotification, [weak](const Notification&) {
            auto owner = weak.lock();
            if (!owner) {
                return;
            }
            // Never inside the posting call: react on a later turn, once per notification.
            auto& reactions = (*owner)->pendingSettingsReactions_;
            reactions.erase(std::remove_if(reactions.begin(), reactions.end(),
                                           [](const TaskHandle& t) { return !t.isPending(); }),
                            reactions.end());
            reactions.push_back(Scheduler::main().schedule(0, [weak] {
                auto self = weak.lock();
                if (!self) {
                    return;
                }
                MirelonPanelController& controller = **self;
                if (controller.isVisible_) {
                    controller.updatePanels();
                } else if (!controller.panelsByCameraDeviceID_.empty() ||
                           !controller.cameraViewModelsByCameraDeviceID_.empty()) {
                    controller.shutdownPanelsAndCameras();
                }
            }));
        });
    // A refusal comes after the question: the panels follow it on a later turn.
    accessObserver_ =
        center.addObserver(Notifications::cameraAccessRefused, [weak](const Notification&) {
            auto owner = weak.lock();
            if (!owner) {
                return;
            }
            (*owner)->pendingAccessReaction_.cancel();
            (*owner)->pendingAccessReaction_ = Scheduler::main().schedule(0, [weak] {
                auto self = weak.lock();
                if (self && (*self)->isVisible_) {
                    (*self)->updatePanels();
                }
            });
        });
    screensObserver_ =
        center.addObserver(Notifications::screensChanged, [weak](const Notification&) {
            auto owner = weak.lock();
            if (!owner || (*owner)->pendingScreensReaction_.isPending()) {
                return;
            }
            (*owner)->pendingScreensReaction_ = Scheduler::main().schedule(0, [weak] {
                if (auto self = weak.lock()) {
                    (*self)->followScreens();
                }
            });
        });
}

MirelonPanelController::~MirelonPanelController() {
    self_.reset();
    cancelPendingTasks();
    pendingSettingsReactions_.clear();
    for (auto& [id, panel] : panelsByCameraDeviceID_) {
        if (panel) {
            closePanel(panel);
            delete panel.data();
        }
    }
}

MirelonPanelController& MirelonPanelController::shared() {
    // The application creates the controller first: screen changes are
    // announced from then on (the ring light and the settings window listen).
    ScreenChangeNotifier::shared();
    static MirelonPanelController* controller = [] {
        auto openSettings = std::make_shared<std::function<void()>>();
        auto* made = new MirelonPanelController(  // lives for the process
            CameraDeviceSettingsStore::shared(),
            std::make_unique<CameraPanelParts>(CameraDeviceSettingsStore::shared(), openSettings));
        made->openSettingsAction_ = openSettings;
        return made;
    }();
    return *controller;
}

void MirelonPanelController::setOpenSettingsAction(std::function<void()> action) {
    *openSettingsAction_ = std::move(action);
}

PanelWindow* MirelonPanelController::panel(const QString& cameraDeviceID) const {
    auto it = panelsByCameraDeviceID_.find(cameraDeviceID);
    return it == panelsByCameraDeviceID_.end() ? nullptr : it->second.data();
}

PanelCamera* MirelonPanelController::cameraViewModel(const QString& cameraDeviceID) const {
    auto it = cameraViewModelsByCameraDeviceID_.find(cameraDeviceID);
    return it == cameraViewModelsByCameraDeviceID_.end() ? nullptr : it->second.get();
}

std::optional<QRectF> MirelonPanelController::lastMovedPanelFrame() const {
    if (!lastMovedPanel_ || !lastMovedPanel_->isVisible()) {
        return std::nullopt;
    }
    return WindowPlacement::frameOf(lastMovedPanel_);
}

QString MirelonPanelController::homeScreen(const QString& cameraDeviceID) const {
    auto it = homeScreenByCameraDeviceID_.find(cameraDeviceID);
    return it == homeScreenByCameraDeviceID_.end() ? QString() : it->second;
}

void MirelonPanelController::followScreens() {
    if (!isVisible_) {
        return;
    }
    followingScreens_ = true;
    for (auto& [id, panel] : panelsByCameraDeviceID_) {
        if (panel) {
            panel->place();
        }
    }
    followingScreens_ = false;
}

void MirelonPanelController::cancelPendingTasks() {
    pendingShowRetryWorkItem_.cancel();
    pendingTransientEmptyRetryWorkItem_.cancel();
    pendingFallbackCameraWorkItem_.cancel();
}

void MirelonPanelController::show() {
    isVisible_ = true;
    remainingShowRetries_ = maxShowRetries;
    cancelPendingTasks();
    closeOrphanedPanels();
    cameraStore_.syncWithConnectedCameras();
    updatePanels();
    scheduleShowRetryIfNeeded();
}

void MirelonPanelController::hide() {
    isVisible_ = false;
    cancelPendingTasks();
    shutdownPanelsAndCameras();
}

void MirelonPanelController::updatePanels() {
    if (!isVisible_) {
        shutdownPanelsAndCameras();
        return;
    }
    QList<CameraDeviceConfiguration> enabled;
    for (const CameraDeviceConfiguration& c : cameraStore_.configurations()) {
        if (c.isEnabled) {
            enabled.append(c);
        }
    }
    // Without access no camera is listed: the cameras the user enabled get
    // their panels all the same, which say that access is missing (no
    // fallback camera could be shown either).
    const bool accessRefused = enabled.isEmpty() && isCameraAccessRefused();
    if (accessRefused) {
        enabled = cameraStore_.unavailableEnabledConfigurations();
    }
    bool fallbackRequested = false;
    if (!accessRefused && enabled.isEmpty() &&
        !cameraStore_.unavailableEnabledConfigurations().isEmpty()) {
        scheduleFallbackCamera();
        fallbackRequested = true;
    }
    if (!fallbackRequested) {
        pendingFallbackCameraWorkItem_.cancel();
        if (!enabled.isEmpty()) {
            consecutiveEmptyEnabledConfigurations_ = 0;
            pendingTransientEmptyRetryWorkItem_.cancel();
        }
    }
    if (enabled.isEmpty()) {
        if (!panelsByCameraDeviceID_.empty() &&
            consecutiveEmptyEnabledConfigurations_ < maxTransientEmptyUpdates) {
            ++consecutiveEmptyEnabledConfigurations_;
            scheduleTransientEmptyRecovery();
            return;
        }
    }

    std::map<QString, QPointer<PanelWindow>> updated;
    for (const CameraDeviceConfiguration& c : enabled) {
        PanelCamera& camera = cameraViewModel(c);
        const bool available = cameraStore_.isCameraDeviceAvailable(c.id);
        if (available && !camera.isSessionRunning() && !camera.isStartingCamera() &&
            !camera.hasCaptureFailureMessage()) {
            camera.startCamera();
        } else if (!available && camera.isSessionRunning()) {
            camera.stopCamera();
        }
        PanelWindow* panel = this->panel(c.id);
        if (!panel) {
            panel = makePanel(c.id, camera);
        }
        // The content has its new size already: size and place go together.
        panel->place();
        panel->orderFront();
        updated[c.id] = panel;
    }
    for (auto& [id, panel] : panelsByCameraDeviceID_) {
        if (updated.count(id)) {
            continue;
        }
        if (PanelCamera* camera = cameraViewModel(id)) {
            camera->stopCamera();
        }
        if (panel) {
            closePanel(panel);
            panel->deleteLater();
        }
        cameraViewModelsByCameraDeviceID_.erase(id);
    }
    panelsByCameraDeviceID_ = std::move(updated);
    if (!panelsByCameraDeviceID_.empty()) {
        pendingShowRetryWorkItem_.cancel();
    }
    closeOrphanedPanels();
}

bool MirelonPanelController::isCameraAccessRefused() {
    const CameraAuthorization status = CaptureService::shared().authorizationStatus();
    return status == CameraAuthorization::denied || status == CameraAuthorization::restricted;
}

void MirelonPanelController::shutdownPanelsAndCameras() {
    for (auto& [id, camera] : cameraViewModelsByCameraDeviceID_) {
        camera->shutDown();
    }
    // Content goes before the models it shows.
    auto panels = std::move(panelsByCameraDeviceID_);
    panelsByCameraDeviceID_.clear();
    for (auto& [id, panel] : panels) {
        if (panel) {
            closePanel(panel);
            panel->deleteLater();
        }
    }
    cameraViewModelsByCameraDeviceID_.clear();
    closeExistingPanels();
}

void MirelonPanelController::closePanel(PanelWindow* panel) {
    panel->closePanel();
}

void MirelonPanelController::closeOrphanedPanels() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return;
    }
    QSet<QWidget*> owned;
    for (const auto& [id, panel] : panelsByCameraDeviceID_) {
        owned.insert(panel.data());
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == PanelWindow::panelIdentifier && !owned.contains(window) &&
            window->isVisible()) {
            if (auto* panel = qobject_cast<PanelWindow*>(window)) {
                closePanel(panel);
            } else {
                window->close();
            }
        }
    }
}

void MirelonPanelController::closeExistingPanels() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == PanelWindow::panelIdentifier && window->isVisible()) {
            if (auto* panel = qobject_cast<PanelWindow*>(window)) {
                closePanel(panel);
            } else {
                window->close();
            }
        }
    }
}

void MirelonPanelController::scheduleShowRetryIfNeeded() {
    if (!isVisible_ || !panelsByCameraDeviceID_.empty() || remainingShowRetries_ < 1 ||
        pendingShowRetryWorkItem_.isPending()) {
        return;
    }
    --remainingShowRetries_;
    std::weak_ptr<MirelonPanelController*> weak = self_;
    pendingShowRetryWorkItem_ = Scheduler::main().schedule(showRetryDelay, [weak] {
        auto self = weak.lock();
        if (!self || !(*self)->isVisible_) {
            return;
        }
        MirelonPanelController& controller = **self;
        controller.pendingShowRetryWorkItem_ = TaskHandle();
        controller.cameraStore_.syncWithConnectedCameras();
        controller.updatePanels();
        controller.scheduleShowRetryIfNeeded();
    });
}

void MirelonPanelController::scheduleTransientEmptyRecovery() {
    if (!isVisible_ || pendingTransientEmptyRetryWorkItem_.isPending()) {
        return;
    }
    std::weak_ptr<MirelonPanelController*> weak = self_;
    pendingTransientEmptyRetryWorkItem_ = Scheduler::main().schedule(showRetryDelay, [weak] {
        auto self = weak.lock();
        if (!self || !(*self)->isVisible_) {
            return;
        }
        MirelonPanelController& controller = **self;
        controller.pendingTransientEmptyRetryWorkItem_ = TaskHandle();
        controller.cameraStore_.syncWithConnectedCameras();
        controller.updatePanels();
    });
}

void MirelonPanelController::scheduleFallbackCamera() {
    if (!isVisible_ || pendingFallbackCameraWorkItem_.isPending()) {
        return;
    }
    std::weak_ptr<MirelonPanelController*> weak = self_;
    pendingFallbackCameraWorkItem_ = Scheduler::main().schedule(fallbackCameraDelay, [weak] {
        auto self = weak.lock();
        if (!self || !(*self)->isVisible_) {
            return;
        }
        MirelonPanelController& controller = **self;
        controller.pendingFallbackCameraWorkItem_ = TaskHandle();
        controller.cameraStore_.syncWithConnectedCameras();
        controller.cameraStore_.enableFallbackCameraForUnavailableEnabledSelection();
        controller.updatePanels();
    });
}

PanelCamera& MirelonPanelController::cameraViewModel(
    const CameraDeviceConfiguration& configuration) {
    auto it = cameraViewModelsByCameraDeviceID_.find(configuration.id);
    if (it != cameraViewModelsByCameraDeviceID_.end()) {
        it->second->updatePreferredDeviceId(configuration.id);
        return *it->second;
    }
    auto [inserted, ok] = cameraViewModelsByCameraDeviceID_.emplace(
        configuration.id, parts_->makeCamera(configuration.id));
    return *inserted->second;
}

PanelWindow* MirelonPanelController::makePanel(const QString& cameraDeviceID, PanelCamera& camera) {
    auto* panel = new PanelWindow();
    panel->setGeometry(0, 0, 300, 300);
    CameraDeviceSettingsStore* store = &cameraStore_;
    QPointer<PanelWindow> weakPanel(panel);
    std::weak_ptr<MirelonPanelController*> weak = self_;
    // Every size change of the content re-places the panel with its new size,
    // from the configuration as it is now.
    panel->setPlacement(
        [weak, store, cameraDeviceID, weakPanel](const QSizeF& size) -> std::optional<QRectF> {
            auto self = weak.lock();
            const auto configuration = store->configuration(cameraDeviceID);
            if (!self || !configuration || !weakPanel) {
                return std::nullopt;
            }
            return (*self)->frameFor(*configuration, size, weakPanel);
        });
    panel->setContent(parts_->makeContent(cameraDeviceID, camera));
    panel->onDragEnded = [weak, store, cameraDeviceID, weakPanel](QPointF origin) {
        if (!weakPanel) {
            return;
        }
        if (auto self = weak.lock()) {
            (*self)->lastMovedPanel_ = weakPanel.data();
        }
        store->setWindowOrigin(origin.x(), origin.y(), cameraDeviceID);
    };
    return panel;
}

std::optional<QRectF> MirelonPanelController::frameFor(
    const CameraDeviceConfiguration& configuration, const QSizeF& size,
    const PanelWindow* panel) const {
    const ScreenSource& source = ScreenSource::current();
    if (configuration.position == AppSettings::Position::custom && configuration.windowOriginX &&
        configuration.windowOriginY) {
        const QRectF frame(WindowPlacement::boundedOrigin(
                               QPointF(*configuration.windowOriginX, *configuration.windowOriginY)),
                           size);
        return WindowPlacement::keptInVisibleFrame(frame, source.screens(), source.mainScreen())
            .value_or(frame);
    }
    const QList<ScreenInfo> screens = source.screens();
    std::optional<ScreenInfo> screen;
    const QString home = homeScreen(configuration.id);
    if (followingScreens_ && !home.isEmpty()) {
        for (const ScreenInfo& candidate : screens) {
            if (candidate.name == home) {
                screen = candidate;
            }
        }
    }
    const bool chosen = !screen;
    if (!screen) {
        screen = activeScreenAmong(screens, false, source);
    }
    if (!screen && panel && panel->screen()) {
        screen = QtScreenSource::info(panel->screen());
    }
    if (!screen) {
        return std::nullopt;
    }
    // A stand-in while the home screen is away does not become the new home.
    if (chosen && (!followingScreens_ || home.isEmpty())) {
        homeScreenByCameraDeviceID_[configuration.id] = screen->name;
    }
    return WindowPlacement::placedFrame(size, configuration.position, screen->visibleFrame);
}

void MirelonPanelController::keepPanelInVisibleFrame(PanelWindow* panel) {
    WindowPlacement::keepInVisibleFrame(panel);
}

}  // namespace mirelon
