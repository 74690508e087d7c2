// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Shortcut.h"

#include <QString>

#include <optional>

namespace mirelon::GlobalShortcuts {

// Shortcuts in the trigger format the desktop's global-shortcuts service
// takes: the modifiers CTRL, ALT, SHIFT and LOGO (Super) in that order, then
// the key's keysym name, joined by "+" ("CTRL+ALT+M", "ALT+LOGO+equal").
// Keys that have no keysym of their own (a modifier key alone, Fn, Caps Lock)
// or are outside the key table give none, with one log line naming the key.
std::optional<QString> portalTrigger(const Shortcut& shortcut);

// The shortcut in the accelerator syntax of GNOME's keyboard settings:
// <Control>, <Alt>, <Shift> and <Super> in that order, then the keysym name,
// letters in lower case ("<Control><Alt>m", "<Super>F9"). None as above.
std::optional<QString> desktopAccelerator(const Shortcut& shortcut);

// The keysym name of a key alone ("M", "equal", "Page_Up"); none as above, without logging.
std::optional<QString> portalKeyName(Key key);

// Whether a trigger text the desktop reports ("Ctrl+Alt+M", "CTRL+ALT+m",
// "Meta+=") names the same combination as the shortcut: modifier names and
// their order, letter case and the key's usual spellings do not matter.
bool portalTriggerMatches(const QString& reported, const Shortcut& shortcut);

}  // namespace mirelon::GlobalShortcuts
