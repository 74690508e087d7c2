// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/SimulatedCameraDirectory.h"

#include "platform/qt/Logging.h"

namespace mirelon {

SimulatedCameraDirectory::SimulatedCameraDirectory(QString folder, EventBus& center)
    : center_(center), folder_(std::move(folder)) {
    // The initial list is the starting state, not a connection.
    connect(&folder_, &SimulatedCameraFolder::camerasChanged, this,
            &SimulatedCameraDirectory::announce);
}

SimulatedCameraDirectory::~SimulatedCameraDirectory() = default;

QList<AvailableCameraDevice> SimulatedCameraDirectory::devices() const {
    QList<AvailableCameraDevice> out;
    for (const auto& spec : folder_.cameras()) {
        out.append(AvailableCameraDevice{spec.id, spec.name, spec.isDefault});
    }
    return out;
}

std::optional<SimulatedCameraFile> SimulatedCameraDirectory::spec(const QString& id) const {
    const auto it = folder_.cameras().find(id);
    if (it == folder_.cameras().end()) {
        return std::nullopt;
    }
    return *it;
}

void SimulatedCameraDirectory::rescan() {
    folder_.rescan();
}

void SimulatedCameraDirectory::rescanEntries(const QStringList& names) {
    folder_.rescanEntries(names);
}

void SimulatedCameraDirectory::announce(const QMap<QString, SimulatedCameraFile>& previous) {
    const auto& found = folder_.cameras();
    for (auto it = previous.begin(); it != previous.end(); ++it) {
        if (!found.contains(it.key())) {
            qCInfo(lcCapture).noquote() << "Camera disconnected:" << it->name << it.key();
            center_.post(Notifications::cameraDisconnected, it.key());
        }
    }
    for (auto it = found.begin(); it != found.end(); ++it) {
        if (!previous.contains(it.key())) {
            qCInfo(lcCapture).noquote() << "Camera connected:" << it->name << it.key();
            center_.post(Notifications::cameraConnected, it.key());
        } else if (previous.value(it.key()) != *it) {
            center_.post(Notifications::cameraChanged, it.key());
        }
    }
}

}  // namespace mirelon
