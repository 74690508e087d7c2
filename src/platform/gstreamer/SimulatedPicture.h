// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/SimulatedCameraFile.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace mirelon::SimulatedPicture {

// Image files larger than this are not read.
constexpr qint64 maximumFileSize = 64 * 1024 * 1024;

// The picture a simulated camera shows, as its image file's data: read only
// when it is a regular file (a FIFO or device put there would block the
// reader) of at most maximumFileSize bytes whose header names a picture of
// at most 8192 x 8192 pixels; anything else is logged with the reason. No
// value without an image file (bars) or when it cannot be used. Kept as read
// (a few kB to a few MB) rather than decoded: the decoded picture is needed
// only while frames are made from it.
std::optional<QByteArray> read(const SimulatedCameraFile& camera, const QString& folder);

// The picture of data read(); a null image (bars) when it cannot be decoded
// after all (logged).
QImage decode(const QByteArray& data, const SimulatedCameraFile& camera);

// Both: the picture, else a null image (bars).
QImage load(const SimulatedCameraFile& camera, const QString& folder);

}  // namespace mirelon::SimulatedPicture
