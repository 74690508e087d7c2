// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureSession.h"
#include "platform/files/CameraPermission.h"

#include <QString>

#include <functional>
#include <memory>

namespace mirelon {

// What the camera model needs of the platform's capture service beyond the
// camera list (CameraDirectory): the permission state, the one-time question
// and device inputs.
class CaptureService {
public:
    virtual ~CaptureService() = default;

    virtual CameraAuthorization authorizationStatus() = 0;
    // Asks the user once; answer(yes) runs once, on any thread.
    virtual void requestAccess(std::function<void(bool)> answer) = 0;
    // A device input for the connected camera with this id, or null with a
    // description of the failure in *error.
    virtual std::shared_ptr<CaptureDeviceInput> makeInput(const QString& cameraId,
                                                          QString* error) = 0;

    // The service for the shared camera directory, made on first use by the
    // factory the platform loader installed.
    static CaptureService& shared();
    // Replaces the shared service (tests); nullptr restores the default.
    static void setShared(CaptureService* service);
    static void setFactory(std::function<CaptureService*()> factory);
};

}  // namespace mirelon
