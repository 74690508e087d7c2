// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/GlobalShortcuts.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>

#include <optional>
#include <utility>

// The menu conflict check: does an action of the program's menus already
// answer to a recorded combination?

namespace mirelon::GlobalShortcuts {
namespace {

QPointer<QMenu>& applicationMenu() {
    static QPointer<QMenu> menu;
    return menu;
}

std::optional<Qt::Key> qtKeyFor(Key key) {
    static const std::pair<Key, Qt::Key> table[] = {
        {Key::returnKey, Qt::Key_Return},
        {Key::keypadEnter, Qt::Key_Enter},
        {Key::tab, Qt::Key_Tab},
        {Key::space, Qt::Key_Space},
        {Key::deleteKey, Qt::Key_Backspace},
        {Key::deleteForward, Qt::Key_Delete},
        {Key::escape, Qt::Key_Escape},
        {Key::help, Qt::Key_Insert},
        {Key::home, Qt::Key_Home},
        {Key::end, Qt::Key_End},
        {Key::pageUp, Qt::Key_PageUp},
        {Key::pageDown, Qt::Key_PageDown},
        {Key::upArrow, Qt::Key_Up},
        {Key::downArrow, Qt::Key_Down},
        {Key::leftArrow, Qt::Key_Left},
        {Key::rightArrow, Qt::Key_Right},
        {Key::f1, Qt::Key_F1},
        {Key::f2, Qt::Key_F2},
        {Key::f3, Qt::Key_F3},
        {Key::f4, Qt::Key_F4},
        {Key::f5, Qt::Key_F5},
        {Key::f6, Qt::Key_F6},
        {Key::f7, Qt::Key_F7},
        {Key::f8, Qt::Key_F8},
        {Key::f9, Qt::Key_F9},
        {Key::f10, Qt::Key_F10},
        {Key::f11, Qt::Key_F11},
        {Key::f12, Qt::Key_F12},
        {Key::f13, Qt::Key_F13},
        {Key::f14, Qt::Key_F14},
        {Key::f15, Qt::Key_F15},
        {Key::f16, Qt::Key_F16},
        {Key::f17, Qt::Key_F17},
        {Key::f18, Qt::Key_F18},
        {Key::f19, Qt::Key_F19},
        {Key::f20, Qt::Key_F20},
        {Key::mute, Qt::Key_VolumeMute},
        {Key::volumeUp, Qt::Key_VolumeUp},
        {Key::volumeDown, Qt::Key_VolumeDown},
    };
    for (const auto& [k, qt] : table) {
        if (k == key) {
            return qt;
        }
    }
    return std::nullopt;
}

// Whether an action's key combination (Qt key and modifiers) is the shortcut.
bool sequenceMatches(const QKeyCombination& combination, const Shortcut& shortcut) {
    if (combination.keyboardModifiers() != toQtModifiers(shortcut.modifiers())) {
        return false;
    }
    const Qt::Key qtKey = combination.key();
    if (const auto named = qtKeyFor(shortcut.key())) {
        return *named == qtKey;
    }
    const auto text = shortcut.keyText();
    if (!text || text->isEmpty() || qtKey >= Qt::Key_Escape) {
        return false;
    }
    // Qt names printable keys by their upper-case character.
    return text->toLower() == QString(QChar(static_cast<char32_t>(qtKey))).toLower();
}

}  // namespace

QAction* menuItemWithMatchingShortcut(const Shortcut& shortcut, const QMenu& menu) {
    for (QAction* action : menu.actions()) {
        for (const QKeySequence& sequence : action->shortcuts()) {
            if (sequence.count() == 1 && sequenceMatches(sequence[0], shortcut)) {
                return action;
            }
        }
        if (QMenu* submenu = action->menu()) {
            if (QAction* found = menuItemWithMatchingShortcut(shortcut, *submenu)) {
                return found;
            }
        }
    }
    return nullptr;
}

void setApplicationMenu(QMenu* menu) {
    applicationMenu() = menu;
}

QAction* applicationMenuItemWithMatchingShortcut(const Shortcut& shortcut) {
    if (const QMenu* menu = applicationMenu()) {
        return menuItemWithMatchingShortcut(shortcut, *menu);
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const auto* menu = qobject_cast<QMenu*>(widget);
        if (menu && !qobject_cast<QMenu*>(menu->parentWidget())) {
            if (QAction* found = menuItemWithMatchingShortcut(shortcut, *menu)) {
                return found;
            }
        }
    }
    return nullptr;
}

}  // namespace mirelon::GlobalShortcuts
