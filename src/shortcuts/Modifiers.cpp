#include "shortcuts/Modifiers.h"

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

const char16_t* symbolFor(ModifierFlags flag) {
    switch (flag) {
        case ModifierFlag::control:
            return u"\u2303";
        case ModifierFlag::option:
            return u"\u2325";
        case ModifierFlag::shift:
            return u"\u21E7";
        case ModifierFlag::command:
            return u"\u2318";
        default:
            return u"";
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
            text += QString::fromUtf16(symbolFor(row.flag));
        }
    }
    if (flags & ModifierFlag::function) {
        text += QString::fromUtf16(u"\U0001F310\uFE0E");
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
