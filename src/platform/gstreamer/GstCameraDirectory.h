// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CameraDirectory.h"
#include "platform/qt/EventBus.h"

#include <QList>
#include <QObject>

typedef struct _GList GList;
typedef struct _GstBus GstBus;
typedef struct _GstDeviceMonitor GstDeviceMonitor;
typedef struct _GstDevice GstDevice;
typedef struct _GstDeviceProvider GstDeviceProvider;

namespace mirelon {

// The system's cameras, found with a GStreamer device monitor. Only V4L2
// video sources are kept; cameras that offer only grey formats (infrared) are
// left out. Added, removed and changed devices become camera notifications,
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
    // The provider given at construction, or null for the device monitor.
    GstDeviceProvider* provider() const { return provider_; }

    // The device monitor's device for a camera id (a new reference), or null.
    GstDevice* createDeviceFor(const QString& id) const;

    // Runs on the main thread after the monitor reported a change.
    void refresh();

    struct BusLink;  // what the bus handler shares with the directory

private:
    void watchBus(GstBus* bus);
    // The devices listed now (new references).
    GList* currentDevices() const;
    QList<AvailableCameraDevice> listCameras() const;

    EventBus& center_;
    GstDeviceMonitor* monitor_ = nullptr;
    GstDeviceProvider* provider_ = nullptr;
    GstBus* bus_ = nullptr;
    BusLink* link_ = nullptr;  // owned by the bus handler
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
