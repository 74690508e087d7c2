// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureSession.h"
#include "platform/gstreamer/GstCameraDirectory.h"

namespace mirelon::GstV4l2Capture {

// A device input for a camera the directory lists (a V4L2 device or a
// PipeWire camera node; the device makes its source element), at the mode the
// high-quality preset picks from its caps; null (with the reason) when the
// camera is gone, its device gives no source element, or it offers no usable
// mode.
std::shared_ptr<CaptureDeviceInput> makeInput(const GstCameraDirectory& directory,
                                              const QString& cameraId, QString* error);
// The same for a device at hand (which the input takes over).
std::shared_ptr<CaptureDeviceInput> makeInput(GstDevice* device, const QString& cameraId,
                                              QString* error);

}  // namespace mirelon::GstV4l2Capture
