// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomeAccelerator.h"

#include "shortcuts/Key.h"
#include "shortcuts/Modifiers.h"

#include <QList>

#include <xkbcommon/xkbcommon.h>

#include <array>
#include <utility>

namespace mirelon::GnomeAccelerator {

namespace {

// Keys whose keysym does not depend on the layout, by evdev code.
constexpr std::array<std::pair<int, const char*>, 61> kFixedKeysyms{{
    {1, "Escape"},
    {14, "BackSpace"},
    {15, "Tab"},
    {28, "Return"},
    {57, "space"},
    {58, "Caps_Lock"},
    {59, "F1"},
    {60, "F2"},
    {61, "F3"},
    {62, "F4"},
    {63, "F5"},
    {64, "F6"},
    {65, "F7"},
    {66, "F8"},
    {67, "F9"},
    {68, "F10"},
    {87, "F11"},
    {88, "F12"},
    {183, "F13"},
    {184, "F14"},
    {185, "F15"},
    {186, "F16"},
    {187, "F17"},
    {188, "F18"},
    {189, "F19"},
    {190, "F20"},
    {69, "Num_Lock"},
    {71, "KP_7"},
    {72, "KP_8"},
    {73, "KP_9"},
    {74, "KP_Subtract"},
    {75, "KP_4"},
    {76, "KP_5"},
    {77, "KP_6"},
    {78, "KP_Add"},
    {79, "KP_1"},
    {80, "KP_2"},
    {81, "KP_3"},
    {82, "KP_0"},
    {83, "KP_Decimal"},
    {96, "KP_Enter"},
    {98, "KP_Divide"},
    {55, "KP_Multiply"},
    {117, "KP_Equal"},
    {102, "Home"},
    {103, "Up"},
    {104, "Page_Up"},
    {105, "Left"},
    {106, "Right"},
    {107, "End"},
    {108, "Down"},
    {109, "Page_Down"},
    {110, "Insert"},
    {111, "Delete"},
    {113, "XF86AudioMute"},
    {114, "XF86AudioLowerVolume"},
    {115, "XF86AudioRaiseVolume"},
    {138, "Help"},
    {119, "Pause"},
    {99, "Print"},
    {70, "Scroll_Lock"},
}};

std::optional<QString> fixedKeysym(int evdev) {
    for (const auto& [code, name] : kFixedKeysyms) {
        if (code == evdev) {
            return QString::fromLatin1(name);
        }
    }
    return std::nullopt;
}

// The keysym name of a single character, none for anything else.
std::optional<QString> keysymOfText(const QString& text) {
    const QList<uint> codePoints = text.toUcs4();
    if (codePoints.size() != 1 || codePoints.front() <= 0x20) {
        return std::nullopt;
    }
    const xkb_keysym_t keysym = xkb_utf32_to_keysym(codePoints.front());
    if (keysym == XKB_KEY_NoSymbol) {
        return std::nullopt;
    }
    char name[64] = {};
    if (xkb_keysym_get_name(keysym, name, sizeof name) <= 0) {
        return std::nullopt;
    }
    const QString result = QString::fromLatin1(name);
    // Only plain names: the shell reads "<Mod>name" and nothing else.
    for (const QChar c : result) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'_') {
            return std::nullopt;
        }
    }
    return result;
}

}  // namespace

std::optional<QString> fromShortcut(std::uint32_t keyCode, std::uint32_t carbonModifiers,
                                    const KeyTextSource& keyText) {
    const auto evdev = GlobalShortcuts::Key(keyCode).evdevCode();
    if (!evdev || *evdev + 8 > 255) {
        return std::nullopt;
    }
    std::optional<QString> key = fixedKeysym(*evdev);
    if (!key && keyText) {
        if (const auto text = keyText(keyCode)) {
            key = keysymOfText(text->toLower());
        }
    }
    if (!key) {
        key = QStringLiteral("0x%1").arg(*evdev + 8, 2, 16, QLatin1Char('0'));
    }
    QString accelerator;
    namespace Carbon = GlobalShortcuts::CarbonModifier;
    if (carbonModifiers & Carbon::control) {
        accelerator += QStringLiteral("<Control>");
    }
    if (carbonModifiers & Carbon::option) {
        accelerator += QStringLiteral("<Alt>");
    }
    if (carbonModifiers & Carbon::shift) {
        accelerator += QStringLiteral("<Shift>");
    }
    if (carbonModifiers & Carbon::command) {
        accelerator += QStringLiteral("<Super>");
    }
    return accelerator + *key;
}

}  // namespace mirelon::GnomeAccelerator
