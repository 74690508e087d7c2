// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CameraDirectory.h"
#include "platform/gstreamer/GstPipeWireCameras.h"
#include "platform/qt/EventBus.h"

#include <QList>
#include <QObject>

typedef struct _GList GList;
typedef struct _GstBus GstBus;
typedef struct _GstDeviceMonitor GstDeviceMonitor;
typedef struct _GstDevice GstDevice;
typedef struct _GstDeviceProvider GstDeviceProvider;

namespace mirelon {

// The system's cameras, found with a GStreamer device monitor: V4L2 devices
// and the PipeWire session's camera nodes, one row per camera as the access
// choice says (GstPipeWireCameras::merge); cameras that offer only grey
// formats (infrared) are left out. Added, removed and changed devices become camera notifications,
// posted on the main thread. Cameras are listed by device node, then id; the
// default is the one a device says is ("is-default"), else the first.
class GstCameraDirectory final : public QObject, public CameraDirectory {
    Q_OBJECT
public:
    explicit GstCameraDirectory(EventBus& center = EventBus::shared());
    // The cameras of one device provider alone (whatever their api), which
    // this directory starts and owns; no other device is listed.
    explicit GstCameraDirectory(GstDeviceProvider* provider, EventBus& center = EventBus::shared());
    ~GstCameraDirectory() override;

    QList<AvailableCameraDevice> devices() const override { return devices_; }
    void setAccess(CameraAccess access) override;
    // Whether the listed camera with this id is reached through PipeWire.
    bool isPipeWireCamera(const QString& id) const;
    // The provider given at construction, or null for the device monitor.
    GstDeviceProvider* provider() const { return provider_; }

    // The device monitor's device for a camera id (a new reference), or null.
    GstDevice* createDeviceFor(const QString& id) const;

    // Lists the cameras of a PipeWire connection opened elsewhere (the camera
    // portal's), which the directory takes over, as PipeWire cameras beside
    // the monitor's; their sources stream through that connection. One
    // connection for the life of the process: later ones are closed.
    void usePipeWireRemote(int fd);
    bool hasPipeWireRemote() const { return remoteProvider_ != nullptr; }
    // The PipeWire connection a device of the directory streams through, or -1.
    static int remoteFdOf(GstDevice* device);

    // Runs on the main thread after the monitor reported a change.
    void refresh();

    struct BusLink;  // what the bus handler shares with the directory

private:
    BusLink* watchBus(GstBus* bus);
    // The devices listed now (new references).
    GList* currentDevices() const;
    QList<AvailableCameraDevice> listCameras() const;
    QList<GstPipeWireCameras::Entry> listEntries(const QList<GstDevice*>& devices) const;

    EventBus& center_;
    CameraAccess access_ = CameraAccess::automatic;
    bool accessApplied_ = false;
    GstDeviceMonitor* monitor_ = nullptr;
    GstDeviceProvider* provider_ = nullptr;
    GstBus* bus_ = nullptr;
    BusLink* link_ = nullptr;  // owned by the bus handler
    GstDeviceProvider* remoteProvider_ = nullptr;
    BusLink* remoteLink_ = nullptr;  // owned by the remote provider's bus handler
    int remoteFd_ = -1;
    QList<AvailableCameraDevice> devices_;
};

// Pieces of the camera listing that do not need a device, exposed for tests.
namespace GstCameraIdentity {
struct Properties {
    QString api;          // device.api
    QString devicePath;   // device.path / api.v4l2.path
    QString serial;       // device.serial (the by-id serial identity)
    QString busPath;      // device.bus_path
    bool hasSerialShort;  // the device reports a real serial number
};
// The properties udev recorded for a V4L2 device node, as the V4L2 listing
// reads them (ID_SERIAL, ID_PATH, ID_SERIAL_SHORT); only the path when there
// is no record.
Properties udevPropertiesOf(const QString& devicePath);
// The properties of a device; a device may vouch for its own serial number
// ("device.serial.unique"), else udev's record of its node decides.
Properties propertiesOf(GstDevice* device);
// The camera's id: its serial identity when it has a real serial number, else
// the serial identity plus the USB port path, else the device path.
QString cameraId(const Properties& p);
// The number N of /dev/videoN, or a large number when there is none.
int deviceNodeNumber(const QString& devicePath);
}  // namespace GstCameraIdentity

}  // namespace mirelon
