// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightDisplaySettings.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace mirelon {
namespace {

const QString kIsEnabled = QStringLiteral("isEnabled");
const QString kTemperature = QStringLiteral("temperature");
const QString kWidth = QStringLiteral("width");
const QString kGlow = QStringLiteral("glow");

}  // namespace

QJsonObject RingLightDisplaySettings::toJson() const {
    return QJsonObject{
        {kIsEnabled, isEnabled},
        {kTemperature, temperature},
        {kWidth, width},
        {kGlow, glow},
    };
}

bool RingLightDisplaySettings::isEncodable() const {
    return std::isfinite(temperature) && std::isfinite(width) && std::isfinite(glow);
}

std::optional<RingLightDisplaySettings> RingLightDisplaySettings::fromJson(const QJsonValue& value,
                                                                           QString* error) {
    auto fail = [&](const QString& why) -> std::optional<RingLightDisplaySettings> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (!value.isObject()) {
        return fail(QStringLiteral("record is not an object"));
    }
    const QJsonObject o = value.toObject();
    const QJsonValue enabled = o.value(kIsEnabled);
    if (!enabled.isBool()) {
        return fail(QStringLiteral("\"isEnabled\" is missing or not a Boolean"));
    }
    RingLightDisplaySettings r;
    r.isEnabled = enabled.toBool();
    for (auto [key, field] : {std::pair{kTemperature, &r.temperature}, std::pair{kWidth, &r.width},
                              std::pair{kGlow, &r.glow}}) {
        const QJsonValue v = o.value(key);
        if (!v.isDouble()) {
            return fail(QStringLiteral("\"%1\" is missing or not a number").arg(key));
        }
        *field = v.toDouble();
    }
    return r;
}

std::optional<QByteArray> encodeRingLightSettings(const RingLightSettingsMap& map) {
    QJsonObject o;
    for (const auto& [id, record] : map) {
        if (!record.isEncodable()) {
            return std::nullopt;
        }
        o.insert(id, record.toJson());
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<RingLightSettingsMap> decodeRingLightSettings(const QByteArray& bytes,
                                                            QString* error) {
    auto fail = [&](const QString& why) -> std::optional<RingLightSettingsMap> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return fail(QStringLiteral("invalid JSON: %1").arg(parseError.errorString()));
    }
    if (!doc.isObject()) {
        return fail(QStringLiteral("not a JSON object"));
    }
    RingLightSettingsMap map;
    const QJsonObject o = doc.object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        QString why;
        const auto record = RingLightDisplaySettings::fromJson(it.value(), &why);
        if (!record) {
            return fail(QStringLiteral("display \"%1\": %2").arg(it.key(), why));
        }
        map.emplace(it.key(), *record);
    }
    return map;
}

}  // namespace mirelon
