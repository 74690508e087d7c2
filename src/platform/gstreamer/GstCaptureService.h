// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CameraDirectory.h"
#include "capture/CaptureService.h"

namespace mirelon {

// The camera list through GStreamer's device monitor: the simulated cameras
// when MIRELON_SIMULATED_CAMERAS names a folder, the system's V4L2 cameras
// otherwise.
CameraDirectory* makeGstCameraDirectory();

// Permission and device inputs for whatever the shared camera directory is:
// simulated cameras get the simulated permission (the folder's files) and
// inputs, listed devices the system's permission and V4L2 inputs.
CaptureService* makeGstCaptureService();

}  // namespace mirelon
