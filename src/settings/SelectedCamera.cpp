// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SelectedCamera.h"

#include "config/Preferences.h"

namespace mirelon::SelectedCamera {

QString deviceID(const SettingsContext& context) {
    return Preferences(*context.defaults).selectedSettingsCameraDeviceID();
}

void setDeviceID(const SettingsContext& context, const QString& id) {
    if (deviceID(context) != id) {
        Preferences(*context.defaults).setSelectedSettingsCameraDeviceID(id);
    }
}

std::optional<CameraDeviceConfiguration> configuration(const SettingsContext& context) {
    const QString id = deviceID(context);
    for (const auto& c : context.store->configurations()) {
        if (c.id == id) {
            return c;
        }
    }
    return std::nullopt;
}

}  // namespace mirelon::SelectedCamera
