// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/GstCameraDirectory.h"

#include "platform/Logging.h"

#include <QFile>
#include <QMetaObject>
#include <QPointer>
#include <QRegularExpression>

#include <gst/gst.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <algorithm>

namespace mirelon {

namespace GstCameraIdentity {

QString cameraId(const Properties& p) {
    if (!p.serial.isEmpty() && p.hasSerialShort) {
        return p.serial;
    }
    if (!p.serial.isEmpty() && !p.busPath.isEmpty()) {
        return p.serial + QLatin1Char('@') + p.busPath;
    }
    if (!p.busPath.isEmpty()) {
        return p.busPath;
    }
    return p.devicePath;
}

int deviceNodeNumber(const QString& devicePath) {
    static const QRegularExpression node(QStringLiteral("/dev/video(\\d+)$"));
    const auto m = node.match(devicePath);
    return m.hasMatch() ? m.captured(1).toInt() : 1 << 20;
}

}  // namespace GstCameraIdentity

namespace {

QString stringProperty(const GstStructure* props, const char* key) {
    const gchar* v = props ? gst_structure_get_string(props, key) : nullptr;
    return v ? QString::fromUtf8(v) : QString();
}

// Whether udev recorded a real serial number for the device node.
bool udevHasSerialShort(const QString& devicePath) {
    struct stat st {};
    if (devicePath.isEmpty() || ::stat(QFile::encodeName(devicePath).constData(), &st) != 0) {
        return false;
    }
    QFile db(QStringLiteral("/run/udev/data/c%1:%2").arg(major(st.st_rdev)).arg(minor(st.st_rdev)));
    if (!db.open(QIODevice::ReadOnly)) {
        return false;
    }
    while (!db.atEnd()) {
        if (db.readLine().startsWith("E:ID_SERIAL_SHORT=")) {
            return true;
        }
    }
    return false;
}

GstCameraIdentity::Properties propertiesOf(GstDevice* device) {
    GstStructure* props = gst_device_get_properties(device);
    GstCameraIdentity::Properties p;
    p.api = stringProperty(props, "device.api");
    p.devicePath = stringProperty(props, "api.v4l2.path");
    if (p.devicePath.isEmpty()) {
        p.devicePath = stringProperty(props, "device.path");
    }
    p.serial = stringProperty(props, "device.serial");
    p.busPath = stringProperty(props, "device.bus_path");
    p.hasSerialShort = udevHasSerialShort(p.devicePath);
    if (props) {
        gst_structure_free(props);
    }
    return p;
}

bool offersOnlyGrey(GstDevice* device) {
    GstCaps* caps = gst_device_get_caps(device);
    if (!caps) {
        return false;
    }
    bool onlyGrey = gst_caps_get_size(caps) > 0;
    for (guint i = 0; i < gst_caps_get_size(caps) && onlyGrey; ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        const gchar* format = gst_structure_get_string(s, "format");
        const bool grey = gst_structure_has_name(s, "video/x-raw") && format &&
                          (g_str_has_prefix(format, "GRAY") || g_str_has_prefix(format, "Y1"));
        onlyGrey = grey;
    }
    gst_caps_unref(caps);
    return onlyGrey;
}

struct Listed {
    AvailableCameraDevice device;
    int node;
};

QList<Listed> listDevices(GstDeviceMonitor* monitor) {
    QList<Listed> out;
    GList* list = gst_device_monitor_get_devices(monitor);
    for (GList* l = list; l; l = l->next) {
        auto* device = GST_DEVICE(l->data);
        const GstCameraIdentity::Properties p = propertiesOf(device);
        if (p.api != QLatin1String("v4l2") || offersOnlyGrey(device)) {
            continue;
        }
        gchar* name = gst_device_get_display_name(device);
        const QString id = GstCameraIdentity::cameraId(p);
        out.append({AvailableCameraDevice{id, QString::fromUtf8(name ? name : ""), false},
                    GstCameraIdentity::deviceNodeNumber(p.devicePath)});
        g_free(name);
    }
    g_list_free_full(list, gst_object_unref);
    return out;
}

gboolean onBusMessage(GstBus*, GstMessage* message, gpointer data) {
    const auto type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_DEVICE_ADDED || type == GST_MESSAGE_DEVICE_REMOVED ||
        type == GST_MESSAGE_DEVICE_CHANGED) {
        auto* self = static_cast<QPointer<GstCameraDirectory>*>(data);
        QPointer<GstCameraDirectory> target = *self;
        if (target) {
            QMetaObject::invokeMethod(
                target.data(),
                [target] {
                    if (target) {
                        target->refresh();
                    }
                },
                Qt::QueuedConnection);
        }
    }
    return TRUE;
}

}  // namespace

