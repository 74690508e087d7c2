// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Shortcut.h"

#include <QObject>
#include <QSet>

#include <functional>

class QKeyEvent;
class QMenu;

namespace mirelon::GlobalShortcuts {

// Follows the menus the program draws itself (a QMenu between show and hide)
// and, while hot keys are served from key events, hands the keys an open
// menu receives to the registry.
class MenuWatcher final : public QObject {
public:
    explicit MenuWatcher(QObject* parent) : QObject(parent) {}
    std::function<void(bool open)> onOpenChanged;
    std::function<bool(const QKeyEvent&)> onKey;
    // Whether a combination pressed while a menu is open is served as a hot
    // key (then the menu must not also act on it).
    std::function<bool(const Shortcut&)> claimsShortcut;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setOpen(QMenu* menu, bool open);
    QSet<QMenu*> openMenus_;
};

}  // namespace mirelon::GlobalShortcuts
