// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraDirectory.h"

#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"

namespace mirelon {
namespace {
CameraDirectory* installedDirectory = nullptr;

std::function<CameraDirectory*()>& factory() {
    static std::function<CameraDirectory*()> f;
    return f;
}

class EmptyCameraDirectory final : public CameraDirectory {
public:
    QList<AvailableCameraDevice> devices() const override { return {}; }
};
// Applies the camera-access choice now and after every change of the
// preferences, for the life of the program.
void followAccessSetting(CameraDirectory& directory) {
    PreferencesFile& defaults = PreferencesFile::standard();
    directory.setAccess(CameraAccessSetting::effective(defaults));
    static ObserverToken observer = EventBus::shared().addObserver(
        Notifications::defaultsChanged, [&directory, &defaults](const Notification&) {
            directory.setAccess(CameraAccessSetting::effective(defaults));
        });
}
}  // namespace

CameraDirectory& CameraDirectory::shared() {
    if (installedDirectory) {
        return *installedDirectory;
    }
    static CameraDirectory* chosen = []() -> CameraDirectory* {
        if (factory()) {
            if (CameraDirectory* made = factory()()) {
                followAccessSetting(*made);
                return made;
            }
        }
        return new EmptyCameraDirectory();
    }();
    return *chosen;
}

void CameraDirectory::setShared(CameraDirectory* directory) {
    installedDirectory = directory;
}

void CameraDirectory::setFactory(std::function<CameraDirectory*()> make) {
    factory() = std::move(make);
}

namespace Utils {

QList<AvailableCameraDevice> getAvailableCameras() {
    return CameraDirectory::shared().devices();
}

QString getFirstAvailableCameraId() {
    const auto devices = getAvailableCameras();
    return devices.isEmpty() ? QString() : devices.first().id;
}

}  // namespace Utils
}  // namespace mirelon
