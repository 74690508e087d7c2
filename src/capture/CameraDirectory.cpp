// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraDirectory.h"

#include "capture/SimulatedDeviceProvider.h"
#include "platform/GstCameraDirectory.h"

namespace mirelon {
namespace {
CameraDirectory* installedDirectory = nullptr;
}

CameraDirectory& CameraDirectory::shared() {
    if (installedDirectory) {
        return *installedDirectory;
    }
    static CameraDirectory* chosen = []() -> CameraDirectory* {
        const QString folder = qEnvironmentVariable("MIRELON_SIMULATED_CAMERAS");
        if (!folder.isEmpty()) {
            // Only the simulated cameras, through the same listing as real ones.
            return new GstCameraDirectory(SimulatedDeviceProvider::create(folder));
        }
        return new GstCameraDirectory();
    }();
    return *chosen;
}

void CameraDirectory::setShared(CameraDirectory* directory) {
    installedDirectory = directory;
}

namespace Utils {

QList<AvailableCameraDevice> getAvailableCameras() {
    return CameraDirectory::shared().devices();
}

QString getFirstAvailableCameraId() {
    const auto devices = getAvailableCameras();
    return devices.isEmpty() ? QString() : devices.first().id;
}

}  // namespace Utils
}  // namespace mirelon
