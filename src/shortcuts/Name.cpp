// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/Name.h"

#include "shortcuts/GlobalShortcuts.h"

namespace mirelon::GlobalShortcuts {

Name::Name(QString rawValue) : rawValue_(std::move(rawValue)) {
    initialize();
}

Name::Name(QString rawValue, std::optional<Shortcut> defaultShortcut)
    : rawValue_(std::move(rawValue)), defaultShortcut_(defaultShortcut) {
    if (defaultShortcut_ && !userDefaultsContains(*this)) {
        userDefaultsSet(*this, *defaultShortcut_);
    }
    initialize();
}

QString Name::storageKey() const {
    return storageKeyPrefix + rawValue_;
}

std::optional<Shortcut> Name::shortcut() const {
    return getShortcut(*this);
}

void Name::setShortcut(const std::optional<Shortcut>& shortcut) const {
    GlobalShortcuts::setShortcut(shortcut, *this);
}

}  // namespace mirelon::GlobalShortcuts
