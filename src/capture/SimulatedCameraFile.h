// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace mirelon {

// How a simulated camera misbehaves.
enum class SimulatedFailure { none, open, start, stall };

// One mode a realistic simulated camera offers, like a V4L2 device's.
struct SimulatedCameraMode {
    QString format;  // "mjpeg", "yuy2", "nv12" or "i420"
    int width = 0;
    int height = 0;
    int fps = 0;
    bool operator==(const SimulatedCameraMode&) const = default;
};

// One file <folder>/<id>.json of the simulated camera folder.
struct SimulatedCameraFile {
    QString id;
    QString name;
    bool isDefault = false;
    QString pattern = QStringLiteral("smpte");
    int width = 1280;
    int height = 720;
    int fps = 30;
    SimulatedFailure fail = SimulatedFailure::none;
    // A realistic camera: the modes it offers (none: the pattern at width x
    // height and fps, as before), the picture it shows (a file name in the
    // folder; none: generated bars) and every how many MJPEG frames one
    // arrives truncated (0: never). `noisyFrames` above 1 loops that many
    // distinct frames of the picture, each with sensor noise of its own, as
    // a camera never sends the same frame twice.
    QList<SimulatedCameraMode> modes;
    QString image;
    int corruptEvery = 0;
    int noisyFrames = 1;

    bool operator==(const SimulatedCameraFile&) const = default;
    // The modes as the caps a V4L2 device would report.
    QString modesCaps() const;

    // Parses one file's content; none (with the reason in *error) when it is
    // not an object with a string "name" or a member has a wrong type or an
    // out-of-range value.
    static std::optional<SimulatedCameraFile> parse(const QString& id, const QByteArray& json,
                                                    QString* error = nullptr);
};

}  // namespace mirelon
