// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureSession.h"
#include "capture/SimulatedCameraDirectory.h"

namespace mirelon::SimulatedCapture {

// A device input for a simulated camera, made from its device (see
// SimulatedDeviceProvider) the way inputs for listed cameras are: a live
// test pattern with the file's pattern, size and rate. The file's failure
// mode decides the rest: "open" gives no input, "start" gives a pipeline that
// ends before its first frame, "stall" one that delivers frames for one
// second and then stops.
std::shared_ptr<CaptureDeviceInput> makeInput(const SimulatedCameraSpec& spec, QString* error);

// The same for a camera of `folder`. A camera with modes (a realistic one)
// chooses its mode like a real camera, from its modes and how large the
// picture is shown, and loops its picture (the image file, else bars)
// encoded once per mode; its frames arrive in the mode's format.
std::shared_ptr<CaptureDeviceInput> makeInput(const SimulatedCameraSpec& spec, QString* error,
                                              const QString& folder);

}  // namespace mirelon::SimulatedCapture
