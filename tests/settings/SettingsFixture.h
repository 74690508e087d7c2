// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "settings/SettingsContext.h"
#include "support/TempConfig.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace mirelon::testing {

// A private defaults store, a camera store over a hand-held camera list, and
// the settings context on both.
class SettingsFixture : public ::testing::Test {
protected:
    TempDefaults t;
    QList<AvailableCameraDevice> devices;
    std::unique_ptr<CameraDeviceSettingsStore> store;

    void openStore() {
        store = std::make_unique<CameraDeviceSettingsStore>(
            *t.defaults, [this] { return devices; }, t.center);
    }
    SettingsContext context() {
        if (!store) {
            openStore();
        }
        return SettingsContext{t.defaults.get(), store.get(), &t.center};
    }
    Preferences prefs() { return Preferences(*t.defaults); }
    void plug(const QString& id, const QString& name) {
        devices.append({id, name, false});
        t.center.post(Notifications::cameraConnected, id);
    }
    void unplug(const QString& id) {
        devices.removeIf([&](const AvailableCameraDevice& d) { return d.id == id; });
        t.center.post(Notifications::cameraDisconnected, id);
    }
    CameraAppearanceSettings appearance(const QString& id) const {
        return store->configuration(id)->appearance;
    }
    // Lets deferred deletions and layout requests run.
    static void settle() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

}  // namespace mirelon::testing
