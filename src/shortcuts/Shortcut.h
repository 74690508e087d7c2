// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Key.h"
#include "shortcuts/Modifiers.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

class QKeyEvent;

namespace mirelon::GlobalShortcuts {

class Name;

// A key combination: a key code and the Carbon modifier bits
// (command 0x100, shift 0x200, option 0x800, control 0x1000).
struct Shortcut {
    std::int64_t carbonKeyCode = 0;
    std::int64_t carbonModifiers = 0;

    // Keeps the key code and only the four Carbon modifier bits.
    Shortcut(std::int64_t keyCode, std::int64_t modifiers);
    Shortcut(Key key, ModifierFlags modifiers);

    // From a key press or release: the key at the event's native (X11) key
    // code, Qt's modifiers converted. None for other events and for keys
    // outside the key table.
    static std::optional<Shortcut> fromEvent(const QKeyEvent& event);
    // The shortcut stored for the name (getShortcut).
    static std::optional<Shortcut> forName(const Name& name);

    // Serialised form: {"carbonKeyCode":0,"carbonModifiers":256}.
    QByteArray toJson() const;
    // Both members must be integers, in any order; they are taken verbatim
    // (no normalisation). None for anything else.
    static std::optional<Shortcut> fromJson(const QByteArray& json);
    // Used by decoding: no normalisation.
    static Shortcut verbatim(std::int64_t keyCode, std::int64_t modifiers);

    Key key() const { return Key(carbonKeyCode); }
    ModifierFlags modifiers() const { return modifierFlagsFromCarbon(carbonModifiers); }

    // The key's own text: the fixed display text of named keys (Return, F5,
    // Backspace, the localised "Space", ...) or the character the key gives on the current
    // keyboard layout without modifiers. None when there is no text.
    std::optional<QString> keyText() const;
    // The display text: the modifier names (Ctrl, Alt, Shift, Super, each with
    // "+") then the key text capitalised word by word, U+FFFD when there is no
    // key text. Example: Ctrl+Alt+Super+K.
    QString description() const;
    // The menu key-equivalent string: the key text when it is one character,
    // else " " for space and U+F704... for F1 to F20, else "".
    QString keyEquivalent() const;

    friend bool operator==(const Shortcut& a, const Shortcut& b) {
        return a.carbonKeyCode == b.carbonKeyCode && a.carbonModifiers == b.carbonModifiers;
    }

private:
    Shortcut() = default;
};

inline size_t qHash(const Shortcut& s, size_t seed = 0) {
    return ::qHashMulti(seed, s.carbonKeyCode, s.carbonModifiers);
}

// Capitalises every word: first letter upper case, the others lower case.
QString capitalizedWords(const QString& text);

}  // namespace mirelon::GlobalShortcuts

template <>
struct std::hash<mirelon::GlobalShortcuts::Shortcut> {
    size_t operator()(const mirelon::GlobalShortcuts::Shortcut& s) const noexcept {
        return std::hash<std::int64_t>()(s.carbonKeyCode) * 31 +
               std::hash<std::int64_t>()(s.carbonModifiers);
    }
};
