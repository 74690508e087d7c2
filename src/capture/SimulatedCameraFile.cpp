// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/SimulatedCameraFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cmath>

namespace mirelon {
namespace {

bool readInt(const QJsonObject& o, const QString& key, int low, int high, int& out,
             QString* error) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined()) {
        return true;
    }
    const double d = v.toDouble(std::nan(""));
    if (!v.isDouble() || !std::isfinite(d) || d != std::floor(d) || d < low || d > high) {
        if (error) {
            *error = QStringLiteral("\"%1\" must be a whole number from %2 to %3")
                         .arg(key)
                         .arg(low)
                         .arg(high);
        }
        return false;
    }
    out = static_cast<int>(d);
    return true;
}

}  // namespace

std::optional<SimulatedCameraFile> SimulatedCameraFile::parse(const QString& id,
                                                              const QByteArray& json,
                                                              QString* error) {
    auto fail = [&](const QString& why) -> std::optional<SimulatedCameraFile> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return fail(parseError.errorString());
    }
    if (!doc.isObject()) {
        return fail(QStringLiteral("not a JSON object"));
    }
    const QJsonObject o = doc.object();
    SimulatedCameraFile spec;
    spec.id = id;
    if (!o.value(QStringLiteral("name")).isString()) {
        return fail(QStringLiteral("\"name\" is missing or not a string"));
    }
    spec.name = o.value(QStringLiteral("name")).toString();
    const QJsonValue isDefault = o.value(QStringLiteral("isDefault"));
    if (!isDefault.isUndefined()) {
        if (!isDefault.isBool()) {
            return fail(QStringLiteral("\"isDefault\" must be true or false"));
        }
        spec.isDefault = isDefault.toBool();
    }
    const QJsonValue pattern = o.value(QStringLiteral("pattern"));
    if (!pattern.isUndefined()) {
        static const QRegularExpression patternName(QStringLiteral("^[a-z0-9-]{1,32}$"));
        if (!pattern.isString() || !patternName.match(pattern.toString()).hasMatch()) {
            return fail(QStringLiteral("\"pattern\" must be a test pattern name"));
        }
        spec.pattern = pattern.toString();
    }
    if (!readInt(o, QStringLiteral("width"), 16, 7680, spec.width, error) ||
        !readInt(o, QStringLiteral("height"), 16, 4320, spec.height, error) ||
        !readInt(o, QStringLiteral("fps"), 1, 240, spec.fps, error)) {
        return std::nullopt;
    }
    const QJsonValue failMode = o.value(QStringLiteral("fail"));
    if (!failMode.isUndefined()) {
        static const QMap<QString, SimulatedFailure> modes = {
            {QStringLiteral("none"), SimulatedFailure::none},
            {QStringLiteral("open"), SimulatedFailure::open},
            {QStringLiteral("start"), SimulatedFailure::start},
            {QStringLiteral("stall"), SimulatedFailure::stall},
        };
        if (!failMode.isString() || !modes.contains(failMode.toString())) {
            return fail(
                QStringLiteral("\"fail\" must be \"none\", \"open\", \"start\" or \"stall\""));
        }
        spec.fail = modes.value(failMode.toString());
    }
    if (!readInt(o, QStringLiteral("corruptEvery"), 0, 1000000, spec.corruptEvery, error)) {
        return std::nullopt;
    }
    if (!readInt(o, QStringLiteral("noisyFrames"), 1, 64, spec.noisyFrames, error)) {
        return std::nullopt;
    }
    const QJsonValue image = o.value(QStringLiteral("image"));
    if (!image.isUndefined()) {
        // A plain file name inside the folder: no paths, nothing hidden.
        static const QRegularExpression fileName(
            QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]{0,127}$"));
        if (!image.isString() || !fileName.match(image.toString()).hasMatch()) {
            return fail(QStringLiteral("\"image\" must be a file name in the folder"));
        }
        spec.image = image.toString();
    }
    const QJsonValue modes = o.value(QStringLiteral("modes"));
    if (!modes.isUndefined()) {
        if (!modes.isArray() || modes.toArray().size() > 64) {
            return fail(QStringLiteral("\"modes\" must be a list of at most 64 modes"));
        }
        static const QStringList formats = {QStringLiteral("mjpeg"), QStringLiteral("yuy2"),
                                            QStringLiteral("nv12"), QStringLiteral("i420")};
        for (const QJsonValue& m : modes.toArray()) {
            if (!m.isObject()) {
                return fail(QStringLiteral("every mode must be an object"));
            }
            const QJsonObject mo = m.toObject();
            SimulatedCameraMode mode;
            if (!mo.value(QStringLiteral("format")).isString() ||
                !formats.contains(mo.value(QStringLiteral("format")).toString())) {
                return fail(QStringLiteral(
                    "a mode's \"format\" must be \"mjpeg\", \"yuy2\", \"nv12\" or \"i420\""));
            }
            mode.format = mo.value(QStringLiteral("format")).toString();
            mode.width = 0;
            mode.height = 0;
            mode.fps = 0;
            if (!mo.contains(QStringLiteral("width")) || !mo.contains(QStringLiteral("height")) ||
                !mo.contains(QStringLiteral("fps"))) {
                return fail(QStringLiteral("a mode needs \"width\", \"height\" and \"fps\""));
            }
            // Even sizes: the YUV layouts pair pixels.
            if (!readInt(mo, QStringLiteral("width"), 16, 7680, mode.width, error) ||
                !readInt(mo, QStringLiteral("height"), 16, 4320, mode.height, error) ||
                !readInt(mo, QStringLiteral("fps"), 1, 240, mode.fps, error)) {
                return std::nullopt;
            }
            if (mode.width % 2 || mode.height % 2) {
                return fail(QStringLiteral("a mode's width and height must be even"));
            }
            spec.modes.append(mode);
        }
    }
    return spec;
}

QString SimulatedCameraFile::modesCaps() const {
    QStringList parts;
    for (const SimulatedCameraMode& m : modes) {
        const QString size =
            QStringLiteral("width=(int)%1, height=(int)%2, framerate=(fraction)%3/1")
                .arg(m.width)
                .arg(m.height)
                .arg(m.fps);
        if (m.format == QLatin1String("mjpeg")) {
            parts << QStringLiteral("image/jpeg, ") + size;
        } else {
            parts << QStringLiteral("video/x-raw, format=(string)%1, ").arg(m.format.toUpper()) +
                         size;
        }
    }
    return parts.join(QStringLiteral("; "));
}

}  // namespace mirelon
