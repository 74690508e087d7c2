// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace mirelon {

class CameraDeviceSettingsStore;
class EventBus;
class PreferencesFile;

// What the settings window edits: the defaults store, the camera
// configuration store and the notification centre they post on. The program
// uses the shared ones; tests hand in their own.
struct SettingsContext {
    PreferencesFile* defaults = nullptr;
    CameraDeviceSettingsStore* store = nullptr;
    EventBus* center = nullptr;

    static SettingsContext standard();
};

}  // namespace mirelon
