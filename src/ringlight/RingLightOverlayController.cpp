// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightOverlayController.h"

#include "config/AppSettings.h"
#include "config/Preferences.h"
#include "platform/files/PreferencesFile.h"
#include "ringlight/RingLightDisplaySettingsStore.h"
#include "ringlight/RingLightOverlayView.h"
#include "ringlight/RingLightOverlayWindow.h"

#include <QApplication>

namespace mirelon {

RingLightOverlayController::RingLightOverlayController(PreferencesFile& defaults,
                                                       std::unique_ptr<RingLightDesktop> desktop,
                                                       EventBus& center)
    : defaults_(defaults), desktop_(std::move(desktop)) {
    defaultsObserver_ = center.addObserver(Notifications::defaultsChanged,
                                           [this](const Notification&) { scheduleRefresh(); });
    screenObserver_ = center.addObserver(Notifications::screensChanged,
                                         [this](const Notification&) { scheduleRefresh(); });
    desktopConnections_ = {
        QObject::connect(desktop_.get(), &RingLightDesktop::screensChanged,
                         [this] { scheduleRefresh(); }),
        QObject::connect(desktop_.get(), &RingLightDesktop::compositingChanged,
                         [this] { scheduleRefresh(); }),
        QObject::connect(desktop_.get(), &RingLightDesktop::pointerMoved,
                         [this] { feedPointer(); }),
    };
    refresh();
}

RingLightOverlayController::~RingLightOverlayController() {
    for (const auto& connection : desktopConnections_) {
        QObject::disconnect(connection);
    }
    pendingRefresh_.cancel();
    desktop_->setPointerFollowed(false);
    for (auto& [id, window] : windowsByDisplayID_) {
        closeWindow(window);
    }
    windowsByDisplayID_.clear();
}

RingLightOverlayController& RingLightOverlayController::shared() {
    static RingLightOverlayController* controller = new RingLightOverlayController(
        PreferencesFile::standard(), std::make_unique<QtRingLightDesktop>());
    return *controller;
}

void RingLightOverlayController::scheduleRefresh() {
    // Handled on a later turn of the main loop; a burst of changes refreshes once.
    if (pendingRefresh_.isPending()) {
        return;
    }
    pendingRefresh_ = Scheduler::main().schedule(0, [this] { refresh(); });
}

std::vector<RingLightOverlayController::Target> RingLightOverlayController::targets() const {
    const QList<RingLightScreen> screens = desktop_->screens();
    std::vector<Target> out;
    for (const RingLightScreen& screen : screens) {
        if (screen.displayID.isEmpty()) {
            continue;
        }
        RingLightDisplaySettings record =
            RingLightDisplaySettingsStore::settings(screen.displayID, defaults_);
        if (record.isEnabled) {
            out.push_back({screen, record});
        }
    }
    if (out.empty()) {
        const int active = desktop_->activeScreen(screens, /*preferKeyWindow=*/true);
        if (active >= 0 && !screens[active].displayID.isEmpty()) {
            const RingLightScreen& screen = screens[active];
            out.push_back(
                {screen, RingLightDisplaySettingsStore::settings(screen.displayID, defaults_)});
        }
    }
    return out;
}

QStringList RingLightOverlayController::litDisplayIDs() const {
    QStringList ids;
    for (const Target& target : targets()) {
        if (!ids.contains(target.screen.displayID)) {
            ids.append(target.screen.displayID);
        }
    }
    return ids;
}

void RingLightOverlayController::refresh() {
    pendingRefresh_.cancel();
    const bool on = defaults_.boolValue(PreferenceKeys::ringLightEnabled,
                                        AppSettings::shared().ringLightEnabled);
    if (!on) {
        closeAllWindows();
        updatePointerWatch();
        return;
    }
    const bool opaque = !desktop_->isCompositing();
    std::map<QString, RingLightOverlayWindow*> next;
    for (const Target& target : targets()) {
        const QString& id = target.screen.displayID;
        if (next.count(id)) {
            continue;  // two screens with one identifier: the first wins
        }
        RingLightOverlayWindow* window = nullptr;
        if (auto it = windowsByDisplayID_.find(id); it != windowsByDisplayID_.end()) {
            window = it->second;
        } else {
            window = makeWindow(target.screen, target.settings);
        }
        window->setFrame(target.screen.geometry);
        showContent(window, target.screen, target.settings, opaque);
        window->orderFront();
        next.emplace(id, window);
    }
    for (auto& [id, window] : windowsByDisplayID_) {
        if (!next.count(id)) {
            closeWindow(window);
        }
    }
    if (!next.empty()) {
        windowsByDisplayID_ = std::move(next);
        closeOrphanedWindows();
    } else {
        windowsByDisplayID_.clear();
        closeAllWindows();
    }
    updatePointerWatch();
    feedPointer();
}

RingLightOverlayWindow* RingLightOverlayController::makeWindow(
    const RingLightScreen& screen, const RingLightDisplaySettings& settings) const {
    auto* window = new RingLightOverlayWindow(screen.geometry);
    showContent(window, screen, settings, !desktop_->isCompositing());
    return window;
}

void RingLightOverlayController::showContent(RingLightOverlayWindow* window,
                                             const RingLightScreen& screen,
                                             const RingLightDisplaySettings& settings,
                                             bool opaque) const {
    RingLightOverlayView::Configuration config;
    config.screenFrame = screen.frame;
    config.settings = settings;
    config.maxHoverCutoutRadius = maxHoverCutoutRadius;
    config.hoverEdgeSlack = hoverEdgeSlack;
    config.devicePixelRatio = screen.devicePixelRatio;
    config.opaque = opaque;
    // The view is kept across refreshes: new values replace the old ones, and
    // its cached band survives when they draw the same picture.
    if (RingLightOverlayView* view = window->content()) {
        view->setConfiguration(config);
    } else {
        window->setContent(new RingLightOverlayView(config));
    }
    if (!opaque) {
        window->clearMask();
    } else {
        window->setMask(window->content()->opaqueShape());
    }
}

void RingLightOverlayController::closeWindow(RingLightOverlayWindow* window) const {
    if (!window) {
        return;
    }
    window->closeWindow();
    window->deleteLater();
}

void RingLightOverlayController::closeAllWindows() {
    for (auto& [id, window] : windowsByDisplayID_) {
        closeWindow(window);
    }
    windowsByDisplayID_.clear();
    closeOrphanedWindows();
}

void RingLightOverlayController::closeOrphanedWindows() {
    if (!qApp) {
        return;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() != windowIdentifier) {
            continue;
        }
        bool tracked = false;
        for (const auto& [id, window] : windowsByDisplayID_) {
            tracked = tracked || window == widget;
        }
        if (!tracked && widget->isVisible()) {
            if (auto* overlay = qobject_cast<RingLightOverlayWindow*>(widget)) {
                closeWindow(overlay);
            } else {
                widget->hide();
                widget->close();
            }
        }
    }
}

void RingLightOverlayController::updatePointerWatch() {
    const bool wanted = !windowsByDisplayID_.empty();
    if (wanted != pointerFollowed_) {
        pointerFollowed_ = wanted;
        desktop_->setPointerFollowed(wanted);
    }
}

void RingLightOverlayController::feedPointer() {
    if (windowsByDisplayID_.empty()) {
        return;
    }
    const auto pointer = desktop_->pointerLocation();
    for (auto& [id, window] : windowsByDisplayID_) {
        if (RingLightOverlayView* view = window->content()) {
            view->setPointerLocation(pointer);
        }
    }
}

}  // namespace mirelon
