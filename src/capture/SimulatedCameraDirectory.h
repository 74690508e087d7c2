// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CameraDirectory.h"
#include "capture/SimulatedCameraFolder.h"
#include "platform/qt/EventBus.h"

#include <QObject>

#include <optional>

namespace mirelon {

// Cameras simulated by the JSON files of a folder: creating a file connects a
// camera, deleting it disconnects it, changing its name renames it. The
// program lists them through the simulated device provider; this directory
// serves tests that drive the folder by hand.
class SimulatedCameraDirectory final : public QObject, public CameraDirectory {
    Q_OBJECT
public:
    explicit SimulatedCameraDirectory(QString folder, EventBus& center = EventBus::shared());
    ~SimulatedCameraDirectory() override;

    QList<AvailableCameraDevice> devices() const override;
    std::optional<SimulatedCameraFile> spec(const QString& id) const;
    QString folder() const { return folder_.folder(); }

    // Re-reads every file of the folder and posts what changed. Runs when the
    // folder itself appears or goes away; changes to single files re-read
    // those files alone.
    void rescan();
    // Re-reads the named entries of the folder (file names) and posts what changed.
    void rescanEntries(const QStringList& names);

private:
    void announce(const QMap<QString, SimulatedCameraFile>& previous);

    EventBus& center_;
    SimulatedCameraFolder folder_;
};

}  // namespace mirelon
