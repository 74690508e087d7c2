// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstCameraDirectory.h"

#include "platform/gstreamer/GstPipeWireCameras.h"
#include "platform/qt/Logging.h"

#include <QFile>
#include <QHash>
#include <QMetaObject>
#include <QPointer>
#include <QRegularExpression>

#include <gst/gst.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
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

// udev's record of a device node: E:KEY=VALUE lines (empty when unknown).
QHash<QByteArray, QString> udevRecord(const QString& devicePath) {
    QHash<QByteArray, QString> out;
    struct stat st {};
    if (devicePath.isEmpty() || ::stat(QFile::encodeName(devicePath).constData(), &st) != 0) {
        return out;
    }
    QFile db(QStringLiteral("/run/udev/data/c%1:%2").arg(major(st.st_rdev)).arg(minor(st.st_rdev)));
    if (!db.open(QIODevice::ReadOnly)) {
        return out;
    }
    while (!db.atEnd()) {
        const QByteArray line = db.readLine(4096).trimmed();
        const qsizetype eq = line.indexOf('=');
        if (line.startsWith("E:") && eq > 2) {
            out.insert(line.mid(2, eq - 2), QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    return out;
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

using Entry = GstPipeWireCameras::Entry;

// Orders cameras by node, then id, and picks the default: the one a device
// names, else the first.
QList<Entry> ordered(QList<Entry> listed) {
    std::stable_sort(listed.begin(), listed.end(), [](const Entry& a, const Entry& b) {
        return a.order != b.order ? a.order < b.order : a.id < b.id;
    });
    return listed;
}

QList<AvailableCameraDevice> camerasOf(const QList<Entry>& listed) {
    const bool devicesSay = std::any_of(listed.begin(), listed.end(),
                                        [](const Entry& l) { return l.saysDefault.has_value(); });
    QList<AvailableCameraDevice> out;
    for (qsizetype i = 0; i < listed.size(); ++i) {
        const bool isDefault = devicesSay ? listed[i].saysDefault.value_or(false) : i == 0;
        out.append(AvailableCameraDevice{listed[i].id, listed[i].name, isDefault});
    }
    return out;
}

QList<GstDevice*> toList(GList* list) {
    QList<GstDevice*> out;
    for (GList* l = list; l; l = l->next) {
        out.append(GST_DEVICE(l->data));
    }
    g_list_free(list);  // the references move to the QList
    return out;
}

void release(const QList<GstDevice*>& devices) {
    for (GstDevice* d : devices) {
        gst_object_unref(d);
    }
}

// The cameras among `devices`: with `anyApi` every device is a direct one
// (a provider of its own); else V4L2 devices and PipeWire camera nodes, never
// grey-only ones. Each entry's handle is its index in `devices`.
void listDevices(const QList<GstDevice*>& devices, bool anyApi, QList<Entry>* direct,
                 QList<Entry>* nodes) {
    for (int i = 0; i < devices.size(); ++i) {
        GstDevice* device = devices[i];
        GstStructure* props = gst_device_get_properties(device);
        const bool node = !anyApi && GstPipeWireCameras::isNode(props);
        Entry entry;
        entry.handle = i;
        bool keep = false;
        if (node) {
            keep = GstPipeWireCameras::isCameraNode(props);
            entry.way = Entry::Way::pipewire;
            entry.devicePath = GstPipeWireCameras::devicePathOf(props);
            // Without the V4L2 listing of the same device (merge() gives the
            // node that id when there is one), the id is made from udev's
            // record of the device as the V4L2 listing makes it.
            entry.id = entry.devicePath.isEmpty()
                           ? GstPipeWireCameras::nodeId(
                                 QString::fromUtf8(gst_structure_get_string(props, "node.name")))
                           : GstCameraIdentity::cameraId(
                                 GstCameraIdentity::udevPropertiesOf(entry.devicePath));
        } else {
            const GstCameraIdentity::Properties p = GstCameraIdentity::propertiesOf(device);
            keep = anyApi || p.api == QLatin1String("v4l2");
            entry.devicePath = p.devicePath;
            entry.id = GstCameraIdentity::cameraId(p);
            gboolean isDefault = FALSE;
            if (props && gst_structure_get_boolean(props, "is-default", &isDefault)) {
                entry.saysDefault = isDefault != FALSE;
            }
        }
        if (props) {
            gst_structure_free(props);
        }
        if (!keep || offersOnlyGrey(device)) {
            continue;
        }
        gchar* name = gst_device_get_display_name(device);
        entry.name = QString::fromUtf8(name ? name : "");
        g_free(name);
        entry.order = GstCameraIdentity::deviceNodeNumber(entry.devicePath);
        (node ? nodes : direct)->append(entry);
    }
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

GstCameraIdentity::Properties GstCameraIdentity::udevPropertiesOf(const QString& devicePath) {
    const auto record = udevRecord(devicePath);
    Properties p;
    p.api = QStringLiteral("v4l2");
    p.devicePath = devicePath;
    p.serial = record.value("ID_SERIAL");
    p.busPath = record.value("ID_PATH");
    p.hasSerialShort = record.contains("ID_SERIAL_SHORT");
    return p;
}

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
        udevRecord(p.devicePath).contains("ID_SERIAL_SHORT");
    if (props) {
        gst_structure_free(props);
    }
    return p;
}

namespace {
// Devices of the remote connection carry its descriptor (plus one).
const char* const kRemoteFdKey = "mirelon-pipewire-fd";

bool runsPipeWire(GstDeviceMonitor* monitor) {
    gchar** names = gst_device_monitor_get_providers(monitor);
    bool found = false;
    for (gchar** n = names; n && *n && !found; ++n) {
        found = g_str_has_prefix(*n, "pipewire");
    }
    g_strfreev(names);
    return found;
}
}  // namespace

GstCameraDirectory::GstCameraDirectory(EventBus& center) : center_(center) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    monitor_ = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor_, "Video/Source", nullptr);
    gst_device_monitor_set_show_all_devices(monitor_, TRUE);
    bus_ = gst_device_monitor_get_bus(monitor_);
    link_ = watchBus(bus_);
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
    bus_ = gst_device_provider_get_bus(provider_);
    link_ = watchBus(bus_);
    if (!gst_device_provider_start(provider_)) {
        qCWarning(lcCapture) << "Camera discovery could not start; no cameras are listed";
    }
    devices_ = listCameras();
}

GstCameraDirectory::BusLink* GstCameraDirectory::watchBus(GstBus* bus) {
    auto* link = new BusLink;
    link->target = this;
    // Messages arrive on GStreamer's threads: hand them to the main thread.
    gst_bus_set_sync_handler(bus, onBusMessage, link,
                             [](gpointer d) { delete static_cast<BusLink*>(d); });
    return link;
}

GstCameraDirectory::~GstCameraDirectory() {
    if (monitor_ && runsPipeWire(monitor_)) {
        // Stopping a monitor that runs the PipeWire provider can corrupt the
        // heap once a PipeWire source existed in the process: such a monitor
        // is kept running (and its reference kept) for the process's life.
        gst_bus_set_sync_handler(bus_, nullptr, nullptr, nullptr);
        gst_object_unref(bus_);
        qCDebug(lcCapture) << "Camera monitor left running for the life of the process";
        return;
    }
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
    GList* list = nullptr;
    if (monitor_) {
        list = gst_device_monitor_get_devices(monitor_);
    } else if (provider_) {
        list = gst_device_provider_get_devices(provider_);
    }
    if (remoteProvider_) {
        GList* remote = gst_device_provider_get_devices(remoteProvider_);
        for (GList* l = remote; l; l = l->next) {
            g_object_set_data(G_OBJECT(l->data), kRemoteFdKey, GINT_TO_POINTER(remoteFd_ + 1));
        }
        list = g_list_concat(list, remote);
    }
    return list;
}

int GstCameraDirectory::remoteFdOf(GstDevice* device) {
    return device ? GPOINTER_TO_INT(g_object_get_data(G_OBJECT(device), kRemoteFdKey)) - 1 : -1;
}

void GstCameraDirectory::usePipeWireRemote(int fd) {
    if (fd < 0) {
        return;
    }
    if (remoteProvider_) {
        ::close(fd);
        return;
    }
    GstDeviceProviderFactory* factory = gst_device_provider_factory_find("pipewiredeviceprovider");
    GstPluginFeature* loaded =
        factory ? gst_plugin_feature_load(GST_PLUGIN_FEATURE(factory)) : nullptr;
    const GType type = loaded ? gst_device_provider_factory_get_device_provider_type(
                                    GST_DEVICE_PROVIDER_FACTORY(loaded))
                              : G_TYPE_INVALID;
    if (factory) {
        gst_object_unref(factory);
    }
    if (loaded) {
        gst_object_unref(loaded);
    }
    if (type == G_TYPE_INVALID) {
        qCWarning(lcCapture) << "GStreamer's PipeWire camera listing is missing "
                                "(gstreamer1.0-pipewire); the portal's cameras are not listed";
        ::close(fd);
        return;
    }
    // A provider of its own (not the monitor's), on the given connection.
    remoteProvider_ = GST_DEVICE_PROVIDER(gst_object_ref_sink(g_object_new(type, nullptr)));
    remoteFd_ = fd;
    g_object_set(remoteProvider_, "fd", fd, "client-name", "Mirelon", nullptr);
    GstBus* bus = gst_device_provider_get_bus(remoteProvider_);
    remoteLink_ = watchBus(bus);
    gst_object_unref(bus);
    if (!gst_device_provider_start(remoteProvider_)) {
        qCWarning(lcCapture) << "The portal's PipeWire connection lists no cameras";
    }
    refresh();
}

QList<GstPipeWireCameras::Entry> GstCameraDirectory::listEntries(
    const QList<GstDevice*>& devices) const {
    QList<Entry> direct;
    QList<Entry> nodes;
    listDevices(devices, provider_ != nullptr, &direct, &nodes);
    return ordered(GstPipeWireCameras::merge(direct, nodes, access_));
}

QList<AvailableCameraDevice> GstCameraDirectory::listCameras() const {
    const QList<GstDevice*> devices = toList(currentDevices());
    const auto cameras = camerasOf(listEntries(devices));
    release(devices);
    return cameras;
}

void GstCameraDirectory::setAccess(CameraAccess access) {
    const bool first = !accessApplied_;
    accessApplied_ = true;
    if (access != access_ || first) {
        access_ = access;
        qCInfo(lcCapture).noquote() << "Camera access:" << CameraAccessSetting::word(access);
        refresh();
    }
    if (first) {
        for (const auto& d : devices_) {
            qCInfo(lcCapture).noquote() << "Camera listed:" << d.name << d.id;
        }
        qCInfo(lcCapture) << "Camera listing ready";
    }
}

bool GstCameraDirectory::isPipeWireCamera(const QString& id) const {
    const QList<GstDevice*> devices = toList(currentDevices());
    bool pipewire = false;
    for (const Entry& e : listEntries(devices)) {
        if (e.id == id) {
            pipewire = e.way == Entry::Way::pipewire;
        }
    }
    release(devices);
    return pipewire;
}

void GstCameraDirectory::refresh() {
    for (BusLink* link : {link_, remoteLink_}) {
        if (link) {
            link->refreshQueued = false;
        }
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
    const QList<GstDevice*> devices = toList(currentDevices());
    GstDevice* match = nullptr;
    for (const Entry& e : listEntries(devices)) {
        if (e.id == id && !match) {
            match = GST_DEVICE(gst_object_ref(devices[e.handle]));
        }
    }
    release(devices);
    return match;
}

}  // namespace mirelon
