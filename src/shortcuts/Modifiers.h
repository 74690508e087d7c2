// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <Qt>

#include <cstdint>

namespace mirelon::GlobalShortcuts {

// Modifier key flags in the program's own bit layout (the values the shortcut
// model was designed on). On X11 "command" is Super (Mod4), "option" is Alt
// (Mod1), "control" is Ctrl and "shift" is Shift.
namespace ModifierFlag {
inline constexpr std::uint64_t capsLock = 0x10000;
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;
inline constexpr std::uint64_t command = 0x100000;
inline constexpr std::uint64_t numericPad = 0x200000;
inline constexpr std::uint64_t help = 0x400000;
inline constexpr std::uint64_t function = 0x800000;
}  // namespace ModifierFlag

// The four modifier bits a stored shortcut may carry ("carbonModifiers").
namespace CarbonModifier {
inline constexpr std::int64_t command = 0x100;
inline constexpr std::int64_t shift = 0x200;
inline constexpr std::int64_t option = 0x800;
inline constexpr std::int64_t control = 0x1000;
inline constexpr std::int64_t all = command | shift | option | control;
}  // namespace CarbonModifier

using ModifierFlags = std::uint64_t;

// Flags to Carbon bits: the four rows that have a Carbon bit; every other flag is ignored.
std::int64_t carbonModifiers(ModifierFlags flags);
// Carbon bits to flags; bits other than the four are ignored.
ModifierFlags modifierFlagsFromCarbon(std::int64_t carbon);
// Keeps only the four Carbon bits.
inline std::int64_t normalizedCarbonModifiers(std::int64_t carbon) {
    return carbon & CarbonModifier::all;
}

// The names of the set flags in the fixed order Ctrl, Alt, Shift, Super, then
// Fn, each followed by "+" (never in the order of pressing): "Ctrl+Alt+".
QString presentableDescription(ModifierFlags flags);

// Qt's modifiers to flags: Ctrl is control, Alt option, Shift shift, Meta
// (Super on X11) command, Keypad the numeric pad flag.
ModifierFlags modifierFlagsFromQt(Qt::KeyboardModifiers modifiers);
// Flags to Qt's modifiers (caps lock and function have no Qt counterpart).
Qt::KeyboardModifiers toQtModifiers(ModifierFlags flags);

// X11 core modifier masks of the four modifiers.
std::uint16_t x11ModifierMask(std::int64_t carbon);
std::int64_t carbonModifiersFromX11(std::uint16_t state);

}  // namespace mirelon::GlobalShortcuts
