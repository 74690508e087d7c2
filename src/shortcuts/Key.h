// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>

#include <cstdint>
#include <functional>
#include <optional>

namespace mirelon::GlobalShortcuts {

// A physical key, named by its virtual key code. The codes are the ones the
// stored shortcuts carry ({"carbonKeyCode": ...}); any integer is a valid key,
// the named constants below cover the keys the program knows by name.
struct Key {
    std::int64_t rawValue = 0;

    constexpr explicit Key(std::int64_t raw) : rawValue(raw) {}
    friend constexpr bool operator==(Key lhs, Key rhs) { return lhs.rawValue == rhs.rawValue; }

    // Linux evdev key code of this key, none for keys outside the key table.
    // The X11 key code is this plus 8.
    std::optional<int> evdevCode() const;
    // The key at an evdev code, none for codes outside the key table.
    static std::optional<Key> fromEvdevCode(int evdev);
    // The key at an X11 key code (evdev + 8).
    static std::optional<Key> fromX11KeyCode(int x11KeyCode);

    static const Key a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v, w, x, y, z;
    static const Key zero, one, two, three, four, five, six, seven, eight, nine;
    static const Key capsLock, shift, function, control, option, command, rightCommand, rightOption,
        rightControl, rightShift;
    // `return` and `delete` are C++ keywords: these two carry a suffix.
    static const Key returnKey, backslash, backtick, comma, equal, minus, period, quote, semicolon,
        slash, space, tab, leftBracket, rightBracket;
    static const Key pageUp, pageDown, home, end, upArrow, rightArrow, downArrow, leftArrow;
    static const Key escape, deleteKey, deleteForward, help, mute, volumeUp, volumeDown;
    static const Key f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13, f14, f15, f16, f17,
        f18, f19, f20;
    static const Key keypad0, keypad1, keypad2, keypad3, keypad4, keypad5, keypad6, keypad7,
        keypad8, keypad9, keypadClear, keypadDecimal, keypadDivide, keypadEnter, keypadEquals,
        keypadMinus, keypadMultiply, keypadPlus;
};

inline size_t qHash(Key key, size_t seed = 0) {
    return ::qHash(key.rawValue, seed);
}

// Letters
inline constexpr Key Key::a{0x00};
inline constexpr Key Key::s{0x01};
inline constexpr Key Key::d{0x02};
inline constexpr Key Key::f{0x03};
inline constexpr Key Key::h{0x04};
inline constexpr Key Key::g{0x05};
inline constexpr Key Key::z{0x06};
inline constexpr Key Key::x{0x07};
inline constexpr Key Key::c{0x08};
inline constexpr Key Key::v{0x09};
inline constexpr Key Key::b{0x0B};
inline constexpr Key Key::q{0x0C};
inline constexpr Key Key::w{0x0D};
inline constexpr Key Key::e{0x0E};
inline constexpr Key Key::r{0x0F};
inline constexpr Key Key::y{0x10};
inline constexpr Key Key::t{0x11};
inline constexpr Key Key::o{0x1F};
inline constexpr Key Key::u{0x20};
inline constexpr Key Key::i{0x22};
inline constexpr Key Key::p{0x23};
inline constexpr Key Key::l{0x25};
inline constexpr Key Key::j{0x26};
inline constexpr Key Key::k{0x28};
inline constexpr Key Key::n{0x2D};
inline constexpr Key Key::m{0x2E};
// Digits
inline constexpr Key Key::one{0x12};
inline constexpr Key Key::two{0x13};
inline constexpr Key Key::three{0x14};
inline constexpr Key Key::four{0x15};
inline constexpr Key Key::six{0x16};
inline constexpr Key Key::five{0x17};
inline constexpr Key Key::nine{0x19};
inline constexpr Key Key::seven{0x1A};
inline constexpr Key Key::eight{0x1C};
inline constexpr Key Key::zero{0x1D};
// Modifier keys
inline constexpr Key Key::rightCommand{0x36};
inline constexpr Key Key::command{0x37};
inline constexpr Key Key::shift{0x38};
inline constexpr Key Key::capsLock{0x39};
inline constexpr Key Key::option{0x3A};
inline constexpr Key Key::control{0x3B};
inline constexpr Key Key::rightShift{0x3C};
inline constexpr Key Key::rightOption{0x3D};
inline constexpr Key Key::rightControl{0x3E};
inline constexpr Key Key::function{0x3F};
// Punctuation and whitespace
inline constexpr Key Key::equal{0x18};
inline constexpr Key Key::minus{0x1B};
inline constexpr Key Key::rightBracket{0x1E};
inline constexpr Key Key::leftBracket{0x21};
inline constexpr Key Key::returnKey{0x24};
inline constexpr Key Key::quote{0x27};
inline constexpr Key Key::semicolon{0x29};
inline constexpr Key Key::backslash{0x2A};
inline constexpr Key Key::comma{0x2B};
inline constexpr Key Key::slash{0x2C};
inline constexpr Key Key::period{0x2F};
inline constexpr Key Key::tab{0x30};
inline constexpr Key Key::space{0x31};
inline constexpr Key Key::backtick{0x32};
// Editing and navigation
inline constexpr Key Key::deleteKey{0x33};
inline constexpr Key Key::escape{0x35};
inline constexpr Key Key::volumeUp{0x48};
inline constexpr Key Key::volumeDown{0x49};
inline constexpr Key Key::mute{0x4A};
inline constexpr Key Key::help{0x72};
inline constexpr Key Key::home{0x73};
inline constexpr Key Key::pageUp{0x74};
inline constexpr Key Key::deleteForward{0x75};
inline constexpr Key Key::end{0x77};
inline constexpr Key Key::pageDown{0x79};
inline constexpr Key Key::leftArrow{0x7B};
inline constexpr Key Key::rightArrow{0x7C};
inline constexpr Key Key::downArrow{0x7D};
inline constexpr Key Key::upArrow{0x7E};
// Function keys
inline constexpr Key Key::f1{0x7A};
inline constexpr Key Key::f2{0x78};
inline constexpr Key Key::f3{0x63};
inline constexpr Key Key::f4{0x76};
inline constexpr Key Key::f5{0x60};
inline constexpr Key Key::f6{0x61};
inline constexpr Key Key::f7{0x62};
inline constexpr Key Key::f8{0x64};
inline constexpr Key Key::f9{0x65};
inline constexpr Key Key::f10{0x6D};
inline constexpr Key Key::f11{0x67};
inline constexpr Key Key::f12{0x6F};
inline constexpr Key Key::f13{0x69};
inline constexpr Key Key::f14{0x6B};
inline constexpr Key Key::f15{0x71};
inline constexpr Key Key::f16{0x6A};
inline constexpr Key Key::f17{0x40};
inline constexpr Key Key::f18{0x4F};
inline constexpr Key Key::f19{0x50};
inline constexpr Key Key::f20{0x5A};
// Keypad
inline constexpr Key Key::keypadDecimal{0x41};
inline constexpr Key Key::keypadMultiply{0x43};
inline constexpr Key Key::keypadPlus{0x45};
inline constexpr Key Key::keypadClear{0x47};
inline constexpr Key Key::keypadDivide{0x4B};
inline constexpr Key Key::keypadEnter{0x4C};
inline constexpr Key Key::keypadMinus{0x4E};
inline constexpr Key Key::keypadEquals{0x51};
inline constexpr Key Key::keypad0{0x52};
inline constexpr Key Key::keypad1{0x53};
inline constexpr Key Key::keypad2{0x54};
inline constexpr Key Key::keypad3{0x55};
inline constexpr Key Key::keypad4{0x56};
inline constexpr Key Key::keypad5{0x57};
inline constexpr Key Key::keypad6{0x58};
inline constexpr Key Key::keypad7{0x59};
inline constexpr Key Key::keypad8{0x5B};
inline constexpr Key Key::keypad9{0x5C};

}  // namespace mirelon::GlobalShortcuts

template <>
struct std::hash<mirelon::GlobalShortcuts::Key> {
    size_t operator()(mirelon::GlobalShortcuts::Key key) const noexcept {
        return std::hash<std::int64_t>()(key.rawValue);
    }
};
