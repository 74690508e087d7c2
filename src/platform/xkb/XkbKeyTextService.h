// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/xkb/XkbKeyText.h"
#include "shortcuts/HotKeyBackend.h"

#include <memory>

namespace mirelon {

// Stands in where no program may grab keys and no desktop service binds them
// (no X server, no portal): nothing can be registered, and key texts come
// from the system's default keyboard layout since there is no current one to
// ask.
class XkbKeyTextService final : public GlobalShortcuts::UnavailableHotKeyBackend {
public:
    std::optional<QString> keyText(std::int64_t keyCode) const override;

private:
    std::unique_ptr<XkbKeyText> defaultLayout_ = XkbKeyText::fromNames();
};

}  // namespace mirelon
