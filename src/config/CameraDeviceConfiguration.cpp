// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CameraDeviceConfiguration.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace mirelon {

QJsonObject CameraDeviceConfiguration::toJson() const {
    QJsonObject o{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("isEnabled"), isEnabled},
        {QStringLiteral("position"), AppSettings::rawValue(position)},
        {QStringLiteral("appearance"), appearance.toJson()},
    };
    if (windowOriginX) {
        o.insert(QStringLiteral("windowOriginX"), *windowOriginX);
    }
    if (windowOriginY) {
        o.insert(QStringLiteral("windowOriginY"), *windowOriginY);
    }
    return o;
}

std::optional<CameraDeviceConfiguration> CameraDeviceConfiguration::fromJson(
    const QJsonValue& value, const PreferencesFile& defaults, QString* error) {
    auto fail = [&](const QString& why) -> std::optional<CameraDeviceConfiguration> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (!value.isObject()) {
        return fail(QStringLiteral("record is not an object"));
    }
    const QJsonObject o = value.toObject();
    const QJsonValue id = o.value(QStringLiteral("id"));
    const QJsonValue name = o.value(QStringLiteral("name"));
    const QJsonValue enabled = o.value(QStringLiteral("isEnabled"));
    if (!id.isString() || !name.isString() || !enabled.isBool()) {
        return fail(QStringLiteral("record lacks a valid \"id\", \"name\" or \"isEnabled\""));
    }
    CameraDeviceConfiguration r;
    r.id = id.toString();
    r.name = name.toString();
    r.isEnabled = enabled.toBool();

    const QJsonValue position = o.value(QStringLiteral("position"));
    if (!position.isUndefined() && !position.isNull()) {
        const auto p = position.isString()
                           ? AppSettings::fromRawValue<AppSettings::Position>(position.toString())
                           : std::nullopt;
        if (!p) {
            return fail(QStringLiteral("record \"%1\" has an unknown position").arg(r.id));
        }
        r.position = *p;
    }

    const QJsonValue appearance = o.value(QStringLiteral("appearance"));
    if (appearance.isUndefined() || appearance.isNull()) {
        r.appearance = CameraAppearanceSettings::defaultSettings(defaults);
    } else {
        QString why;
        auto a = CameraAppearanceSettings::fromJson(appearance, defaults, &why);
        if (!a) {
            return fail(QStringLiteral("record \"%1\": %2").arg(r.id, why));
        }
        r.appearance = *a;
    }

    for (auto [key, field] : {std::pair{QStringLiteral("windowOriginX"), &r.windowOriginX},
                              std::pair{QStringLiteral("windowOriginY"), &r.windowOriginY}}) {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull()) {
            continue;
        }
        if (!v.isDouble()) {
            return fail(QStringLiteral("record \"%1\" has a non-numeric %2").arg(r.id, key));
        }
        *field = v.toDouble();
    }
    return r;
}

bool CameraDeviceConfiguration::isEncodable() const {
    return appearance.isEncodable() && (!windowOriginX || std::isfinite(*windowOriginX)) &&
           (!windowOriginY || std::isfinite(*windowOriginY));
}

QByteArray encodeConfigurations(const QList<CameraDeviceConfiguration>& records) {
    QJsonArray array;
    for (const auto& r : records) {
        array.append(r.toJson());
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<CameraDeviceConfiguration>> decodeConfigurations(
    const QByteArray& data, const PreferencesFile& defaults, QString* error) {
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isArray()) {
        if (error) {
            *error = parseError.error != QJsonParseError::NoError
                         ? parseError.errorString()
                         : QStringLiteral("not a JSON array");
        }
        return std::nullopt;
    }
    QList<CameraDeviceConfiguration> out;
    for (const QJsonValue& v : doc.array()) {
        auto r = CameraDeviceConfiguration::fromJson(v, defaults, error);
        if (!r) {
            return std::nullopt;
        }
        out.append(*r);
    }
    return out;
}

}  // namespace mirelon
