// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShortcutsTestSupport.h"

#include "shortcuts/ShortcutTexts.h"

#include <QKeyEvent>

namespace mirelon::GlobalShortcuts {
namespace {

using testing::kCtrlOptCmdK;
using testing::ShortcutsTest;

TEST(ShortcutValue, DecodesMembersInEitherOrderVerbatim) {
    const auto a = Shortcut::fromJson(R"({"carbonKeyCode":0,"carbonModifiers":256})");
    const auto b = Shortcut::fromJson(R"({"carbonModifiers":256,"carbonKeyCode":0})");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(*a, Shortcut(Key::a, ModifierFlag::command));
    EXPECT_EQ(*a, *b);
    // Decoding keeps foreign bits; constructing drops them.
    const auto raw = Shortcut::fromJson(R"({"carbonKeyCode":40,"carbonModifiers":66047})");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->carbonModifiers, 66047);
    EXPECT_EQ(Shortcut(40, 66047).carbonModifiers, 0x100);
}

TEST(ShortcutValue, RejectsMalformedJson) {
    for (const char* text :
         {"", "{}", "[0,256]", R"({"carbonKeyCode":0})", R"({"carbonModifiers":256})",
          R"({"carbonKeyCode":"0","carbonModifiers":256})",
          R"({"carbonKeyCode":0.5,"carbonModifiers":256})",
          R"({"carbonKeyCode":1e300,"carbonModifiers":256})",
          R"({"carbonKeyCode":true,"carbonModifiers":256})", "{\"carbonKeyCode\":0,"}) {
        EXPECT_FALSE(Shortcut::fromJson(text).has_value()) << text;
    }
}

TEST(ShortcutValue, EncodesCompactly) {
    EXPECT_EQ(Shortcut(Key::a, ModifierFlag::command).toJson(),
              R"({"carbonKeyCode":0,"carbonModifiers":256})");
    const Shortcut s(Key::f5, ModifierFlag::shift | ModifierFlag::control);
    EXPECT_EQ(Shortcut::fromJson(s.toJson()), s);
}

TEST(ShortcutValue, ModifierConversionsKeepOnlyTheFourModifiers) {
    const ModifierFlags all = ModifierFlag::capsLock | ModifierFlag::shift | ModifierFlag::control |
                              ModifierFlag::option | ModifierFlag::command |
                              ModifierFlag::numericPad | ModifierFlag::function;
    EXPECT_EQ(carbonModifiers(all), 0x1B00);
    EXPECT_EQ(modifierFlagsFromCarbon(0xFFFF), ModifierFlag::shift | ModifierFlag::control |
                                                   ModifierFlag::option | ModifierFlag::command);
    EXPECT_EQ(Shortcut(Key::k, all).modifiers() & ModifierFlag::function, 0u);
    // Fixed order whatever the bits: Ctrl, Alt, Shift, Super, then Fn.
    EXPECT_EQ(presentableDescription(all), QStringLiteral("Ctrl+Alt+Shift+Super+Fn+"));
    EXPECT_EQ(presentableDescription(ModifierFlag::command | ModifierFlag::option),
              QStringLiteral("Alt+Super+"));
    EXPECT_EQ(presentableDescription(ModifierFlag::capsLock), QString());
}

TEST(ShortcutValue, FromKeyEventUsesTheNativeKeyCodeAndDropsLockModifiers) {
    // K is evdev 37, X11 key code 45.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_K,
                    Qt::ControlModifier | Qt::ShiftModifier | Qt::KeypadModifier, 45, 0,
                    0x4 | 0x1 | 0x2 /* caps lock held */);
    const auto s = Shortcut::fromEvent(press);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->key(), Key::k);
    EXPECT_EQ(s->carbonModifiers, CarbonModifier::control | CarbonModifier::shift);

    QKeyEvent meta(QEvent::KeyRelease, Qt::Key_F1, Qt::MetaModifier | Qt::AltModifier, 67, 0, 0);
    EXPECT_EQ(Shortcut::fromEvent(meta),
              Shortcut(Key::f1, ModifierFlag::command | ModifierFlag::option));
    // Keys outside the table (Print: evdev 99) and other events give no shortcut.
    QKeyEvent print(QEvent::KeyPress, Qt::Key_Print, Qt::ControlModifier, 107, 0, 0);
    EXPECT_FALSE(Shortcut::fromEvent(print));
    QKeyEvent other(QEvent::ShortcutOverride, Qt::Key_K, Qt::ControlModifier, 45, 0, 0);
    EXPECT_FALSE(Shortcut::fromEvent(other));
}

