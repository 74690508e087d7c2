// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/SimulatedCapture.h"

#include "platform/gstreamer/GstV4l2Capture.h"
#include "platform/gstreamer/SimulatedDeviceProvider.h"

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
