// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomeAccelerator.h"
#include "platform/gnome/GnomeShellBridge.h"
#include "platform/xkb/XkbKeyText.h"
#include "shortcuts/Key.h"
#include "shortcuts/Modifiers.h"

#include <gtest/gtest.h>

#include <memory>

namespace mirelon {
namespace {

using GlobalShortcuts::Key;
namespace Carbon = GlobalShortcuts::CarbonModifier;

GnomeAccelerator::KeyTextSource layout(const char* name) {
    std::shared_ptr<XkbKeyText> keymap{XkbKeyText::fromNames(name)};
    return [keymap](std::int64_t code) -> std::optional<QString> {
        const auto evdev = Key(code).evdevCode();
        if (!keymap || !evdev) {
            return std::nullopt;
        }
        return keymap->text(static_cast<std::uint32_t>(*evdev + 8));
    };
}

std::optional<QString> accel(Key key, std::int64_t carbon,
                             const GnomeAccelerator::KeyTextSource& text) {
    return GnomeAccelerator::fromShortcut(static_cast<std::uint32_t>(key.rawValue),
                                          static_cast<std::uint32_t>(carbon), text);
}

TEST(GnomeAccelerator, ModifiersAndKeysInTheShellsSyntax) {
    const auto us = layout("us");
    EXPECT_EQ(accel(Key::m, Carbon::control | Carbon::option, us),
              QStringLiteral("<Control><Alt>m"));
    EXPECT_EQ(accel(Key::f9, Carbon::command, us), QStringLiteral("<Super>F9"));
    EXPECT_EQ(accel(Key::keypadPlus, Carbon::shift, us), QStringLiteral("<Shift>KP_Add"));
    EXPECT_EQ(accel(Key::k, Carbon::all, us), QStringLiteral("<Control><Alt><Shift><Super>k"));
    EXPECT_EQ(accel(Key::upArrow, Carbon::control, us), QStringLiteral("<Control>Up"));
    EXPECT_EQ(accel(Key::returnKey, Carbon::option, us), QStringLiteral("<Alt>Return"));
    EXPECT_EQ(accel(Key::space, Carbon::control, us), QStringLiteral("<Control>space"));
    EXPECT_EQ(accel(Key::escape, 0, us), QStringLiteral("Escape"));
    EXPECT_EQ(accel(Key::comma, Carbon::control, us), QStringLiteral("<Control>comma"));
    EXPECT_EQ(accel(Key::leftBracket, Carbon::control, us), QStringLiteral("<Control>bracketleft"));
    EXPECT_EQ(accel(Key::seven, Carbon::control, us), QStringLiteral("<Control>7"));
}

TEST(GnomeAccelerator, CharacterKeysFollowTheLayoutSoTheSamePhysicalKeyIsGrabbed) {
    // The key right of T gives "z" on a German layout: the shell looks the
    // keysym up in that layout and finds the same key.
    EXPECT_EQ(accel(Key::y, Carbon::control, layout("de")), QStringLiteral("<Control>z"));
    EXPECT_EQ(accel(Key::y, Carbon::control, layout("us")), QStringLiteral("<Control>y"));
    // Fixed keys do not depend on the layout.
    EXPECT_EQ(accel(Key::f2, 0, layout("de")), QStringLiteral("F2"));
}

TEST(GnomeAccelerator, KeysWithoutANameGoByKeyCodeAndKeysWithoutACodeAreRefused) {
    const GnomeAccelerator::KeyTextSource none = [](std::int64_t) { return std::nullopt; };
    // "a" is evdev 30, X key code 38.
    EXPECT_EQ(accel(Key::a, Carbon::control, none), QStringLiteral("<Control>0x26"));
    EXPECT_EQ(accel(Key::a, Carbon::control, {}), QStringLiteral("<Control>0x26"));
    // Text that is no plain keysym name is not used.
    const GnomeAccelerator::KeyTextSource odd = [](std::int64_t) { return QStringLiteral("ab"); };
    EXPECT_EQ(accel(Key::a, 0, odd), QStringLiteral("0x26"));
    EXPECT_FALSE(accel(Key(0x7777), Carbon::control, none).has_value());
    EXPECT_FALSE(accel(Key::function, Carbon::control, none).has_value());  // beyond X key codes
}

TEST(GnomeShellVersion, InputShapeFaultBefore44Point2) {
    EXPECT_TRUE(GnomeShellBridge::hasInputShapeFault(QStringLiteral("43.9")));
    EXPECT_TRUE(GnomeShellBridge::hasInputShapeFault(QStringLiteral("44.1")));
    EXPECT_TRUE(GnomeShellBridge::hasInputShapeFault(QStringLiteral("44.beta")));
    EXPECT_FALSE(GnomeShellBridge::hasInputShapeFault(QStringLiteral("44.2")));
    EXPECT_FALSE(GnomeShellBridge::hasInputShapeFault(QStringLiteral("45.0")));
    EXPECT_FALSE(GnomeShellBridge::hasInputShapeFault(QStringLiteral("47")));
    EXPECT_FALSE(GnomeShellBridge::hasInputShapeFault(QString()));
    EXPECT_FALSE(GnomeShellBridge::hasInputShapeFault(QStringLiteral("garbage")));
}

}  // namespace
}  // namespace mirelon
