// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/AppSettings.h"

namespace mirelon::AppSettings {

template <>
const std::vector<std::pair<Position, QString>>& rawValueTable<Position>() {
    static const std::vector<std::pair<Position, QString>> table = {
        {Position::topLeft, QStringLiteral(QT_TRANSLATE_NOOP("AppSettings", "Top Left"))},
        {Position::topRight, QStringLiteral(QT_TRANSLATE_NOOP("AppSettings", "Top Right"))},
        {Position::bottomLeft, QStringLiteral(QT_TRANSLATE_NOOP("AppSettings", "Bottom Left"))},
        {Position::bottomRight, QStringLiteral(QT_TRANSLATE_NOOP("AppSettings", "Bottom Right"))},
        {Position::custom, QStringLiteral(QT_TRANSLATE_NOOP("AppSettings", "Custom"))},
    };
    return table;
}

template <>
const std::vector<std::pair<CameraShape, QString>>& rawValueTable<CameraShape>() {
    static const std::vector<std::pair<CameraShape, QString>> table = {
        {CameraShape::circle, QStringLiteral("circle")},
        {CameraShape::squircle, QStringLiteral("squircle")},
        {CameraShape::rectangle, QStringLiteral("rectangle")},
    };
    return table;
}

template <>
const std::vector<std::pair<AspectRatio, QString>>& rawValueTable<AspectRatio>() {
    static const std::vector<std::pair<AspectRatio, QString>> table = {
        {AspectRatio::onebyone, QStringLiteral("1:1")},
        {AspectRatio::threebytwo, QStringLiteral("3:2")},
        {AspectRatio::fourbythree, QStringLiteral("4:3")},
        {AspectRatio::sixteenbynine, QStringLiteral("16:9")},
    };
    return table;
}

template <>
const std::vector<std::pair<Orientation, QString>>& rawValueTable<Orientation>() {
    static const std::vector<std::pair<Orientation, QString>> table = {
        {Orientation::portrait, QStringLiteral("portrait")},
        {Orientation::landscape, QStringLiteral("landscape")},
    };
    return table;
}

template <>
const std::vector<std::pair<ColorMultiply, QString>>& rawValueTable<ColorMultiply>() {
    static const std::vector<std::pair<ColorMultiply, QString>> table = {
        {ColorMultiply::white, QStringLiteral("white")},
        {ColorMultiply::red, QStringLiteral("red")},
        {ColorMultiply::green, QStringLiteral("green")},
        {ColorMultiply::blue, QStringLiteral("blue")},
        {ColorMultiply::yellow, QStringLiteral("yellow")},
        {ColorMultiply::purple, QStringLiteral("purple")},
        {ColorMultiply::gray, QStringLiteral("gray")},
        {ColorMultiply::brown, QStringLiteral("brown")},
    };
    return table;
}

std::vector<Position> presets() {
    std::vector<Position> out;
    for (const auto& [c, raw] : rawValueTable<Position>()) {
        if (raw != QStringLiteral("Custom")) {
            out.push_back(c);
        }
    }
    return out;
}

QString capitalizedWords(const QString& raw) {
    QString out = raw;
    bool atWordStart = true;
    for (auto& ch : out) {
        if (ch.isSpace()) {
            atWordStart = true;
        } else if (atWordStart) {
            ch = ch.toUpper();
            atWordStart = false;
        }
    }
    return out;
}

const DefaultSettings& shared() {
    static const DefaultSettings record = [] {
        DefaultSettings d;
        d.menuBarIcons = {
            QStringLiteral("MenuBarIcon"),
            QStringLiteral("person.crop.square"),
            QStringLiteral("person.crop.square.fill"),
            QStringLiteral("person.crop.rectangle"),
            QStringLiteral("person.crop.rectangle.fill"),
            QStringLiteral("person.crop.circle"),
            QStringLiteral("person.crop.circle.fill"),
            QStringLiteral("person.crop.artframe"),
            QStringLiteral("camera"),
            QStringLiteral("camera.fill"),
            QStringLiteral("camera.circle"),
            QStringLiteral("camera.circle.fill"),
            QStringLiteral("camera.viewfinder"),
            QStringLiteral("camera.aperture"),
            QStringLiteral("video"),
            QStringLiteral("video.fill"),
            QStringLiteral("video.circle"),
            QStringLiteral("video.circle.fill"),
            QStringLiteral("video.square"),
            QStringLiteral("video.square.fill"),
        };
        d.menuBarIcon = QStringLiteral("MenuBarIcon");
        d.borderColor = QStringLiteral("#00ff00ff");
        d.text = QStringLiteral("Mirelon");
        d.font = QStringLiteral("Arial Rounded MT Bold");
        d.fontColor = QStringLiteral("#ffffffff");
        d.backgroundColor = QStringLiteral("#7564e7ff");
        return d;
    }();
    return record;
}

}  // namespace mirelon::AppSettings
