// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraDeviceConfiguration.h"

#include <QList>
#include <QString>

#include <memory>

namespace mirelon {

// The list of connected cameras. Implementations post
// Notifications::cameraConnected / cameraDisconnected (object: the camera id)
// and cameraChanged on the default notification centre, on the main thread.
class CameraDirectory {
public:
    virtual ~CameraDirectory() = default;

    // Connected cameras in a stable order.
    virtual QList<AvailableCameraDevice> devices() const = 0;

    // The directory the program uses: the simulated cameras when
    // MIRELON_SIMULATED_CAMERAS names a folder, the system's cameras otherwise.
    static CameraDirectory& shared();
    // Replaces the shared directory (tests); nullptr restores the default choice.
    static void setShared(CameraDirectory* directory);
};

namespace Utils {
// The connected cameras, as the shared directory lists them.
QList<AvailableCameraDevice> getAvailableCameras();
// The first listed camera's id, or "" when there is none.
QString getFirstAvailableCameraId();
}  // namespace Utils

}  // namespace mirelon