GstCameraDirectory::GstCameraDirectory(NotificationCenter& center) : center_(center) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    monitor_ = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor_, "Video/Source", nullptr);
    gst_device_monitor_set_show_all_devices(monitor_, TRUE);
    GstBus* bus = gst_device_monitor_get_bus(monitor_);
    // Messages arrive on GStreamer's threads: hand them to the main thread.
    gst_bus_set_sync_handler(
        bus,
        [](GstBus* b, GstMessage* m, gpointer d) -> GstBusSyncReply {
            onBusMessage(b, m, d);
            gst_message_unref(m);  // dropping a message means releasing it
            return GST_BUS_DROP;
        },
        new QPointer<GstCameraDirectory>(this),
        [](gpointer d) { delete static_cast<QPointer<GstCameraDirectory>*>(d); });
    gst_object_unref(bus);
    // Start before reading the list: only then are the udev properties filled in.
    if (!gst_device_monitor_start(monitor_)) {
        qCWarning(lcCapture) << "Camera discovery could not start; no cameras are listed";
    }
    auto listed = listDevices(monitor_);
    std::stable_sort(listed.begin(), listed.end(),
                     [](const Listed& a, const Listed& b) { return a.node < b.node; });
    for (qsizetype i = 0; i < listed.size(); ++i) {
        listed[i].device.isDefault = i == 0;
        devices_.append(listed[i].device);
    }
}

GstCameraDirectory::~GstCameraDirectory() {
    if (monitor_) {
        gst_device_monitor_stop(monitor_);
        GstBus* bus = gst_device_monitor_get_bus(monitor_);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(monitor_);
    }
}

void GstCameraDirectory::refresh() {
    auto listed = listDevices(monitor_);
    std::stable_sort(listed.begin(), listed.end(),
                     [](const Listed& a, const Listed& b) { return a.node < b.node; });
    QList<AvailableCameraDevice> now;
    for (qsizetype i = 0; i < listed.size(); ++i) {
        listed[i].device.isDefault = i == 0;
        now.append(listed[i].device);
    }
    const QList<AvailableCameraDevice> previous = devices_;
    devices_ = now;
    auto find = [](const QList<AvailableCameraDevice>& list, const QString& id) {
        return std::find_if(list.begin(), list.end(),
                            [&](const AvailableCameraDevice& d) { return d.id == id; });
    };
    for (const auto& d : previous) {
        if (find(now, d.id) == now.end()) {
            qCInfo(lcCapture).noquote() << "Camera disconnected:" << d.name << d.id;
            center_.post(Notifications::cameraDisconnected, d.id);
        }
    }
    for (const auto& d : now) {
        const auto old = find(previous, d.id);
        if (old == previous.end()) {
            qCInfo(lcCapture).noquote() << "Camera connected:" << d.name << d.id;
            center_.post(Notifications::cameraConnected, d.id);
        } else if (!(*old == d)) {
            center_.post(Notifications::cameraChanged, d.id);
        }
    }
}

GstDevice* GstCameraDirectory::createDeviceFor(const QString& id) const {
    GList* list = gst_device_monitor_get_devices(monitor_);
    GstDevice* match = nullptr;
    for (GList* l = list; l && !match; l = l->next) {
        auto* device = GST_DEVICE(l->data);
        const GstCameraIdentity::Properties p = propertiesOf(device);
        if (GstCameraIdentity::cameraId(p) == id) {
            match = GST_DEVICE(gst_object_ref(device));
        }
    }
    g_list_free_full(list, gst_object_unref);
    return match;
}

}  // namespace mirelon
