// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppServices.h"
#include "app/MirelonStartStopAction.h"
#include "app/ShortcutActions.h"
#include "platform/qt/EventBus.h"
#include "platform/qt/Scheduler.h"

#include <QString>

#include <functional>

namespace mirelon {

class CameraDeviceSettingsStore;
class PreferencesFile;

// The application's own logic between the subsystems: the launch steps, the
// start/stop row, the menu's appear handler and the reactions to the bound
// preferences, whoever writes them (menu, shortcut, settings window, an edit of
// defaults.json).
class AppShell {
public:
    struct Services {
        PreferencesFile& defaults;
        CameraDeviceSettingsStore& store;
        MirelonPanelControlling& panelController;
        RingLightRefreshing& ringLight;
        RingLightRecords& ringLightRecords;
        ShortcutRegistering& shortcuts;
        EventBus& center;  // where the defaults announce changes
    };

    // Runs the launch sequence: binds the preferences, registers the
    // shortcuts, stores "isMirelonOn" false (the panels always start hidden),
    // refreshes the ring light now and once more on the next turn.
    explicit AppShell(Services services);
    ~AppShell();
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;

    void registerKeyShortcuts();
    // The start/stop row of the menu.
    void startStop();
    // Runs when the menu opens: panels follow "isMirelonOn", the ring light is
    // refreshed and the shortcuts are bound again.
    void appear();

    // Whether closing the settings window ends the program: when no tray icon
    // is shown (trayIconShown false) and Mirelon is off, nothing visible would
    // be left running. While Mirelon is on it keeps running, and starting it
    // again opens the window (the single instance hands over).
    bool quitsWhenSettingsClose(bool trayIconShown) const;

    ShortcutActions& actions() { return actions_; }

    // Called when "menuBarIcon" changes, with its new value.
    std::function<void(const QString&)> onMenuBarIconChanged;

private:
    void preferencesChanged();

    Services services_;
    ShortcutActions actions_;
    bool isMirelonOn_ = false;
    bool ringLightEnabled_ = false;
    QString menuBarIcon_;
    ObserverToken defaultsObserver_;
    TaskHandle secondRefresh_;
};

}  // namespace mirelon
