// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/Modifiers.h"

#include <QCoreApplication>

namespace mirelon::GlobalShortcuts {
namespace {

struct ModifierRow {
    ModifierFlags flag;
    std::int64_t carbon;
    Qt::KeyboardModifier qt;
    std::uint16_t x11;
};

// In display order: control, option, shift, command.
constexpr ModifierRow kRows[] = {
    {ModifierFlag::control, CarbonModifier::control, Qt::ControlModifier, 1u << 2},
    {ModifierFlag::option, CarbonModifier::option, Qt::AltModifier, 1u << 3},
    {ModifierFlag::shift, CarbonModifier::shift, Qt::ShiftModifier, 1u << 0},
    {ModifierFlag::command, CarbonModifier::command, Qt::MetaModifier, 1u << 6},
};

// The names printed on Linux keyboards and used by Linux desktops.
QString nameFor(ModifierFlags flag) {
    switch (flag) {
        case ModifierFlag::control:
            return QCoreApplication::translate("Keys", "Ctrl");
        case ModifierFlag::option:
            return QCoreApplication::translate("Keys", "Alt");
        case ModifierFlag::shift:
            return QCoreApplication::translate("Keys", "Shift");
        case ModifierFlag::command:
            return QCoreApplication::translate("Keys", "Super");
        case ModifierFlag::function:
            return QCoreApplication::translate("Keys", "Fn");
        default:
            return QString();
    }
}

}  // namespace

std::int64_t carbonModifiers(ModifierFlags flags) {
    std::int64_t carbon = 0;
    for (const auto& row : kRows) {
        if (flags & row.flag) {
            carbon |= row.carbon;
        }
    }
    return carbon;
}

ModifierFlags modifierFlagsFromCarbon(std::int64_t carbon) {
    ModifierFlags flags = 0;
    for (const auto& row : kRows) {
        if (carbon & row.carbon) {
            flags |= row.flag;
        }
    }
    return flags;
}

QString presentableDescription(ModifierFlags flags) {
    QString text;
    for (const auto& row : kRows) {
        if (flags & row.flag) {
            text += nameFor(row.flag) + u'+';
        }
    }
    if (flags & ModifierFlag::function) {
        text += nameFor(ModifierFlag::function) + u'+';
    }
    return text;
}

ModifierFlags modifierFlagsFromQt(Qt::KeyboardModifiers modifiers) {
    ModifierFlags flags = 0;
    for (const auto& row : kRows) {
        if (modifiers.testFlag(row.qt)) {
            flags |= row.flag;
        }
    }
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        flags |= ModifierFlag::numericPad;
    }
    return flags;
}

Qt::KeyboardModifiers toQtModifiers(ModifierFlags flags) {
    Qt::KeyboardModifiers modifiers;
    for (const auto& row : kRows) {
        if (flags & row.flag) {
            modifiers |= row.qt;
        }
    }
    if (flags & ModifierFlag::numericPad) {
        modifiers |= Qt::KeypadModifier;
    }
    return modifiers;
}

std::uint16_t x11ModifierMask(std::int64_t carbon) {
    std::uint16_t mask = 0;
    for (const auto& row : kRows) {
        if (carbon & row.carbon) {
            mask |= row.x11;
        }
    }
    return mask;
}

std::int64_t carbonModifiersFromX11(std::uint16_t state) {
    std::int64_t carbon = 0;
    for (const auto& row : kRows) {
        if (state & row.x11) {
            carbon |= row.carbon;
        }
    }
    return carbon;
}

}  // namespace mirelon::GlobalShortcuts
