// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureService.h"

#include "capture/CameraDirectory.h"
#include "capture/SimulatedCameraDirectory.h"
#include "capture/SimulatedCapture.h"
#include "platform/GstCameraDirectory.h"
#include "platform/GstV4l2Capture.h"

namespace mirelon {
namespace {

// Follows whatever the shared camera directory is: simulated cameras get
// simulated inputs and the simulated permission; system cameras get V4L2.
class DirectoryCaptureService final : public CaptureService {
public:
    CameraAuthorization authorizationStatus() override {
        if (auto* simulated = dynamic_cast<SimulatedCameraDirectory*>(&CameraDirectory::shared())) {
            return CameraPermission::simulatedStatus(simulated->folder());
        }
        return CameraPermission::systemStatus();
    }

    void requestAccess(std::function<void(bool)> answer) override {
        if (auto* simulated = dynamic_cast<SimulatedCameraDirectory*>(&CameraDirectory::shared())) {
            CameraPermission::requestSimulatedAccess(simulated->folder(), std::move(answer));
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

CaptureService* installedService = nullptr;

}  // namespace

CaptureService& CaptureService::shared() {
    if (installedService) {
        return *installedService;
    }
    static DirectoryCaptureService service;
    return service;
}

void CaptureService::setShared(CaptureService* service) {
    installedService = service;
}

}  // namespace mirelon
