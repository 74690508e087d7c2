// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/MenuWatcher.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMenu>

namespace mirelon::GlobalShortcuts {

bool MenuWatcher::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
            if (auto* menu = qobject_cast<QMenu*>(watched)) {
                setOpen(menu, event->type() == QEvent::Show);
            }
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (!openMenus_.isEmpty() && onKey && onKey(*static_cast<QKeyEvent*>(event))) {
                return true;
            }
            break;
        case QEvent::ShortcutOverride:
            // A combination served while a menu is open must not also trigger the menu.
            if (!openMenus_.isEmpty() && claimsShortcut) {
                const auto* key = static_cast<QKeyEvent*>(event);
                const auto shortcut = Shortcut::fromEvent(*key);
                if (shortcut && claimsShortcut(*shortcut)) {
                    event->accept();
                    return true;
                }
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void MenuWatcher::setOpen(QMenu* menu, bool open) {
    const bool wasOpen = !openMenus_.isEmpty();
    if (open) {
        if (!openMenus_.contains(menu)) {
            openMenus_.insert(menu);
            connect(menu, &QObject::destroyed, this, [this, menu] { setOpen(menu, false); });
        }
    } else {
        if (openMenus_.remove(menu)) {
            disconnect(menu, &QObject::destroyed, this, nullptr);
        }
    }
    const bool isOpen = !openMenus_.isEmpty();
    if (isOpen != wasOpen && onOpenChanged) {
        onOpenChanged(isOpen);
    }
}

}  // namespace mirelon::GlobalShortcuts
