// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SubsystemAdapters.h"

#include "panels/controller/MirelonPanelController.h"
#include "platform/PointerWatch.h"
#include "platform/qt/ScreenCoordinates.h"
#include "ringlight/RingLightDesktop.h"
#include "ringlight/RingLightDisplaySettingsStore.h"
#include "ringlight/RingLightOverlayController.h"
#include "ringlight/RingLightStepTarget.h"
#include "shortcuts/GlobalShortcuts.h"

namespace mirelon {

namespace {
std::vector<GlobalShortcuts::Name> names(const QStringList& rawValues) {
    std::vector<GlobalShortcuts::Name> out;
    out.reserve(static_cast<std::size_t>(rawValues.size()));
    for (const QString& raw : rawValues) {
        out.emplace_back(raw);
    }
    return out;
}
}  // namespace

void RingLightAdapter::refresh() {
    RingLightOverlayController::shared().refresh();
}

void ShortcutsAdapter::removeAllHandlers() {
    GlobalShortcuts::removeAllHandlers();
}

void ShortcutsAdapter::disable(const QStringList& rawValues) {
    GlobalShortcuts::disable(names(rawValues));
}

void ShortcutsAdapter::onKeyUp(const QString& name, std::function<void()> action) {
    GlobalShortcuts::onKeyUp(GlobalShortcuts::Name(name), std::move(action));
}

void ShortcutsAdapter::decorateMenuAction(QAction* action, const QString& name) {
    GlobalShortcuts::globalKeyboardShortcut(action, GlobalShortcuts::Name(name));
}

QStringList RingLightRecordsAdapter::stepDisplayIDs() {
    const RingLightOverlayController& ringLight = RingLightOverlayController::shared();
    const RingLightDesktop& desktop = ringLight.desktop();
    const QList<RingLightScreen> screens = desktop.screens();
    RingLightStepHints hints;
    hints.pointer = desktop.pointerLocation();
    hints.activeIndex = activeScreenIndex(screens, desktop, false);
    if (const auto seen = PointerWatch::shared().lastSeenPosition()) {
        hints.lastSeenPointer = ScreenCoordinates::pointToYUp(QPointF(*seen) + QPointF(0.5, 0.5));
    }
    hints.lastMovedPanel = MirelonPanelController::shared().lastMovedPanelFrame();
    hints.lit = ringLight.litDisplayIDs();
    return ringLightStepDisplays(screens, hints);
}

std::map<QString, RingLightRecord> RingLightRecordsAdapter::loadAll() {
    return RingLightDisplaySettingsStore::loadAllSettings();
}

void RingLightRecordsAdapter::saveAll(const std::map<QString, RingLightRecord>& records) {
    RingLightDisplaySettingsStore::saveAllSettings(records);
}

RingLightRecord RingLightRecordsAdapter::defaultRecord() {
    return RingLightDisplaySettingsStore::defaultSettings();
}

}  // namespace mirelon
