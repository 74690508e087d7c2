// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/EventBus.h"
#include "shortcuts/Name.h"

#include <QObject>
#include <QPointer>

class QAction;

namespace mirelon::GlobalShortcuts {

// Keeps a name's shortcut shown as text beside a menu action's title: the
// action's text becomes "<title>\t<shortcut>", which QMenu draws in its
// shortcut column without making it a live shortcut. The title is whatever
// the owner sets with setText (a text set later is taken as the new title).
// Hidden while a recorder records. Made by globalKeyboardShortcut().
class GlobalKeyboardShortcutDecoration final : public QObject {
    Q_OBJECT
public:
    GlobalKeyboardShortcutDecoration(QAction* action, const Name& name);

    const Name& name() const { return name_; }
    bool isRecorderActive() const { return isRecorderActive_; }
    // The text shown beside the title; empty when none is.
    QString shortcutText() const;
    // Re-applies the text to the action.
    void refresh();

private:
    QAction* action_;
    Name name_;
    bool isRecorderActive_ = false;
    bool applying_ = false;
    ObserverToken shortcutChanges_;
    ObserverToken recorderChanges_;
};

}  // namespace mirelon::GlobalShortcuts
