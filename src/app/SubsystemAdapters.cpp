// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SubsystemAdapters.h"

#include "ringlight/RingLightDesktop.h"
#include "ringlight/RingLightDisplaySettingsStore.h"
#include "ringlight/RingLightOverlayController.h"
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

std::optional<QString> RingLightRecordsAdapter::activeDisplayID() {
    // The display the user is on, without preferring the key window's.
    const RingLightDesktop& desktop = RingLightOverlayController::shared().desktop();
    const QList<RingLightScreen> screens = desktop.screens();
    const int index = activeScreenIndex(screens, desktop, false);
    if (index < 0 || screens.at(index).displayID.isEmpty()) {
        return std::nullopt;
    }
    return screens.at(index).displayID;
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
