// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraAccess.h"

#include "platform/files/PreferencesFile.h"
#include "platform/qt/Logging.h"

namespace mirelon::CameraAccessSetting {

const QString key = QStringLiteral("cameraAccess");

namespace {
const char* const kVariable = "MIRELON_CAMERA_ACCESS";

std::optional<CameraAccess> fromEnvironment() {
    const QString value = qEnvironmentVariable(kVariable);
    if (value.isEmpty()) {
        return std::nullopt;
    }
    const auto access = parse(value);
    if (!access) {
        static bool logged = false;
        if (!logged) {
            logged = true;
            qCWarning(lcCapture).noquote()
                << "Ignoring MIRELON_CAMERA_ACCESS=" + value + " (auto, pipewire or direct)";
        }
    }
    return access;
}
}  // namespace

QString word(CameraAccess access) {
    switch (access) {
        case CameraAccess::pipewire:
            return QStringLiteral("pipewire");
        case CameraAccess::direct:
            return QStringLiteral("direct");
        case CameraAccess::automatic:
            break;
    }
    return QStringLiteral("auto");
}

std::optional<CameraAccess> parse(const QString& text) {
    const QString w = text.trimmed().toLower();
    for (CameraAccess a : {CameraAccess::automatic, CameraAccess::pipewire, CameraAccess::direct}) {
        if (w == word(a)) {
            return a;
        }
    }
    return std::nullopt;
}

CameraAccess stored(const PreferencesFile& defaults) {
    const auto value = defaults.stringValue(key);
    if (!value) {
        return CameraAccess::automatic;
    }
    const auto access = parse(*value);
    if (!access) {
        qCWarning(lcCapture).noquote() << "Unknown camera access" << *value << "read as automatic";
        return CameraAccess::automatic;
    }
    return *access;
}

void store(PreferencesFile& defaults, CameraAccess access) {
    defaults.setString(key, word(access));
}

CameraAccess effective(const PreferencesFile& defaults) {
    return fromEnvironment().value_or(stored(defaults));
}

bool forcedByEnvironment() {
    return fromEnvironment().has_value();
}

}  // namespace mirelon::CameraAccessSetting
