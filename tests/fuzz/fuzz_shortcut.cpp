// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes arbitrary bytes as a stored shortcut and formats whatever decodes.
#include "FuzzSupport.h"
#include "shortcuts/Shortcut.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using mirelon::GlobalShortcuts::Shortcut;
    mirelon::fuzz::defaults();
    const auto shortcut = Shortcut::fromJson(mirelon::fuzz::bytes(data, size));
    if (shortcut) {
        (void)shortcut->description();
        (void)shortcut->keyEquivalent();
        const auto again = Shortcut::fromJson(shortcut->toJson());
        if (!again || !(*again == *shortcut)) {
            std::abort();
        }
    }
    return 0;
}
