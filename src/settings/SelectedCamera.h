// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraDeviceConfiguration.h"
#include "config/CameraDeviceSettingsStore.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsContext.h"

#include <QString>

#include <optional>

namespace mirelon::SelectedCamera {

// The camera the Camera and Text tabs edit ("selectedSettingsCameraDeviceID").
QString deviceID(const SettingsContext& context);
// Stores the id only when it changes.
void setDeviceID(const SettingsContext& context, const QString& id);
// The selected camera's record while it is connected.
std::optional<CameraDeviceConfiguration> configuration(const SettingsContext& context);

// A control's binding to one appearance field of the selected camera: reads
// the fallback while none is selected, writes through the store at once.
template <typename T>
Binding<T> appearanceBinding(const SettingsContext& context, T CameraAppearanceSettings::*field,
                             T fallback) {
    return Binding<T>{
        [context, field, fallback] {
            const auto c = configuration(context);
            return c ? c->appearance.*field : fallback;
        },
        [context, field](T value) {
            if (const auto c = configuration(context)) {
                context.store->updateAppearance(c->id, field, value);
            }
        },
    };
}

}  // namespace mirelon::SelectedCamera
