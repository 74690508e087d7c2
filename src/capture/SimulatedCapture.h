#pragma once

#include "capture/CaptureSession.h"
#include "capture/SimulatedCameraDirectory.h"

namespace mirelon::SimulatedCapture {

// A device input for a simulated camera: a live videotestsrc with the file's
// pattern, size and rate. The file's failure mode decides the rest: "open"
// gives no input, "start" gives a pipeline that ends before its first frame,
// "stall" one that delivers frames for one second and then stops.
std::shared_ptr<CaptureDeviceInput> makeInput(const SimulatedCameraSpec& spec, QString* error);

}  // namespace mirelon::SimulatedCapture
