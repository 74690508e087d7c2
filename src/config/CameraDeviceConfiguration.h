// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraAppearanceSettings.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace mirelon {

// One camera's stored settings: whether its panel is shown, where, and how.
struct CameraDeviceConfiguration {
    QString id;
    QString name;
    bool isEnabled = false;
    AppSettings::Position position = AppSettings::Position::bottomRight;
    CameraAppearanceSettings appearance = CameraAppearanceSettings::compiledDefault();
    std::optional<double> windowOriginX;  // y-up global coordinates, used when Custom
    std::optional<double> windowOriginY;

    bool operator==(const CameraDeviceConfiguration&) const = default;

    QJsonObject toJson() const;
    // "id", "name" and "isEnabled" are required; a missing position reads as
    // Bottom Right, a missing appearance as the default record.
    static std::optional<CameraDeviceConfiguration> fromJson(const QJsonValue& value,
                                                             const PreferencesFile& defaults,
                                                             QString* error = nullptr);
    bool isEncodable() const;
};

// A camera connected now, as the capture service lists it.
struct AvailableCameraDevice {
    QString id;
    QString name;
    bool isDefault = false;

    bool operator==(const AvailableCameraDevice&) const = default;
};

// Stored form: UTF-8 JSON text of one array of records.
QByteArray encodeConfigurations(const QList<CameraDeviceConfiguration>& records);
std::optional<QList<CameraDeviceConfiguration>> decodeConfigurations(
    const QByteArray& data, const PreferencesFile& defaults, QString* error = nullptr);

}  // namespace mirelon
