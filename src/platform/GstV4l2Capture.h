// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureSession.h"
#include "platform/GstCameraDirectory.h"

namespace mirelon::GstV4l2Capture {

// A device input for a connected V4L2 camera, at the mode the high-quality
// preset picks from its caps; null (with the reason) when the camera is gone
// or offers no usable mode.
std::shared_ptr<CaptureDeviceInput> makeInput(const GstCameraDirectory& directory,
                                              const QString& cameraId, QString* error);

}  // namespace mirelon::GstV4l2Capture