TEST(KeyTable, EveryNamedKeyMapsToADistinctEvdevCodeAndBack) {
    const Key named[] = {Key::a,
                         Key::b,
                         Key::c,
                         Key::d,
                         Key::e,
                         Key::f,
                         Key::g,
                         Key::h,
                         Key::i,
                         Key::j,
                         Key::k,
                         Key::l,
                         Key::m,
                         Key::n,
                         Key::o,
                         Key::p,
                         Key::q,
                         Key::r,
                         Key::s,
                         Key::t,
                         Key::u,
                         Key::v,
                         Key::w,
                         Key::x,
                         Key::y,
                         Key::z,
                         Key::zero,
                         Key::one,
                         Key::two,
                         Key::three,
                         Key::four,
                         Key::five,
                         Key::six,
                         Key::seven,
                         Key::eight,
                         Key::nine,
                         Key::capsLock,
                         Key::shift,
                         Key::function,
                         Key::control,
                         Key::option,
                         Key::command,
                         Key::rightCommand,
                         Key::rightOption,
                         Key::rightControl,
                         Key::rightShift,
                         Key::returnKey,
                         Key::backslash,
                         Key::backtick,
                         Key::comma,
                         Key::equal,
                         Key::minus,
                         Key::period,
                         Key::quote,
                         Key::semicolon,
                         Key::slash,
                         Key::space,
                         Key::tab,
                         Key::leftBracket,
                         Key::rightBracket,
                         Key::pageUp,
                         Key::pageDown,
                         Key::home,
                         Key::end,
                         Key::upArrow,
                         Key::rightArrow,
                         Key::downArrow,
                         Key::leftArrow,
                         Key::escape,
                         Key::deleteKey,
                         Key::deleteForward,
                         Key::help,
                         Key::mute,
                         Key::volumeUp,
                         Key::volumeDown,
                         Key::f1,
                         Key::f2,
                         Key::f3,
                         Key::f4,
                         Key::f5,
                         Key::f6,
                         Key::f7,
                         Key::f8,
                         Key::f9,
                         Key::f10,
                         Key::f11,
                         Key::f12,
                         Key::f13,
                         Key::f14,
                         Key::f15,
                         Key::f16,
                         Key::f17,
                         Key::f18,
                         Key::f19,
                         Key::f20,
                         Key::keypad0,
                         Key::keypad1,
                         Key::keypad2,
                         Key::keypad3,
                         Key::keypad4,
                         Key::keypad5,
                         Key::keypad6,
                         Key::keypad7,
                         Key::keypad8,
                         Key::keypad9,
                         Key::keypadClear,
                         Key::keypadDecimal,
                         Key::keypadDivide,
                         Key::keypadEnter,
                         Key::keypadEquals,
                         Key::keypadMinus,
                         Key::keypadMultiply,
                         Key::keypadPlus};
    std::set<int> evdevCodes;
    std::set<std::int64_t> rawValues;
    for (const Key key : named) {
        const auto evdev = key.evdevCode();
        ASSERT_TRUE(evdev) << key.rawValue;
        EXPECT_TRUE(evdevCodes.insert(*evdev).second) << "duplicate evdev " << *evdev;
        EXPECT_TRUE(rawValues.insert(key.rawValue).second) << "duplicate key " << key.rawValue;
        EXPECT_EQ(Key::fromEvdevCode(*evdev), key);
        EXPECT_EQ(Key::fromX11KeyCode(*evdev + 8), key);
    }
    EXPECT_EQ(rawValues.size(), 113u);
    // The fixed codes other tools rely on.
    EXPECT_EQ(Key::a.rawValue, 0);
    EXPECT_EQ(Key::returnKey.rawValue, 36);
    EXPECT_EQ(Key::space.rawValue, 49);
    EXPECT_EQ(Key::escape.rawValue, 53);
    EXPECT_EQ(Key::f1.rawValue, 122);
    EXPECT_EQ(Key::deleteKey.evdevCode(), 14);       // Backspace
    EXPECT_EQ(Key::deleteForward.evdevCode(), 111);  // Delete
    EXPECT_EQ(Key::help.evdevCode(), 110);           // Insert
    EXPECT_FALSE(Key::fromEvdevCode(99));            // Print
    EXPECT_FALSE(Key::fromX11KeyCode(3));
    EXPECT_FALSE(Key(500).evdevCode());
}

