// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstCaptureService.h"

#include "capture/CameraDirectory.h"
#include "capture/SimulatedCameraDirectory.h"
#include "platform/CameraPortal.h"
#include "platform/gstreamer/GstCameraDirectory.h"
#include "platform/gstreamer/GstV4l2Capture.h"
#include "platform/gstreamer/SimulatedCapture.h"
#include "platform/gstreamer/SimulatedDeviceProvider.h"
#include "platform/qt/EventBus.h"
#include "platform/qt/Logging.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <unistd.h>

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
//
// In a sandbox, or when the program's own connections list no camera but the
// camera portal says one is present, the permission is the portal's: not
// determined until it was asked, then its answer; a grant hands the portal's
// PipeWire connection to the directory.
class DirectoryCaptureService final : public QObject, public CaptureService {
public:
    DirectoryCaptureService() {
        CameraDirectory& directory = CameraDirectory::shared();
        if (!simulatedFolder(directory).isEmpty() ||
            !dynamic_cast<GstCameraDirectory*>(&directory)) {
            return;
        }
        // Cameras are listed only after the portal's answer, and panels
        // start only for listed cameras: the question is asked at once.
        CameraPortal& portal = CameraPortal::shared();
        if (portal.isSandboxed()) {
            qCInfo(lcCapture) << "Sandboxed: cameras come through the camera portal";
            portalWanted_ = true;
            askPortal([](bool) {});
        } else if (directory.devices().isEmpty()) {
            QPointer<DirectoryCaptureService> self(this);
            portal.isCameraPresent([self](bool present) {
                if (self && present && CameraDirectory::shared().devices().isEmpty()) {
                    qCInfo(lcCapture) << "No camera is listed, but the camera portal has one";
                    self->portalWanted_ = true;
                    self->askPortal([](bool) {});
                }
            });
        }
    }

    CameraAuthorization authorizationStatus() override {
        const QString folder = simulatedFolder(CameraDirectory::shared());
        if (!folder.isEmpty()) {
            return CameraPermission::simulatedStatus(folder);
        }
        if (portalWanted_) {
            return portalStatus_;
        }
        return CameraPermission::systemStatus();
    }

    void requestAccess(std::function<void(bool)> answer) override {
        const QString folder = simulatedFolder(CameraDirectory::shared());
        if (!folder.isEmpty()) {
            CameraPermission::requestSimulatedAccess(folder, std::move(answer));
            return;
        }
        if (portalWanted_) {
            askPortal(std::move(answer));
            return;
        }
        // Linux does not ask: the answer is the current state.
        answer(CameraPermission::systemStatus() == CameraAuthorization::authorized);
    }

    void askPortal(std::function<void(bool)> answer) {
        QPointer<DirectoryCaptureService> self(this);
        CameraPortal::shared().open([self, answer = std::move(answer)](CameraPortal::Answer a,
                                                                       int fd) {
            if (!self) {
                if (fd >= 0) {
                    ::close(fd);
                }
                answer(false);
                return;
            }
            if (self->portalStatus_ == CameraAuthorization::authorized && fd >= 0) {
                ::close(fd);  // the directory has its connection already
            } else if (a == CameraPortal::Answer::granted) {
                self->portalStatus_ = CameraAuthorization::authorized;
                if (auto* system = dynamic_cast<GstCameraDirectory*>(&CameraDirectory::shared())) {
                    system->usePipeWireRemote(fd);
                } else if (fd >= 0) {
                    ::close(fd);
                }
            } else if (a == CameraPortal::Answer::refused &&
                       self->portalStatus_ != CameraAuthorization::denied) {
                self->portalStatus_ = CameraAuthorization::denied;
                EventBus::shared().post(Notifications::cameraAccessRefused);
            }
            answer(a == CameraPortal::Answer::granted);
        });
    }

private:
    bool portalWanted_ = false;
    CameraAuthorization portalStatus_ = CameraAuthorization::notDetermined;

public:
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
    // The capture service decides at once whether cameras come through the
    // camera portal (and asks it); it is made once the directory exists.
    if (QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { CaptureService::shared(); }, Qt::QueuedConnection);
    }
    return new GstCameraDirectory();
}

}  // namespace mirelon
