// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstCaptureService.h"

#include "capture/CameraDirectory.h"
#include "capture/SimulatedCameraDirectory.h"
#include "platform/gstreamer/GstCameraDirectory.h"
#include "platform/gstreamer/GstV4l2Capture.h"
#include "platform/gstreamer/SimulatedCapture.h"
#include "platform/gstreamer/SimulatedDeviceProvider.h"

namespace mirelon {
namespace {

// The folder of the simulated cameras the directory lists, or "" for the
// system's cameras.
QString simulatedFolder(CameraDirectory& directory) {
    if (auto* simulated = dynamic_cast<SimulatedCameraDirectory*>(&directory)) {
        return simulated->folder();
    }
    if (auto* listing = dynamic_cast<GstCameraDirectory*>(&directory)) {
        return SimulatedDeviceProvider::folderOf(listing->provider());
    }
    return {};
}

// Follows whatever the shared camera directory is: simulated cameras get the
// simulated permission (the folder's files), system cameras the system's.
// Inputs come from the devices the directory lists, simulated or V4L2.
class DirectoryCaptureService final : public CaptureService {
public:
    CameraAuthorization authorizationStatus() override {
        const QString folder = simulatedFolder(CameraDirectory::shared());
        if (!folder.isEmpty()) {
            return CameraPermission::simulatedStatus(folder);
        }
        return CameraPermission::systemStatus();
    }

    void requestAccess(std::function<void(bool)> answer) override {
        const QString folder = simulatedFolder(CameraDirectory::shared());
        if (!folder.isEmpty()) {
            CameraPermission::requestSimulatedAccess(folder, std::move(answer));
            return;
        }
        // Linux does not ask: the answer is the current state.
        answer(CameraPermission::systemStatus() == CameraAuthorization::authorized);
    }

    std::shared_ptr<CaptureDeviceInput> makeInput(const QString& cameraId,
                                                  QString* error) override {
        CameraDirectory& directory = CameraDirectory::shared();
        if (auto* simulated = dynamic_cast<SimulatedCameraDirectory*>(&directory)) {
            const auto spec = simulated->spec(cameraId);
            if (!spec) {
                if (error) {
                    *error = QStringLiteral("The camera is not connected.");
                }
                return nullptr;
            }
            return SimulatedCapture::makeInput(*spec, error, simulated->folder());
        }
        if (auto* system = dynamic_cast<GstCameraDirectory*>(&directory)) {
            return GstV4l2Capture::makeInput(*system, cameraId, error);
        }
        if (error) {
            *error = QStringLiteral("This camera list has no capture service.");
        }
        return nullptr;
    }
};

}  // namespace

CaptureService* makeGstCaptureService() {
    return new DirectoryCaptureService();
}

CameraDirectory* makeGstCameraDirectory() {
    const QString folder = qEnvironmentVariable("MIRELON_SIMULATED_CAMERAS");
    if (!folder.isEmpty()) {
        // Only the simulated cameras, through the same listing as real ones.
        return new GstCameraDirectory(SimulatedDeviceProvider::create(folder));
    }
    return new GstCameraDirectory();
}

}  // namespace mirelon
