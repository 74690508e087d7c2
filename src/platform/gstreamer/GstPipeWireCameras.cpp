// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstPipeWireCameras.h"

#include <gst/gst.h>

#include <QSet>

namespace mirelon::GstPipeWireCameras {
namespace {

QString stringOf(const GstStructure* props, const char* key) {
    const gchar* v = props ? gst_structure_get_string(props, key) : nullptr;
    return v ? QString::fromUtf8(v) : QString();
}

}  // namespace

bool isNode(const GstStructure* props) {
    return props && gst_structure_has_field(props, "node.name") &&
           gst_structure_has_field(props, "object.serial");
}

bool isCameraNode(const GstStructure* props) {
    if (!isNode(props) || stringOf(props, "media.class") != QLatin1String("Video/Source")) {
        return false;
    }
    const QString api = stringOf(props, "device.api");
    return stringOf(props, "media.role") == QLatin1String("Camera") ||
           api == QLatin1String("v4l2") || api == QLatin1String("libcamera");
}

QString devicePathOf(const GstStructure* props) {
    const QString path = stringOf(props, "api.v4l2.path");
    if (path.startsWith(QLatin1String("/dev/"))) {
        return path;
    }
    const QString objectPath = stringOf(props, "object.path");
    const QLatin1String prefix("v4l2:/dev/");
    if (objectPath.startsWith(prefix)) {
        return objectPath.mid(5);
    }
    return {};
}

QString nodeId(const QString& nodeName) {
    return QStringLiteral("pipewire:") + nodeName;
}

QList<Entry> merge(const QList<Entry>& direct, const QList<Entry>& nodes, CameraAccess access) {
    QList<Entry> out;
    QSet<QString> ids;
    auto add = [&](const Entry& e) {
        if (!e.id.isEmpty() && !ids.contains(e.id)) {
            ids.insert(e.id);
            out.append(e);
        }
    };
    const bool throughPipeWire =
        access == CameraAccess::pipewire || (access == CameraAccess::automatic && !nodes.isEmpty());
    if (!throughPipeWire) {
        for (const Entry& e : direct) {
            add(e);
        }
        return out;
    }
    QSet<QString> streamedPaths;
    for (Entry node : nodes) {
        if (!node.devicePath.isEmpty()) {
            streamedPaths.insert(node.devicePath);
            for (const Entry& device : direct) {
                if (device.devicePath == node.devicePath) {
                    node.id = device.id;
                    node.order = device.order;
                    break;
                }
            }
        }
        add(node);
    }
    if (access == CameraAccess::automatic) {
        for (const Entry& device : direct) {
            if (!streamedPaths.contains(device.devicePath)) {
                add(device);
            }
        }
    }
    return out;
}

}  // namespace mirelon::GstPipeWireCameras
