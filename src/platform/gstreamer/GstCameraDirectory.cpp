// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstCameraDirectory.h"

#include "platform/qt/Logging.h"

#include <QFile>
#include <QMetaObject>
#include <QPointer>
#include <QRegularExpression>

#include <gst/gst.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <algorithm>
#include <atomic>
#include <optional>

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
    std::optional<bool> saysDefault;  // the device's own "is-default"
};

// Orders cameras by node, then id, and picks the default: the one a device
// names, else the first.
QList<AvailableCameraDevice> ordered(QList<Listed> listed) {
    std::stable_sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
        return a.node != b.node ? a.node < b.node : a.device.id < b.device.id;
    });
    const bool devicesSay = std::any_of(listed.begin(), listed.end(),
                                        [](const Listed& l) { return l.saysDefault.has_value(); });
    QList<AvailableCameraDevice> out;
    for (qsizetype i = 0; i < listed.size(); ++i) {
        listed[i].device.isDefault = devicesSay ? listed[i].saysDefault.value_or(false) : i == 0;
        out.append(listed[i].device);
    }
    return out;
}

// The cameras among `list` (which it releases): V4L2 ones unless any api
// counts, never grey-only ones.
QList<Listed> listDevices(GList* list, bool anyApi) {
    QList<Listed> out;
    for (GList* l = list; l; l = l->next) {
        auto* device = GST_DEVICE(l->data);
        const GstCameraIdentity::Properties p = GstCameraIdentity::propertiesOf(device);
        if ((!anyApi && p.api != QLatin1String("v4l2")) || offersOnlyGrey(device)) {
            continue;
        }
        gchar* name = gst_device_get_display_name(device);
        const QString id = GstCameraIdentity::cameraId(p);
        Listed listed{AvailableCameraDevice{id, QString::fromUtf8(name ? name : ""), false},
                      GstCameraIdentity::deviceNodeNumber(p.devicePath), std::nullopt};
        g_free(name);
        GstStructure* props = gst_device_get_properties(device);
        gboolean isDefault = FALSE;
        if (props && gst_structure_get_boolean(props, "is-default", &isDefault)) {
            listed.saysDefault = isDefault != FALSE;
        }
        if (props) {
            gst_structure_free(props);
        }
        out.append(listed);
    }
    g_list_free_full(list, gst_object_unref);
    return out;
}

}  // namespace

// Shared by the directory and the bus handler, which may run on any thread:
// the first device message queues one refresh on the main thread, and the
// messages that follow before it runs ride along.
struct GstCameraDirectory::BusLink {
    QPointer<GstCameraDirectory> target;
    std::atomic<bool> refreshQueued{false};
};

namespace {

GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data) {
    const auto type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_DEVICE_ADDED || type == GST_MESSAGE_DEVICE_REMOVED ||
        type == GST_MESSAGE_DEVICE_CHANGED) {
        auto* link = static_cast<GstCameraDirectory::BusLink*>(data);
        QPointer<GstCameraDirectory> target = link->target;
        if (target && !link->refreshQueued.exchange(true)) {
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
    gst_message_unref(message);  // dropping a message means releasing it
    return GST_BUS_DROP;
}

}  // namespace

GstCameraIdentity::Properties GstCameraIdentity::propertiesOf(GstDevice* device) {
    GstStructure* props = gst_device_get_properties(device);
    Properties p;
    p.api = stringProperty(props, "device.api");
    p.devicePath = stringProperty(props, "api.v4l2.path");
    if (p.devicePath.isEmpty()) {
        p.devicePath = stringProperty(props, "device.path");
    }
    p.serial = stringProperty(props, "device.serial");
    p.busPath = stringProperty(props, "device.bus_path");
    gboolean vouched = FALSE;
    p.hasSerialShort =
        (props && gst_structure_get_boolean(props, "device.serial.unique", &vouched) && vouched) ||
        udevHasSerialShort(p.devicePath);
    if (props) {
        gst_structure_free(props);
    }
    return p;
}

GstCameraDirectory::GstCameraDirectory(EventBus& center) : center_(center) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    monitor_ = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor_, "Video/Source", nullptr);
    gst_device_monitor_set_show_all_devices(monitor_, TRUE);
    watchBus(gst_device_monitor_get_bus(monitor_));
    // Start before reading the list: only then are the udev properties filled in.
    if (!gst_device_monitor_start(monitor_)) {
        qCWarning(lcCapture) << "Camera discovery could not start; no cameras are listed";
    }
    devices_ = listCameras();
}

GstCameraDirectory::GstCameraDirectory(GstDeviceProvider* provider, EventBus& center)
    : center_(center), provider_(provider) {
    if (!provider_) {
        qCWarning(lcCapture) << "No camera provider; no cameras are listed";
        return;
    }
    watchBus(gst_device_provider_get_bus(provider_));
    if (!gst_device_provider_start(provider_)) {
        qCWarning(lcCapture) << "Camera discovery could not start; no cameras are listed";
    }
    devices_ = listCameras();
}

void GstCameraDirectory::watchBus(GstBus* bus) {
    bus_ = bus;
    link_ = new BusLink;
    link_->target = this;
    // Messages arrive on GStreamer's threads: hand them to the main thread.
    gst_bus_set_sync_handler(bus_, onBusMessage, link_,
                             [](gpointer d) { delete static_cast<BusLink*>(d); });
}

GstCameraDirectory::~GstCameraDirectory() {
    if (monitor_) {
        gst_device_monitor_stop(monitor_);
    } else if (provider_) {
        gst_device_provider_stop(provider_);
    }
    if (bus_) {
        gst_bus_set_sync_handler(bus_, nullptr, nullptr, nullptr);
        gst_object_unref(bus_);
    }
    if (monitor_) {
        gst_object_unref(monitor_);
    }
    if (provider_) {
        gst_object_unref(provider_);
    }
}

GList* GstCameraDirectory::currentDevices() const {
    if (monitor_) {
        return gst_device_monitor_get_devices(monitor_);
    }
    return provider_ ? gst_device_provider_get_devices(provider_) : nullptr;
}

QList<AvailableCameraDevice> GstCameraDirectory::listCameras() const {
    return ordered(listDevices(currentDevices(), provider_ != nullptr));
}

void GstCameraDirectory::refresh() {
    if (link_) {
        link_->refreshQueued = false;
    }
    const QList<AvailableCameraDevice> now = listCameras();
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
    GList* list = currentDevices();
    GstDevice* match = nullptr;
    for (GList* l = list; l && !match; l = l->next) {
        auto* device = GST_DEVICE(l->data);
        if (GstCameraIdentity::cameraId(GstCameraIdentity::propertiesOf(device)) == id) {
            match = GST_DEVICE(gst_object_ref(device));
        }
    }
    g_list_free_full(list, gst_object_unref);
    return match;
}

}  // namespace mirelon
