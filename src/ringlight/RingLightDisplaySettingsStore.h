// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ringlight/RingLightDisplaySettings.h"

namespace mirelon {

class PreferencesFile;

// All ring light records live in one defaults value, "ringLightDisplaySettings".
// Editing a record is always load all, change one, save all.
namespace RingLightDisplaySettingsStore {

inline const QString userDefaultsKey = QStringLiteral("ringLightDisplaySettings");
// Legacy entries that seed the defaults; never written.
inline const QString legacyTemperatureKey = QStringLiteral("ringLightTemperature");
inline const QString legacyWidthKey = QStringLiteral("ringLightWidth");
inline const QString legacyGlowKey = QStringLiteral("ringLightGlow");

// The standard defaults store.
PreferencesFile& defaults();

// The record of a display without one: the ring light switch and the legacy
// entries where present, else the application defaults. Computed on each call.
RingLightDisplaySettings defaultSettings(const PreferencesFile& store = defaults());

// Every stored record; empty when there is none or the stored value is unreadable.
RingLightSettingsMap loadAllSettings(const PreferencesFile& store = defaults());

// Replaces the stored map. A stored value that cannot be read is first copied
// to "<key>.corrupt-<UTC timestamp>". A map with a non-finite number is not
// written at all.
void saveAllSettings(const RingLightSettingsMap& map, PreferencesFile& store = defaults());

// The record of one display: the stored one, else defaultSettings.
RingLightDisplaySettings settings(const QString& displayID,
                                  const PreferencesFile& store = defaults());

}  // namespace RingLightDisplaySettingsStore
}  // namespace mirelon
