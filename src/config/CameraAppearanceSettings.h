// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace mirelon {

class PreferencesFile;

// The look of one camera panel. A plain value; JSON keys are the field names.
struct CameraAppearanceSettings {
    AppSettings::CameraShape cameraShape;
    AppSettings::AspectRatio aspectRatio;
    AppSettings::Orientation orientation;
    double cornerRadius;
    double cameraSize;
    double zoom;
    double shadowRadius;
    double borderThickness;
    QString borderColor;
    bool cameraMirroringEnabled;
    double saturation;
    double contrast;
    double brightness;
    double hueRotation;
    AppSettings::ColorMultiply colorMultiply;
    double xAngle;
    double yAngle;
    double zAngle;
    bool textEnabled;
    QString text;
    QString font;
    double fontSize;
    QString fontColor;
    QString backgroundColor;
    double backgroundRadius;
    double textPadding;

    bool operator==(const CameraAppearanceSettings&) const = default;

    // Every field from AppSettings::shared(), ignoring the legacy keys.
    static CameraAppearanceSettings compiledDefault();
    // The default record: compiled-in values, with the eight text fields taken
    // from the legacy application-wide keys when those hold a usable value.
    // Read afresh on every call.
    static CameraAppearanceSettings defaultSettings(const PreferencesFile& defaults);

    QJsonObject toJson() const;
    // Fails (none, with a reason in *error) when the value is not an object, a
    // present field has the wrong type or an enumeration string is unknown.
    // Missing or null fields take their defaults; unknown keys are ignored.
    static std::optional<CameraAppearanceSettings> fromJson(const QJsonValue& value,
                                                            const PreferencesFile& defaults,
                                                            QString* error = nullptr);

    // Whether every number has a JSON form (is finite).
    bool isEncodable() const;
};

// The legacy application-wide text keys, read as fallbacks and never written.
namespace LegacyTextKeys {
inline const QString textEnabled = QStringLiteral("textEnabled");
inline const QString text = QStringLiteral("text");
inline const QString font = QStringLiteral("font");
inline const QString fontSize = QStringLiteral("fontSize");
inline const QString fontColor = QStringLiteral("fontColor");
inline const QString backgroundColor = QStringLiteral("backgroundColor");
inline const QString backgroundRadius = QStringLiteral("backgroundRadius");
inline const QString textPadding = QStringLiteral("textPadding");
}  // namespace LegacyTextKeys

}  // namespace mirelon
