// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CameraDirectory.h"
#include "platform/NotificationCenter.h"

#include <QList>
#include <QObject>

typedef struct _GstDeviceMonitor GstDeviceMonitor;
typedef struct _GstDevice GstDevice;

namespace mirelon {

// The system's cameras, found with a GStreamer device monitor. Only V4L2
// video sources are kept; cameras that offer only grey formats (infrared) are
// left out. Added and removed devices become camera notifications, posted on
// the main thread.
class GstCameraDirectory final : public QObject, public CameraDirectory {
    Q_OBJECT
public:
    explicit GstCameraDirectory(NotificationCenter& center = NotificationCenter::defaultCenter());
    ~GstCameraDirectory() override;

    QList<AvailableCameraDevice> devices() const override { return devices_; }

    // The device monitor's device for a camera id (a new reference), or null.
    GstDevice* createDeviceFor(const QString& id) const;

    // Runs on the main thread after the monitor reported a change.
    void refresh();

private:
    NotificationCenter& center_;
    GstDeviceMonitor* monitor_ = nullptr;
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
// The camera's id: its serial identity when it has a real serial number, else
// the serial identity plus the USB port path, else the device path.
QString cameraId(const Properties& p);
// The number N of /dev/videoN, or a large number when there is none.
int deviceNodeNumber(const QString& devicePath);
}  // namespace GstCameraIdentity

}  // namespace mirelon
