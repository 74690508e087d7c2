// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the desktop portals offer the program, without their D-Bus types.

#include "platform/CameraPortal.h"
#include "shortcuts/HotKeyBackend.h"

#include <QString>

#include <memory>

namespace mirelon {

// Global shortcuts bound by the desktop's GlobalShortcuts portal; none when the
// portal does not offer the interface, with the reason in *whyNot.
std::shared_ptr<GlobalShortcuts::HotKeyBackend> connectPortalHotKeys(
    GlobalShortcuts::NamedBindingSource bindings, QString* whyNot);

// The desktop's camera portal on the session bus.
CameraPortal* makePortalCamera();

}  // namespace mirelon
