// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <map>
#include <optional>

namespace mirelon {

// The ring light record of one display. Values are kept as stored; the
// renderer clamps them.
struct RingLightDisplaySettings {
    bool isEnabled = false;
    double temperature = 0.5;  // 0 = cool (blue) ... 1 = warm (amber)
    double width = 44;         // band thickness at the edges, in points
    double glow = 0.5;         // glow and shadow intensity, 0...1

    bool operator==(const RingLightDisplaySettings&) const = default;

    // Exactly the four keys "isEnabled", "temperature", "width", "glow".
    QJsonObject toJson() const;
    // Strict: every key must be present with the right type. On failure
    // *error says why.
    static std::optional<RingLightDisplaySettings> fromJson(const QJsonValue& value,
                                                            QString* error = nullptr);
    // JSON has no form for infinities and NaN.
    bool isEncodable() const;
};

// Records by display identifier.
using RingLightSettingsMap = std::map<QString, RingLightDisplaySettings>;

// The stored form: UTF-8 JSON of one object keyed by display identifier.
// Encoding fails (none) when a record holds a non-finite number.
std::optional<QByteArray> encodeRingLightSettings(const RingLightSettingsMap& map);
// Fails as a whole when the bytes are not a JSON object or any record is unreadable.
std::optional<RingLightSettingsMap> decodeRingLightSettings(const QByteArray& bytes,
                                                            QString* error = nullptr);

}  // namespace mirelon
