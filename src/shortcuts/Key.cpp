// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/Key.h"

#include <array>
#include <utility>

namespace mirelon::GlobalShortcuts {
namespace {

// Virtual key code to Linux evdev code (linux/input-event-codes.h), one row
// per physical key. Key positions follow the US layout's engraving.
constexpr std::array<std::pair<std::int64_t, int>, 114> kEvdevTable{{
    {Key::a.rawValue, 30},
    {Key::s.rawValue, 31},
    {Key::d.rawValue, 32},
    {Key::f.rawValue, 33},
    {Key::h.rawValue, 35},
    {Key::g.rawValue, 34},
    {Key::z.rawValue, 44},
    {Key::x.rawValue, 45},
    {Key::c.rawValue, 46},
    {Key::v.rawValue, 47},
    {0x0A, 86},  // the extra key beside left Shift on ISO keyboards
    {Key::b.rawValue, 48},
    {Key::q.rawValue, 16},
    {Key::w.rawValue, 17},
    {Key::e.rawValue, 18},
    {Key::r.rawValue, 19},
    {Key::y.rawValue, 21},
    {Key::t.rawValue, 20},
    {Key::one.rawValue, 2},
    {Key::two.rawValue, 3},
    {Key::three.rawValue, 4},
    {Key::four.rawValue, 5},
    {Key::six.rawValue, 7},
    {Key::five.rawValue, 6},
    {Key::equal.rawValue, 13},
    {Key::nine.rawValue, 10},
    {Key::seven.rawValue, 8},
    {Key::minus.rawValue, 12},
    {Key::eight.rawValue, 9},
    {Key::zero.rawValue, 11},
    {Key::rightBracket.rawValue, 27},
    {Key::o.rawValue, 24},
    {Key::u.rawValue, 22},
    {Key::leftBracket.rawValue, 26},
    {Key::i.rawValue, 23},
    {Key::p.rawValue, 25},
    {Key::returnKey.rawValue, 28},
    {Key::l.rawValue, 38},
    {Key::j.rawValue, 36},
    {Key::quote.rawValue, 40},
    {Key::k.rawValue, 37},
    {Key::semicolon.rawValue, 39},
    {Key::backslash.rawValue, 43},
    {Key::comma.rawValue, 51},
    {Key::slash.rawValue, 53},
    {Key::n.rawValue, 49},
    {Key::m.rawValue, 50},
    {Key::period.rawValue, 52},
    {Key::tab.rawValue, 15},
    {Key::space.rawValue, 57},
    {Key::backtick.rawValue, 41},
    {Key::deleteKey.rawValue, 14},  // Backspace
    {Key::escape.rawValue, 1},
    {Key::rightCommand.rawValue, 126},
    {Key::command.rawValue, 125},
    {Key::shift.rawValue, 42},
    {Key::capsLock.rawValue, 58},
    {Key::option.rawValue, 56},
    {Key::control.rawValue, 29},
    {Key::rightShift.rawValue, 54},
    {Key::rightOption.rawValue, 100},
    {Key::rightControl.rawValue, 97},
    {Key::function.rawValue, 464},  // KEY_FN: beyond X11's key code range
    {Key::f17.rawValue, 187},
    {Key::keypadDecimal.rawValue, 83},
    {Key::keypadMultiply.rawValue, 55},
    {Key::keypadPlus.rawValue, 78},
    {Key::keypadClear.rawValue, 69},  // the Num Lock position
    {Key::volumeUp.rawValue, 115},
    {Key::volumeDown.rawValue, 114},
    {Key::mute.rawValue, 113},
    {Key::keypadDivide.rawValue, 98},
    {Key::keypadEnter.rawValue, 96},
    {Key::keypadMinus.rawValue, 74},
    {Key::f18.rawValue, 188},
    {Key::f19.rawValue, 189},
    {Key::keypadEquals.rawValue, 117},
    {Key::keypad0.rawValue, 82},
    {Key::keypad1.rawValue, 79},
    {Key::keypad2.rawValue, 80},
    {Key::keypad3.rawValue, 81},
    {Key::keypad4.rawValue, 75},
    {Key::keypad5.rawValue, 76},
    {Key::keypad6.rawValue, 77},
    {Key::keypad7.rawValue, 71},
    {Key::f20.rawValue, 190},
    {Key::keypad8.rawValue, 72},
    {Key::keypad9.rawValue, 73},
    {Key::f5.rawValue, 63},
    {Key::f6.rawValue, 64},
    {Key::f7.rawValue, 65},
    {Key::f3.rawValue, 61},
    {Key::f8.rawValue, 66},
    {Key::f9.rawValue, 67},
    {Key::f11.rawValue, 87},
    {Key::f13.rawValue, 183},
    {Key::f16.rawValue, 186},
    {Key::f14.rawValue, 184},
    {Key::f10.rawValue, 68},
    {Key::f12.rawValue, 88},
    {Key::f15.rawValue, 185},
    {Key::help.rawValue, 110},  // Insert
    {Key::home.rawValue, 102},
    {Key::pageUp.rawValue, 104},
    {Key::deleteForward.rawValue, 111},  // Delete
    {Key::f4.rawValue, 62},
    {Key::end.rawValue, 107},
    {Key::f2.rawValue, 60},
    {Key::pageDown.rawValue, 109},
    {Key::f1.rawValue, 59},
    {Key::leftArrow.rawValue, 105},
    {Key::rightArrow.rawValue, 106},
    {Key::downArrow.rawValue, 108},
    {Key::upArrow.rawValue, 103},
}};

}  // namespace

std::optional<int> Key::evdevCode() const {
    for (const auto& [code, evdev] : kEvdevTable) {
        if (code == rawValue) {
            return evdev;
        }
    }
    return std::nullopt;
}

std::optional<Key> Key::fromEvdevCode(int evdev) {
    for (const auto& [code, e] : kEvdevTable) {
        if (e == evdev) {
            return Key(code);
        }
    }
    return std::nullopt;
}

std::optional<Key> Key::fromX11KeyCode(int x11KeyCode) {
    if (x11KeyCode < 8) {
        return std::nullopt;
    }
    return fromEvdevCode(x11KeyCode - 8);
}

}  // namespace mirelon::GlobalShortcuts
