// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CameraAccess.h"

#include <QList>
#include <QString>

#include <optional>

typedef struct _GstStructure GstStructure;

namespace mirelon::GstPipeWireCameras {

// GStreamer's PipeWire device provider lists every video source node of the
// session as a device whose properties are the node's own, as strings.

// Whether device properties are those of a PipeWire node.
bool isNode(const GstStructure* props);
// Whether a node is a camera: a video source with the camera role, or one a
// camera stack made (device.api v4l2 or libcamera). Screen casts and other
// streams are not.
bool isCameraNode(const GstStructure* props);
// The /dev/videoN a node streams (api.v4l2.path, else object.path
// "v4l2:/dev/videoN"); empty for nodes of no V4L2 device.
QString devicePathOf(const GstStructure* props);
// The id of a node without a device path: "pipewire:<node.name>" (node names
// stay the same across restarts; object ids and serials do not).
QString nodeId(const QString& nodeName);

// One camera as a listing found it.
struct Entry {
    enum class Way { direct, pipewire };
    Way way = Way::direct;
    QString id;
    QString name;
    QString devicePath;  // the V4L2 device it is, when known
    int order = 0;       // listing order (device node number)
    std::optional<bool> saysDefault;
    int handle = -1;  // the caller's index of the device behind it

    bool operator==(const Entry&) const = default;
};

// One row per camera. Direct: the V4L2 devices. PipeWire: the nodes.
// Automatic: the nodes when the session offers any, plus the V4L2 devices no
// node streams; else the V4L2 devices. A node that streams a listed V4L2
// device takes that device's id, so a stored id finds the same camera
// whichever way it is reached. Ids stay unique (a later duplicate is dropped).
QList<Entry> merge(const QList<Entry>& direct, const QList<Entry>& nodes, CameraAccess access);

}  // namespace mirelon::GstPipeWireCameras
