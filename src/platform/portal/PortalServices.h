// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the desktop portals offer the program, without their D-Bus types.

#include "platform/CameraPortal.h"
#include "shortcuts/HotKeyBackend.h"

#include <QString>

#include <functional>
#include <memory>

namespace mirelon {

// Global shortcuts served by `fallback` at once and bound by the desktop's
// GlobalShortcuts portal once it answers (it is asked without waiting); when
// it does not offer the interface, `noPortal` hears why and `fallback` stays.
std::shared_ptr<GlobalShortcuts::HotKeyBackend> portalHotKeysAfter(
    std::shared_ptr<GlobalShortcuts::HotKeyBackend> fallback,
    GlobalShortcuts::NamedBindingSource bindings,
    std::function<void(const QString& whyNot)> noPortal);

// The desktop's camera portal on the session bus.
CameraPortal* makePortalCamera();

}  // namespace mirelon
