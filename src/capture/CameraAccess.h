// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace mirelon {

class PreferencesFile;

// How cameras are reached. Automatic: through the PipeWire session when it
// offers cameras (shared with other apps), else the V4L2 devices directly.
// PipeWire and direct force one way.
enum class CameraAccess { automatic, pipewire, direct };

namespace CameraAccessSetting {

// The stored key ("cameraAccess") and its words: "auto", "pipewire", "direct".
extern const QString key;
QString word(CameraAccess access);
// None for anything but the three words (case and spaces ignored).
std::optional<CameraAccess> parse(const QString& word);

// What the user chose in the settings; automatic when nothing (or an unknown
// word, which is logged) is stored.
CameraAccess stored(const PreferencesFile& defaults);
void store(PreferencesFile& defaults, CameraAccess access);

// MIRELON_CAMERA_ACCESS=auto|pipewire|direct when set to one of the words
// (an unknown word is logged and ignored), else the stored choice.
CameraAccess effective(const PreferencesFile& defaults);
// Whether the environment variable decides (the setting then has no effect).
bool forcedByEnvironment();

}  // namespace CameraAccessSetting
}  // namespace mirelon
