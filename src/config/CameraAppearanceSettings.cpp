// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CameraAppearanceSettings.h"

#include "platform/files/PreferencesFile.h"

#include <cmath>
#include <type_traits>

namespace mirelon {
namespace {

// Calls f(key, field) for the 26 fields in their order.
template <typename Record, typename F>
void visitFields(Record& r, F&& f) {
    f(QStringLiteral("cameraShape"), r.cameraShape);
    f(QStringLiteral("aspectRatio"), r.aspectRatio);
    f(QStringLiteral("orientation"), r.orientation);
    f(QStringLiteral("cornerRadius"), r.cornerRadius);
    f(QStringLiteral("cameraSize"), r.cameraSize);
    f(QStringLiteral("zoom"), r.zoom);
    f(QStringLiteral("shadowRadius"), r.shadowRadius);
    f(QStringLiteral("borderThickness"), r.borderThickness);
    f(QStringLiteral("borderColor"), r.borderColor);
    f(QStringLiteral("cameraMirroringEnabled"), r.cameraMirroringEnabled);
    f(QStringLiteral("saturation"), r.saturation);
    f(QStringLiteral("contrast"), r.contrast);
    f(QStringLiteral("brightness"), r.brightness);
    f(QStringLiteral("hueRotation"), r.hueRotation);
    f(QStringLiteral("colorMultiply"), r.colorMultiply);
    f(QStringLiteral("xAngle"), r.xAngle);
    f(QStringLiteral("yAngle"), r.yAngle);
    f(QStringLiteral("zAngle"), r.zAngle);
    f(QStringLiteral("textEnabled"), r.textEnabled);
    f(QStringLiteral("text"), r.text);
    f(QStringLiteral("font"), r.font);
    f(QStringLiteral("fontSize"), r.fontSize);
    f(QStringLiteral("fontColor"), r.fontColor);
    f(QStringLiteral("backgroundColor"), r.backgroundColor);
    f(QStringLiteral("backgroundRadius"), r.backgroundRadius);
    f(QStringLiteral("textPadding"), r.textPadding);
}

template <typename T>
QJsonValue encode(const T& v) {
    if constexpr (std::is_enum_v<T>) {
        return AppSettings::rawValue(v);
    } else {
        return QJsonValue(v);
    }
}

// Reads one present, non-null value into field; false on a type mismatch.
template <typename T>
bool decode(const QJsonValue& v, T& field) {
    if constexpr (std::is_enum_v<T>) {
        if (!v.isString()) {
            return false;
        }
        auto c = AppSettings::fromRawValue<T>(v.toString());
        if (!c) {
            return false;
        }
        field = *c;
    } else if constexpr (std::is_same_v<T, bool>) {
        if (!v.isBool()) {
            return false;
        }
        field = v.toBool();
    } else if constexpr (std::is_same_v<T, double>) {
        if (!v.isDouble()) {
            return false;
        }
        field = v.toDouble();
    } else {
        if (!v.isString()) {
            return false;
        }
        field = v.toString();
    }
    return true;
}

}  // namespace

CameraAppearanceSettings CameraAppearanceSettings::compiledDefault() {
    const auto& d = AppSettings::shared();
    return CameraAppearanceSettings{
        d.cameraShape,
        d.aspectRatio,
        d.orientation,
        d.cornerRadius,
        d.cameraSize,
        d.zoom,
        d.shadowRadius,
        d.borderThickness,
        d.borderColor,
        d.cameraMirroringEnabled,
        d.saturation,
        d.contrast,
        d.brightness,
        d.hueRotation,
        d.colorMultiply,
        d.xAngle,
        d.yAngle,
        d.zAngle,
        d.textEnabled,
        d.text,
        d.font,
        d.fontSize,
        d.fontColor,
        d.backgroundColor,
        d.backgroundRadius,
        d.textPadding,
    };
}

CameraAppearanceSettings CameraAppearanceSettings::defaultSettings(
    const PreferencesFile& defaults) {
    CameraAppearanceSettings r = compiledDefault();
    // Bool and Double legacy keys count only when they hold a number.
    r.textEnabled = defaults.boolValue(LegacyTextKeys::textEnabled).value_or(r.textEnabled);
    r.fontSize = defaults.doubleValue(LegacyTextKeys::fontSize).value_or(r.fontSize);
    r.backgroundRadius =
        defaults.doubleValue(LegacyTextKeys::backgroundRadius).value_or(r.backgroundRadius);
    r.textPadding = defaults.doubleValue(LegacyTextKeys::textPadding).value_or(r.textPadding);
    // String legacy keys count when they hold a string or a number.
    r.text = defaults.stringValue(LegacyTextKeys::text, true).value_or(r.text);
    r.font = defaults.stringValue(LegacyTextKeys::font, true).value_or(r.font);
    r.fontColor = defaults.stringValue(LegacyTextKeys::fontColor, true).value_or(r.fontColor);
    r.backgroundColor =
        defaults.stringValue(LegacyTextKeys::backgroundColor, true).value_or(r.backgroundColor);
    return r;
}

QJsonObject CameraAppearanceSettings::toJson() const {
    QJsonObject o;
    visitFields(*this,
                [&](const QString& key, const auto& field) { o.insert(key, encode(field)); });
    return o;
}

std::optional<CameraAppearanceSettings> CameraAppearanceSettings::fromJson(
    const QJsonValue& value, const PreferencesFile& defaults, QString* error) {
    if (!value.isObject()) {
        if (error) {
            *error = QStringLiteral("appearance is not an object");
        }
        return std::nullopt;
    }
    const QJsonObject o = value.toObject();
    CameraAppearanceSettings r = defaultSettings(defaults);
    QString failedKey;
    visitFields(r, [&](const QString& key, auto& field) {
        if (!failedKey.isEmpty()) {
            return;
        }
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull()) {
            return;
        }
        if (!decode(v, field)) {
            failedKey = key;
        }
    });
    if (!failedKey.isEmpty()) {
        if (error) {
            *error =
                QStringLiteral("appearance field \"%1\" has a wrong type or value").arg(failedKey);
        }
        return std::nullopt;
    }
    return r;
}

bool CameraAppearanceSettings::isEncodable() const {
    bool ok = true;
    visitFields(*this, [&](const QString&, const auto& field) {
        if constexpr (std::is_same_v<std::decay_t<decltype(field)>, double>) {
            ok = ok && std::isfinite(field);
        }
    });
    return ok;
}

}  // namespace mirelon
