// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/SimulatedCameraFile.h"

#include <QString>

typedef struct _GstDevice GstDevice;
typedef struct _GstDeviceProvider GstDeviceProvider;

// The simulated cameras as GStreamer devices, so the program lists and opens
// them with the same code as the system's cameras. Each camera file is one
// "Video/Source" device: its display name is the camera's name, its caps are
// the camera's modes (image/jpeg and video/x-raw), its properties carry the
// file's id as a unique serial, and its element plays the camera's frames
// (its failure mode included). While the provider is started its devices
// follow the folder: device-added, device-removed and device-changed arrive
// on its bus as files come, go and change.
namespace mirelon::SimulatedDeviceProvider {

// The provider factory's name.
inline constexpr const char* factoryName = "mirelonsimulatedcameras";
// The devices' "device.api" property.
inline constexpr const char* deviceApi = "simulated";

// Registers the provider with GStreamer in this process (once; later calls
// only answer). It has no rank, so device monitors never pick it up by
// themselves: only create() makes one.
bool registerProvider();

// A new provider (a full reference) for the cameras of `folder`; null when
// it cannot be registered.
GstDeviceProvider* create(const QString& folder);

// The folder of a provider create() made; empty for any other provider.
QString folderOf(GstDeviceProvider* provider);

// The device one camera file describes (floating). Images named by the file
// are read from `folder`.
GstDevice* makeDevice(const SimulatedCameraFile& spec, const QString& folder);

}  // namespace mirelon::SimulatedDeviceProvider
