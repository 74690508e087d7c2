// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureSession.h"
#include "capture/SimulatedCameraFile.h"

namespace mirelon::SimulatedCapture {

// A device input for a simulated camera of `folder`, made from its device
// (see SimulatedDeviceProvider) the way inputs for listed cameras are. A
// camera without modes is a live test pattern with the file's pattern, size
// and rate; a camera with modes (a realistic one) chooses its mode like a
// real camera, from its modes and how large the picture is shown, and loops
// its picture (the image file, else bars) encoded once per mode, its frames
// arriving in the mode's format. The file's failure mode decides the rest:
// "open" gives no input, "start" gives a pipeline that ends before its first
// frame, "stall" one that delivers frames for one second and then stops.
std::shared_ptr<CaptureDeviceInput> makeInput(const SimulatedCameraFile& spec, QString* error,
                                              const QString& folder);

}  // namespace mirelon::SimulatedCapture
