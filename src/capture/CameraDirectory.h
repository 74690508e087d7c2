// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CameraAccess.h"
#include "config/CameraDeviceConfiguration.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace mirelon {

// The list of connected cameras. Implementations post
// Notifications::cameraConnected / cameraDisconnected (object: the camera id)
// and cameraChanged on the shared event bus, on the main thread.
class CameraDirectory {
public:
    virtual ~CameraDirectory() = default;

    // Connected cameras in a stable order.
    virtual QList<AvailableCameraDevice> devices() const = 0;

    // Which way cameras are reached (directories that know only one way
    // ignore it). A change relists the cameras and posts what changed.
    virtual void setAccess(CameraAccess access) { (void)access; }

    // The directory the program uses, made on first use by the factory the
    // platform loader installed (the simulated cameras when
    // MIRELON_SIMULATED_CAMERAS names a folder, the system's cameras
    // otherwise); an empty list without one. A directory the factory made
    // follows the camera-access setting (CameraAccessSetting::effective).
    static CameraDirectory& shared();
    // Replaces the shared directory (tests); nullptr restores the default choice.
    static void setShared(CameraDirectory* directory);
    static void setFactory(std::function<CameraDirectory*()> factory);
};

namespace Utils {
// The connected cameras, as the shared directory lists them.
QList<AvailableCameraDevice> getAvailableCameras();
// The first listed camera's id, or "" when there is none.
QString getFirstAvailableCameraId();
}  // namespace Utils

}  // namespace mirelon
