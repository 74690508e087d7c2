// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/SimulatedCameraFile.h"

#include <QImage>
#include <QString>

namespace mirelon::SimulatedPicture {

// Image files larger than this are not read.
constexpr qint64 maximumFileSize = 64 * 1024 * 1024;

// The picture a simulated camera shows: its image file in the folder, else a
// null image (bars). The file is read only when it is a regular file (a FIFO
// or device put there would block the reader) of at most maximumFileSize
// bytes, and decoded only up to 8192 x 8192 pixels; anything else is logged
// with the reason.
QImage load(const SimulatedCameraFile& camera, const QString& folder);

}  // namespace mirelon::SimulatedPicture
