// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsContext.h"

#include "config/CameraDeviceSettingsStore.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

namespace mirelon {

SettingsContext SettingsContext::standard() {
    return SettingsContext{&UserDefaults::standard(), &CameraDeviceSettingsStore::shared(),
                           &NotificationCenter::defaultCenter()};
}

}  // namespace mirelon
