// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Shortcut.h"

#include <QString>

#include <optional>

namespace mirelon::GlobalShortcuts {

// A shortcut name: its raw value is the identifier the application binds
// actions to and the storage key "GlobalShortcuts_" + rawValue.
// Equality and hashing use the raw value only.
class Name {
public:
    // A name without default.
    explicit Name(QString rawValue);
    // A name with an optional default: when the store holds nothing under the
    // name's key, the default is stored (registered and announced) once.
    Name(QString rawValue, std::optional<Shortcut> defaultShortcut);

    const QString& rawValue() const { return rawValue_; }
    const std::optional<Shortcut>& defaultShortcut() const { return defaultShortcut_; }
    // "GlobalShortcuts_" + rawValue.
    QString storageKey() const;

    // Reads and writes through getShortcut / setShortcut.
    std::optional<Shortcut> shortcut() const;
    void setShortcut(const std::optional<Shortcut>& shortcut) const;

    friend bool operator==(const Name& a, const Name& b) { return a.rawValue_ == b.rawValue_; }

private:
    QString rawValue_;
    std::optional<Shortcut> defaultShortcut_;
};

inline size_t qHash(const Name& name, size_t seed = 0) {
    return ::qHash(name.rawValue(), seed);
}

}  // namespace mirelon::GlobalShortcuts
