// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsContext.h"

#include "config/CameraDeviceSettingsStore.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"

namespace mirelon {

SettingsContext SettingsContext::standard() {
    return SettingsContext{&PreferencesFile::standard(), &CameraDeviceSettingsStore::shared(),
                           &EventBus::shared()};
}

}  // namespace mirelon
