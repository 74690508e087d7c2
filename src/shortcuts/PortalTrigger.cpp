// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/PortalTrigger.h"

#include <QHash>
#include <QLoggingCategory>
#include <QSet>
#include <QStringList>

#include <array>
#include <utility>

Q_LOGGING_CATEGORY(lcPortalTrigger, "app.mirelon.Mirelon.shortcuts", QtInfoMsg)

namespace mirelon::GlobalShortcuts {

namespace {

struct KeyName {
    std::int64_t code;
    const char* keysym;
    // Another spelling desktops use when they report the trigger, or nullptr.
    const char* alias;
};

// Every key of the key table that has a keysym of its own. Key positions
// follow the US layout's engraving, as the key table does.
constexpr std::array<KeyName, 103> kKeyNames{{
    {Key::a.rawValue, "A", nullptr},
    {Key::b.rawValue, "B", nullptr},
    {Key::c.rawValue, "C", nullptr},
    {Key::d.rawValue, "D", nullptr},
    {Key::e.rawValue, "E", nullptr},
    {Key::f.rawValue, "F", nullptr},
    {Key::g.rawValue, "G", nullptr},
    {Key::h.rawValue, "H", nullptr},
    {Key::i.rawValue, "I", nullptr},
    {Key::j.rawValue, "J", nullptr},
    {Key::k.rawValue, "K", nullptr},
    {Key::l.rawValue, "L", nullptr},
    {Key::m.rawValue, "M", nullptr},
    {Key::n.rawValue, "N", nullptr},
    {Key::o.rawValue, "O", nullptr},
    {Key::p.rawValue, "P", nullptr},
    {Key::q.rawValue, "Q", nullptr},
    {Key::r.rawValue, "R", nullptr},
    {Key::s.rawValue, "S", nullptr},
    {Key::t.rawValue, "T", nullptr},
    {Key::u.rawValue, "U", nullptr},
    {Key::v.rawValue, "V", nullptr},
    {Key::w.rawValue, "W", nullptr},
    {Key::x.rawValue, "X", nullptr},
    {Key::y.rawValue, "Y", nullptr},
    {Key::z.rawValue, "Z", nullptr},
    {Key::zero.rawValue, "0", nullptr},
    {Key::one.rawValue, "1", nullptr},
    {Key::two.rawValue, "2", nullptr},
    {Key::three.rawValue, "3", nullptr},
    {Key::four.rawValue, "4", nullptr},
    {Key::five.rawValue, "5", nullptr},
    {Key::six.rawValue, "6", nullptr},
    {Key::seven.rawValue, "7", nullptr},
    {Key::eight.rawValue, "8", nullptr},
    {Key::nine.rawValue, "9", nullptr},
    {Key::equal.rawValue, "equal", "="},
    {Key::minus.rawValue, "minus", "-"},
    {Key::leftBracket.rawValue, "bracketleft", "["},
    {Key::rightBracket.rawValue, "bracketright", "]"},
    {Key::quote.rawValue, "apostrophe", "'"},
    {Key::semicolon.rawValue, "semicolon", ";"},
    {Key::backslash.rawValue, "backslash", "\\"},
    {Key::comma.rawValue, "comma", ","},
    {Key::slash.rawValue, "slash", "/"},
    {Key::period.rawValue, "period", "."},
    {Key::backtick.rawValue, "grave", "`"},
    {0x0A, "less", "<"},  // the extra key beside left Shift on ISO keyboards
    {Key::returnKey.rawValue, "Return", "Enter"},
    {Key::tab.rawValue, "Tab", nullptr},
    {Key::space.rawValue, "space", nullptr},
    {Key::deleteKey.rawValue, "BackSpace", nullptr},
    {Key::escape.rawValue, "Escape", "Esc"},
    {Key::deleteForward.rawValue, "Delete", "Del"},
    {Key::help.rawValue, "Insert", "Ins"},
    {Key::home.rawValue, "Home", nullptr},
    {Key::end.rawValue, "End", nullptr},
    {Key::pageUp.rawValue, "Page_Up", "PgUp"},
    {Key::pageDown.rawValue, "Page_Down", "PgDown"},
    {Key::leftArrow.rawValue, "Left", nullptr},
    {Key::rightArrow.rawValue, "Right", nullptr},
    {Key::upArrow.rawValue, "Up", nullptr},
    {Key::downArrow.rawValue, "Down", nullptr},
    {Key::volumeUp.rawValue, "XF86AudioRaiseVolume", "Volume Up"},
    {Key::volumeDown.rawValue, "XF86AudioLowerVolume", "Volume Down"},
    {Key::mute.rawValue, "XF86AudioMute", "Volume Mute"},
    {Key::f1.rawValue, "F1", nullptr},
    {Key::f2.rawValue, "F2", nullptr},
    {Key::f3.rawValue, "F3", nullptr},
    {Key::f4.rawValue, "F4", nullptr},
    {Key::f5.rawValue, "F5", nullptr},
    {Key::f6.rawValue, "F6", nullptr},
    {Key::f7.rawValue, "F7", nullptr},
    {Key::f8.rawValue, "F8", nullptr},
    {Key::f9.rawValue, "F9", nullptr},
    {Key::f10.rawValue, "F10", nullptr},
    {Key::f11.rawValue, "F11", nullptr},
    {Key::f12.rawValue, "F12", nullptr},
    {Key::f13.rawValue, "F13", nullptr},
    {Key::f14.rawValue, "F14", nullptr},
    {Key::f15.rawValue, "F15", nullptr},
    {Key::f16.rawValue, "F16", nullptr},
    {Key::f17.rawValue, "F17", nullptr},
    {Key::f18.rawValue, "F18", nullptr},
    {Key::f19.rawValue, "F19", nullptr},
    {Key::f20.rawValue, "F20", nullptr},
    {Key::keypad0.rawValue, "KP_0", nullptr},
    {Key::keypad1.rawValue, "KP_1", nullptr},
    {Key::keypad2.rawValue, "KP_2", nullptr},
    {Key::keypad3.rawValue, "KP_3", nullptr},
    {Key::keypad4.rawValue, "KP_4", nullptr},
    {Key::keypad5.rawValue, "KP_5", nullptr},
    {Key::keypad6.rawValue, "KP_6", nullptr},
    {Key::keypad7.rawValue, "KP_7", nullptr},
    {Key::keypad8.rawValue, "KP_8", nullptr},
    {Key::keypad9.rawValue, "KP_9", nullptr},
    {Key::keypadDecimal.rawValue, "KP_Decimal", nullptr},
    {Key::keypadMultiply.rawValue, "KP_Multiply", nullptr},
    {Key::keypadPlus.rawValue, "KP_Add", nullptr},
    {Key::keypadDivide.rawValue, "KP_Divide", nullptr},
    {Key::keypadEnter.rawValue, "KP_Enter", nullptr},
    {Key::keypadMinus.rawValue, "KP_Subtract", nullptr},
    {Key::keypadEquals.rawValue, "KP_Equal", nullptr},
}};

const KeyName* findKey(std::int64_t code) {
    for (const auto& entry : kKeyNames) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

// Modifier bit by every name desktops use for it, upper case.
std::int64_t modifierBit(const QString& upper) {
    static const QHash<QString, std::int64_t> bits = {
        {QStringLiteral("CTRL"), CarbonModifier::control},
        {QStringLiteral("CONTROL"), CarbonModifier::control},
        {QStringLiteral("ALT"), CarbonModifier::option},
        {QStringLiteral("SHIFT"), CarbonModifier::shift},
        {QStringLiteral("LOGO"), CarbonModifier::command},
        {QStringLiteral("META"), CarbonModifier::command},
        {QStringLiteral("SUPER"), CarbonModifier::command},
    };
    return bits.value(upper, 0);
}

}  // namespace

std::optional<QString> portalKeyName(Key key) {
    if (const KeyName* entry = findKey(key.rawValue)) {
        return QString::fromLatin1(entry->keysym);
    }
    return std::nullopt;
}

std::optional<QString> portalTrigger(const Shortcut& shortcut) {
    const auto key = portalKeyName(shortcut.key());
    if (!key) {
        qCWarning(lcPortalTrigger).noquote()
            << QStringLiteral(
                   "The desktop's shortcut service cannot take key code %1 (no key name of its "
                   "own, such as a modifier key alone): this shortcut is not bound there")
                   .arg(shortcut.carbonKeyCode);
        return std::nullopt;
    }
    QStringList parts;
    const std::int64_t mods = shortcut.carbonModifiers;
    if (mods & CarbonModifier::control) {
        parts << QStringLiteral("CTRL");
    }
    if (mods & CarbonModifier::option) {
        parts << QStringLiteral("ALT");
    }
    if (mods & CarbonModifier::shift) {
        parts << QStringLiteral("SHIFT");
    }
    if (mods & CarbonModifier::command) {
        parts << QStringLiteral("LOGO");
    }
    parts << *key;
    return parts.join(QLatin1Char('+'));
}

std::optional<QString> desktopAccelerator(const Shortcut& shortcut) {
    auto key = portalKeyName(shortcut.key());
    if (!key) {
        return std::nullopt;
    }
    // A capital letter would ask for Shift.
    if (key->size() == 1 && key->at(0).isLetter()) {
        *key = key->toLower();
    }
    QString out;
    const std::int64_t mods = shortcut.carbonModifiers;
    if (mods & CarbonModifier::control) {
        out += QStringLiteral("<Control>");
    }
    if (mods & CarbonModifier::option) {
        out += QStringLiteral("<Alt>");
    }
    if (mods & CarbonModifier::shift) {
        out += QStringLiteral("<Shift>");
    }
    if (mods & CarbonModifier::command) {
        out += QStringLiteral("<Super>");
    }
    return out + *key;
}

bool portalTriggerMatches(const QString& reported, const Shortcut& shortcut) {
    const KeyName* entry = findKey(shortcut.carbonKeyCode);
    if (!entry) {
        return false;
    }
    QString text = reported.trimmed();
    // The key may itself be "+" (or end in it): split off the last part first.
    const int cut = text.endsWith(QLatin1Char('+')) ? static_cast<int>(text.size()) - 1
                                                    : static_cast<int>(text.lastIndexOf('+')) + 1;
    const QString keyPart = text.mid(cut).trimmed();
    const QString modifierPart = text.left(std::max(0, cut - 1));
    std::int64_t modifiers = 0;
    for (const QString& part : modifierPart.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
        const std::int64_t bit = modifierBit(part.trimmed().toUpper());
        if (bit == 0) {
            return false;
        }
        modifiers |= bit;
    }
    if (modifiers != (shortcut.carbonModifiers & CarbonModifier::all)) {
        return false;
    }
    const auto same = [&](const char* name) {
        return name && keyPart.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    return same(entry->keysym) || same(entry->alias);
}

}  // namespace mirelon::GlobalShortcuts
