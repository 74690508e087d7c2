// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppServices.h"
#include "app/MirelonStartStopAction.h"

#include <QAction>
#include <QStringList>

#include <functional>
#include <map>
#include <vector>

namespace mirelon::testing {

struct FakePanels : MirelonPanelControlling {
    void show() override { calls.append(QStringLiteral("show")); }
    void hide() override { calls.append(QStringLiteral("hide")); }
    QStringList calls;
};

struct FakeRingLight : RingLightRefreshing {
    void refresh() override { ++refreshes; }
    int refreshes = 0;
};

// Keeps handlers like the shortcut module does: a list per name.
struct FakeShortcuts : ShortcutRegistering {
    void removeAllHandlers() override {
        handlers.clear();
        log.append(QStringLiteral("removeAll"));
    }
    void disable(const QStringList& names) override {
        log.append(QStringLiteral("disable ") + names.join(u','));
    }
    void onKeyUp(const QString& name, std::function<void()> action) override {
        handlers[name].push_back(std::move(action));
        order.append(name);
    }
    void decorateMenuAction(QAction* action, const QString& name) override {
        action->setShortcut(assigned.value(name));
    }
    // A key release of the shortcut stored for name.
    void release(const QString& name) {
        auto it = handlers.find(name);
        if (it != handlers.end()) {
            for (auto& h : it->second) {
                h();
            }
        }
    }
    std::map<QString, std::vector<std::function<void()>>> handlers;
    QStringList order;
    QStringList log;
    QMap<QString, QKeySequence> assigned;
};

struct FakeRecords : RingLightRecords {
    QStringList stepDisplayIDs() override { return displays; }
    std::map<QString, RingLightRecord> loadAll() override { return records; }
    void saveAll(const std::map<QString, RingLightRecord>& r) override {
        records = r;
        ++saves;
    }
    RingLightRecord defaultRecord() override { return defaults; }
    QStringList displays = {QStringLiteral("1234")};
    std::map<QString, RingLightRecord> records;
    RingLightRecord defaults;
    int saves = 0;
};

}  // namespace mirelon::testing
