// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppShell.h"

#include "config/Preferences.h"
#include "platform/files/PreferencesFile.h"

namespace mirelon {

AppShell::AppShell(Services services)
    : services_(services),
      actions_(services.defaults, services.store, services.panelController, services.ringLight,
               services.ringLightRecords) {
    Preferences preferences(services_.defaults);
    ringLightEnabled_ = preferences.ringLightEnabled();
    menuBarIcon_ = preferences.menuBarIcon();

    registerKeyShortcuts();

    preferences.setIsMirelonOn(false);
    isMirelonOn_ = false;

    services_.ringLight.refresh();
    secondRefresh_ = Scheduler::main().schedule(0, [this] { services_.ringLight.refresh(); });

    defaultsObserver_ = services_.center.addObserver(
        Notifications::defaultsChanged, [this](const Notification&) { preferencesChanged(); });
}

AppShell::~AppShell() = default;

void AppShell::registerKeyShortcuts() {
    actions_.registerKeyShortcuts(services_.shortcuts);
}

void AppShell::startStop() {
    Preferences preferences(services_.defaults);
    if (preferences.isMirelonOn()) {
        services_.panelController.hide();
        preferences.setIsMirelonOn(false);
    } else {
        services_.panelController.show();
        preferences.setIsMirelonOn(true);
    }
}

void AppShell::appear() {
    if (Preferences(services_.defaults).isMirelonOn()) {
        services_.panelController.show();
    } else {
        services_.panelController.hide();
    }
    services_.ringLight.refresh();
    registerKeyShortcuts();
}

bool AppShell::quitsWhenSettingsClose(bool trayIconShown) const {
    return !trayIconShown && !Preferences(services_.defaults).isMirelonOn();
}

void AppShell::preferencesChanged() {
    const Preferences preferences(services_.defaults);
    const bool on = preferences.isMirelonOn();
    if (on != isMirelonOn_) {
        isMirelonOn_ = on;
        if (on) {
            services_.panelController.show();
        } else {
            services_.panelController.hide();
        }
    }
    const bool ringLight = preferences.ringLightEnabled();
    if (ringLight != ringLightEnabled_) {
        ringLightEnabled_ = ringLight;
        services_.ringLight.refresh();
    }
    const QString icon = preferences.menuBarIcon();
    if (icon != menuBarIcon_) {
        menuBarIcon_ = icon;
        if (onMenuBarIconChanged) {
            onMenuBarIconChanged(icon);
        }
    }
}

}  // namespace mirelon
