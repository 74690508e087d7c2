// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/EventBus.h"
#include "platform/qt/Scheduler.h"
#include "ringlight/RingLightDesktop.h"
#include "ringlight/RingLightDisplaySettings.h"

#include <QPointer>

#include <QStringList>

#include <map>
#include <memory>

namespace mirelon {

class PreferencesFile;
class RingLightOverlayWindow;

// Keeps one ring light overlay window per lit display: every display whose
// record is enabled, or, when none is, the display under the pointer. It
// refreshes itself on every defaults change and every screen change.
class RingLightOverlayController {
public:
    static inline const QString windowIdentifier = QStringLiteral("MirelonRingLightOverlay");
    static constexpr double maxHoverCutoutRadius = 88;
    static constexpr double hoverEdgeSlack = 24;

    RingLightOverlayController(PreferencesFile& defaults, std::unique_ptr<RingLightDesktop> desktop,
                               EventBus& center = EventBus::shared());
    ~RingLightOverlayController();
    RingLightOverlayController(const RingLightOverlayController&) = delete;
    RingLightOverlayController& operator=(const RingLightOverlayController&) = delete;

    // The process-wide controller on the standard defaults and the Qt desktop.
    static RingLightOverlayController& shared();

    // Reconciles the windows with the switch, the screens and the records.
    void refresh();

    const std::map<QString, RingLightOverlayWindow*>& windowsByDisplayID() const {
        return windowsByDisplayID_;
    }
    RingLightDesktop& desktop() const { return *desktop_; }
    // The displays the ring light lights, or would light when switched on.
    QStringList litDisplayIDs() const;

private:
    struct Target {
        RingLightScreen screen;
        RingLightDisplaySettings settings;
    };

    std::vector<Target> targets() const;
    RingLightOverlayWindow* makeWindow(const RingLightScreen& screen,
                                       const RingLightDisplaySettings& settings) const;
    void showContent(RingLightOverlayWindow* window, const RingLightScreen& screen,
                     const RingLightDisplaySettings& settings, bool opaque) const;
    void closeWindow(RingLightOverlayWindow* window) const;
    void closeAllWindows();
    void closeOrphanedWindows();
    void scheduleRefresh();
    void updatePointerWatch();
    void feedPointer();

    PreferencesFile& defaults_;
    std::unique_ptr<RingLightDesktop> desktop_;
    std::map<QString, RingLightOverlayWindow*> windowsByDisplayID_;
    ObserverToken defaultsObserver_;
    ObserverToken screenObserver_;
    std::vector<QMetaObject::Connection> desktopConnections_;
    TaskHandle pendingRefresh_;
    bool pointerFollowed_ = false;
};

}  // namespace mirelon
