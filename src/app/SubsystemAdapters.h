// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppServices.h"
#include "app/MirelonStartStopAction.h"

namespace mirelon {

// Connects the shell's small interfaces to the program's subsystems.

class RingLightAdapter : public RingLightRefreshing {
public:
    void refresh() override;
};

class ShortcutsAdapter : public ShortcutRegistering {
public:
    void removeAllHandlers() override;
    void disable(const QStringList& names) override;
    void onKeyUp(const QString& name, std::function<void()> action) override;
    void decorateMenuAction(QAction* action, const QString& name) override;
};

class RingLightRecordsAdapter : public RingLightRecords {
public:
    QStringList stepDisplayIDs() override;
    std::map<QString, RingLightRecord> loadAll() override;
    void saveAll(const std::map<QString, RingLightRecord>& records) override;
    RingLightRecord defaultRecord() override;
};

}  // namespace mirelon