TEST_F(ShortcutsTest, DisplayTexts) {
    EXPECT_EQ(kCtrlOptCmdK.description(), QStringLiteral("Ctrl+Alt+Super+K"));
    const Shortcut shiftCmdF1(Key::f1, ModifierFlag::shift | ModifierFlag::command);
    EXPECT_EQ(shiftCmdF1.description(), QStringLiteral("Shift+Super+F1"));
    EXPECT_EQ(Shortcut(Key::l, ModifierFlag::control | ModifierFlag::option | ModifierFlag::shift)
                  .description(),
              QStringLiteral("Ctrl+Alt+Shift+L"));
    EXPECT_EQ(Shortcut(Key::equal, ModifierFlag::option | ModifierFlag::command).description(),
              QStringLiteral("Alt+Super+="));
    EXPECT_EQ(Shortcut(Key::space, ModifierFlag::control).description(),
              QStringLiteral("Ctrl+Space"));
    EXPECT_EQ(Shortcut(Key::returnKey, ModifierFlag::option).description(),
              QStringLiteral("Alt+Return"));
    EXPECT_EQ(Shortcut(Key::deleteKey, ModifierFlag::control).description(),
              QStringLiteral("Ctrl+Backspace"));
    EXPECT_EQ(Shortcut(Key::deleteForward, 0).description(), QStringLiteral("Delete"));
    EXPECT_EQ(Shortcut(Key::pageDown, ModifierFlag::shift).description(),
              QStringLiteral("Shift+Page Down"));
    EXPECT_EQ(Shortcut(Key::escape, 0).description(), QStringLiteral("Esc"));
    EXPECT_EQ(Shortcut(Key::keypad7, ModifierFlag::control).description(),
              QStringLiteral("Ctrl+Num 7"));
    EXPECT_EQ(Shortcut(Key::keypadPlus, 0).description(), QStringLiteral("Num +"));
    EXPECT_EQ(Shortcut(Key::help, 0).description(), QStringLiteral("Insert"));
    EXPECT_EQ(Shortcut(Key::f20, 0).description(), QStringLiteral("F20"));
    EXPECT_EQ(Shortcut(Key::slash, ModifierFlag::command).description(), QStringLiteral("Super+/"));
    // No table row and no layout text: the replacement character.
    EXPECT_EQ(Shortcut(200, CarbonModifier::command | CarbonModifier::control).description(),
              QString::fromUtf16(u"Ctrl+Super+\uFFFD"));
    // No other platform's key signs in any display text.
    for (std::int64_t code = 0; code < 128; ++code) {
        const QString text =
            Shortcut(code, CarbonModifier::all).description() + Shortcut(code, 0).description();
        for (const char16_t sign : {u'\u2318', u'\u2303', u'\u2325', u'\u21E7', u'\u21A9',
                                    u'\u232B', u'\u20E3', u'\u20DD'}) {
            EXPECT_FALSE(text.contains(QChar(sign))) << code << ": " << text.toStdString();
        }
    }
}

TEST_F(ShortcutsTest, WithoutAnXServerTextsComeFromTheDefaultLayout) {
    if (!qEnvironmentVariableIsEmpty("XKB_DEFAULT_LAYOUT")) {
        GTEST_SKIP() << "a default layout other than the built-in one is configured";
    }
    setHotKeyBackend(nullptr);  // the offscreen platform: no X server
    setKeyTextProvider({});
    EXPECT_EQ(kCtrlOptCmdK.description(), QStringLiteral("Ctrl+Alt+Super+K"));
    EXPECT_EQ(Shortcut(200, 0).description(), QString(QChar(0xFFFD)));
}

