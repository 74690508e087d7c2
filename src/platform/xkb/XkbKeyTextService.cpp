// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/xkb/XkbKeyTextService.h"

#include "shortcuts/Key.h"

namespace mirelon {

std::optional<QString> XkbKeyTextService::keyText(std::int64_t keyCode) const {
    const auto evdev = GlobalShortcuts::Key(keyCode).evdevCode();
    if (!defaultLayout_ || !evdev) {
        return std::nullopt;
    }
    // X11 key codes are evdev codes plus 8.
    return defaultLayout_->text(static_cast<std::uint32_t>(*evdev + 8));
}

}  // namespace mirelon
