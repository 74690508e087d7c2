// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace mirelon {
namespace AppSettings {

enum class Position { topLeft, topRight, bottomLeft, bottomRight, custom };
enum class CameraShape { circle, squircle, rectangle };
enum class AspectRatio { onebyone, threebytwo, fourbythree, sixteenbynine };
enum class Orientation { portrait, landscape };
enum class ColorMultiply { white, red, green, blue, yellow, purple, gray, brown };

// Raw values of each enumeration, in allCases order.
template <typename E>
const std::vector<std::pair<E, QString>>& rawValueTable();

template <typename E>
QString rawValue(E value) {
    for (const auto& [c, raw] : rawValueTable<E>()) {
        if (c == value) {
            return raw;
        }
    }
    return {};
}

// Exact, case-sensitive match of the whole raw value.
template <typename E>
std::optional<E> fromRawValue(const QString& raw) {
    for (const auto& [c, r] : rawValueTable<E>()) {
        if (r == raw) {
            return c;
        }
    }
    return std::nullopt;
}

template <typename E>
std::vector<E> allCases() {
    std::vector<E> out;
    for (const auto& entry : rawValueTable<E>()) {
        out.push_back(entry.first);
    }
    return out;
}

// The four corners: every position but Custom.
std::vector<Position> presets();

// The raw value with the first letter of each word in upper case ("Circle").
QString capitalizedWords(const QString& raw);

// The compiled-in record every default is read from.
struct DefaultSettings {
    bool isMirelonOn = true;
    QString deviceId;
    QStringList menuBarIcons;
    double hoverOpacity = 0.3;
    bool moveHintEnabled = true;
    QString menuBarIcon;
    bool textVisible = true;
    bool ringLightEnabled = false;
    double ringLightTemperature = 0.5;
    double ringLightWidth = 44.0;
    double ringLightGlow = 0.5;

    CameraShape cameraShape = CameraShape::squircle;
    AspectRatio aspectRatio = AspectRatio::onebyone;
    Orientation orientation = Orientation::landscape;
    double cornerRadius = 40.0;
    double cameraSize = 1.0;
    double zoom = 1.0;
    double shadowRadius = 15.0;
    double borderThickness = 0.0;
    QString borderColor;
    bool cameraMirroringEnabled = true;
    double saturation = 1.0;
    double contrast = 1.0;
    double brightness = 0.0;
    double hueRotation = 0.0;
    ColorMultiply colorMultiply = ColorMultiply::white;
    double xAngle = 0.0;
    double yAngle = 0.0;
    double zAngle = 0.0;
    bool textEnabled = false;
    QString text;
    QString font;
    double fontSize = 16.0;
    QString fontColor;
    QString backgroundColor;
    double backgroundRadius = 10.0;
    double textPadding = 5.0;
};

const DefaultSettings& shared();

}  // namespace AppSettings
}  // namespace mirelon
