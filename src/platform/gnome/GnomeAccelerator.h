// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace mirelon::GnomeAccelerator {

// The character a key (the shortcut model's key code) gives on the keyboard
// layout in use, without modifiers.
using KeyTextSource = std::function<std::optional<QString>(std::int64_t keyCode)>;

// A stored shortcut in the accelerator syntax GNOME Shell grabs:
// "<Control><Alt>m", "<Super>F9", "<Shift>KP_Add". Keys that give a
// character are named by the keysym of that character on the layout in use
// (so the shell finds the same physical key); keys without one by their
// fixed keysym name; any other key by its key code ("0x5e"). None for a key
// without a key code.
std::optional<QString> fromShortcut(std::uint32_t keyCode, std::uint32_t carbonModifiers,
                                    const KeyTextSource& keyText);

}  // namespace mirelon::GnomeAccelerator
