// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightDisplaySettingsStore.h"

#include "config/AppSettings.h"
#include "config/Preferences.h"
#include "platform/files/PreferencesFile.h"
#include "ringlight/RingLightLogging.h"

Q_LOGGING_CATEGORY(lcRingLight, "app.mirelon.Mirelon.ringlight", QtInfoMsg)

namespace mirelon::RingLightDisplaySettingsStore {
namespace {

// Reads the stored map; none when it is present but unreadable.
std::optional<RingLightSettingsMap> readStored(const PreferencesFile& store, QString* error) {
    if (!store.contains(userDefaultsKey)) {
        return RingLightSettingsMap{};
    }
    const auto data = store.dataValue(userDefaultsKey);
    if (!data) {
        *error = QStringLiteral("the stored value is not data");
        return std::nullopt;
    }
    return decodeRingLightSettings(*data, error);
}

}  // namespace

PreferencesFile& defaults() {
    static PreferencesFile& standard = PreferencesFile::standard();
    return standard;
}

RingLightDisplaySettings defaultSettings(const PreferencesFile& store) {
    const auto& app = AppSettings::shared();
    RingLightDisplaySettings s;
    s.isEnabled = store.boolValue(PreferenceKeys::ringLightEnabled, app.ringLightEnabled);
    s.temperature = store.doubleValue(legacyTemperatureKey, app.ringLightTemperature);
    s.width = store.doubleValue(legacyWidthKey, app.ringLightWidth);
    s.glow = store.doubleValue(legacyGlowKey, app.ringLightGlow);
    return s;
}

RingLightSettingsMap loadAllSettings(const PreferencesFile& store) {
    QString error;
    auto map = readStored(store, &error);
    if (!map) {
        // Every refresh reads the map again: tell the log once per unreadable value.
        static QByteArray lastReported;
        const QByteArray seen =
            error.toUtf8() + '\0' + store.dataValue(userDefaultsKey).value_or(QByteArray());
        if (seen != lastReported) {
            lastReported = seen;
            qCWarning(lcRingLight).noquote()
                << "Stored ring light settings cannot be read (" << error
                << "); every display uses the defaults until the next save.";
        }
        return {};
    }
    return *map;
}

void saveAllSettings(const RingLightSettingsMap& map, PreferencesFile& store) {
    const auto bytes = encodeRingLightSettings(map);
    if (!bytes) {
        return;  // a non-finite number has no JSON form: write nothing
    }
    QString error;
    if (!readStored(store, &error)) {
        const QString aside = store.copyValueAside(userDefaultsKey);
        if (!aside.isEmpty()) {
            qCWarning(lcRingLight).noquote()
                << "Kept the unreadable ring light settings as" << aside;
        }
    }
    store.setData(userDefaultsKey, *bytes);
}

RingLightDisplaySettings settings(const QString& displayID, const PreferencesFile& store) {
    const auto map = loadAllSettings(store);
    const auto it = map.find(displayID);
    return it != map.end() ? it->second : defaultSettings(store);
}

}  // namespace mirelon::RingLightDisplaySettingsStore