TEST_F(ShortcutsTest, KeyEquivalents) {
    const Shortcut shiftCmdF1(Key::f1, ModifierFlag::shift | ModifierFlag::command);
    EXPECT_EQ(shiftCmdF1.keyEquivalent(), QString(QChar(0xF704)));
    EXPECT_EQ(Shortcut(Key::f20, 0).keyEquivalent(), QString(QChar(0xF717)));
    EXPECT_EQ(Shortcut(Key::space, ModifierFlag::shift | ModifierFlag::command).keyEquivalent(),
              QStringLiteral(" "));
    EXPECT_EQ(kCtrlOptCmdK.keyEquivalent(), QStringLiteral("k"));
    // Keys named by a word have no one-character equivalent.
    EXPECT_EQ(Shortcut(Key::upArrow, 0).keyEquivalent(), QString());
    EXPECT_EQ(Shortcut(Key::keypad1, 0).keyEquivalent(), QString());
    EXPECT_EQ(Shortcut(200, 0).keyEquivalent(), QString());
    // One character made of two code units (a layout's key text) is still one character.
    setKeyTextProvider([](std::int64_t) { return QString::fromUtf16(u"e\u0301"); });
    EXPECT_EQ(Shortcut(Key::e, 0).keyEquivalent(), QString::fromUtf16(u"e\u0301"));
}

TEST(ShortcutText, CapitalizesEveryWord) {
    EXPECT_EQ(capitalizedWords(QStringLiteral("a")), QStringLiteral("A"));
    EXPECT_EQ(capitalizedWords(QStringLiteral("space bar")), QStringLiteral("Space Bar"));
    EXPECT_EQ(capitalizedWords(QStringLiteral("SPACE")), QStringLiteral("Space"));
    EXPECT_EQ(capitalizedWords(QString()), QString());
}

TEST(XkbKeyText, FollowsTheLayout) {
    const auto us = XkbKeyText::fromNames("us");
    const auto de = XkbKeyText::fromNames("de");
    ASSERT_TRUE(us && de);
    const auto x11 = [](Key key) { return static_cast<std::uint32_t>(*key.evdevCode() + 8); };
    EXPECT_EQ(us->text(x11(Key::y)), QStringLiteral("y"));
    EXPECT_EQ(de->text(x11(Key::y)), QStringLiteral("z"));
    EXPECT_EQ(us->text(x11(Key::semicolon)), QStringLiteral(";"));
    EXPECT_EQ(de->text(x11(Key::semicolon)), QString::fromUtf16(u"\u00F6"));
    // Keys without a printable character have no text.
    EXPECT_FALSE(us->text(x11(Key::escape)));
    EXPECT_FALSE(us->text(x11(Key::shift)));
    EXPECT_FALSE(us->text(2000));
}

}  // namespace
}  // namespace mirelon::GlobalShortcuts

namespace mirelon::GlobalShortcuts {
namespace {

TEST(ShortcutTexts, EveryKeyOfTheModuleHasAnEnglishText) {
    for (const char* key :
         {"space_key", "record_shortcut", "press_shortcut", "keyboard_shortcut_used_by_menu_item",
          "keyboard_shortcut_disallowed", "keyboard_shortcut_used_by_system",
          "keyboard_shortcuts_can_be_changed", "ok", "force_use_shortcut"}) {
        const QString text = localizedText(QString::fromLatin1(key));
        EXPECT_FALSE(text.isEmpty()) << key;
        EXPECT_NE(text, QString::fromLatin1(key)) << key;
    }
    EXPECT_TRUE(localizedText(QStringLiteral("keyboard_shortcut_used_by_menu_item"))
                    .contains(QStringLiteral("%1")));
    EXPECT_EQ(localizedText(QStringLiteral("no_such_key")), QStringLiteral("no_such_key"));
}

}  // namespace
}  // namespace mirelon::GlobalShortcuts
