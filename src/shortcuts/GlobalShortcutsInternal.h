// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/Shortcut.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace mirelon {
class PreferencesFile;
}

namespace mirelon::GlobalShortcuts::Internal {

// The store the module reads and writes.
PreferencesFile& store();
// The hot-key service in use (created on first use).
HotKeyBackend& backend();
// The key's character on the current layout (the installed provider or the service's).
std::optional<QString> layoutKeyText(std::int64_t keyCode);
// While paused, presses of the program's own hot keys never reach the
// recorder as key events (the X server hands them to the hot-key connection):
// they are handed to this handler instead. Empty: dropped.
void setPausedKeyDownHandler(std::function<void(const Shortcut&)> handler);
// Writes the "Error registering hotkey <text>: <status>" line to standard output.
void reportRegistrationFailure(const Shortcut& shortcut, int status);

}  // namespace mirelon::GlobalShortcuts::Internal
