// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ringlight/RingLightDisplaySettings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>

class QAction;

namespace mirelon {

// The few things the shell asks of the other subsystems, as small interfaces so
// the shell's logic can be exercised with stand-ins.

class RingLightRefreshing {
public:
    virtual ~RingLightRefreshing() = default;
    virtual void refresh() = 0;
};

// The global shortcut module, as the shell uses it.
class ShortcutRegistering {
public:
    virtual ~ShortcutRegistering() = default;
    virtual void removeAllHandlers() = 0;
    // Unregisters the hot keys of the names; their stored shortcuts stay.
    virtual void disable(const QStringList& names) = 0;
    // Runs action when the stored shortcut of name is released.
    virtual void onKeyUp(const QString& name, std::function<void()> action) = 0;
    // Shows the name's current shortcut on a menu item.
    virtual void decorateMenuAction(QAction* action, const QString& name) = 0;
};

class SettingsOpening {
public:
    virtual ~SettingsOpening() = default;
    // Brings the settings window to the front, creating it when needed.
    virtual void openSettings() = 0;
};

// The per-display ring light records, as the two step actions use them.
using RingLightRecord = RingLightDisplaySettings;

class RingLightRecords {
public:
    virtual ~RingLightRecords() = default;
    // The displays a step changes (see ringLightStepDisplays); empty
    // without screens or identifiers.
    virtual QStringList stepDisplayIDs() = 0;
    virtual std::map<QString, RingLightRecord> loadAll() = 0;
    virtual void saveAll(const std::map<QString, RingLightRecord>& records) = 0;
    virtual RingLightRecord defaultRecord() = 0;
};

}  // namespace mirelon
