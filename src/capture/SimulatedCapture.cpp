// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/SimulatedCapture.h"

#include "capture/SimulatedDeviceProvider.h"
#include "platform/GstV4l2Capture.h"

#include <gst/gst.h>

namespace mirelon::SimulatedCapture {

std::shared_ptr<CaptureDeviceInput> makeInput(const SimulatedCameraFile& spec, QString* error,
                                              const QString& folder) {
    // The camera's device, opened like any listed camera's.
    GstDevice* device = SimulatedDeviceProvider::makeDevice(spec, folder);
    gst_object_ref_sink(device);
    return GstV4l2Capture::makeInput(device, spec.id, error);
}

}  // namespace mirelon::SimulatedCapture
