// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/MenuDecoration.h"

#include "shortcuts/GlobalShortcuts.h"

#include <QAction>

namespace mirelon::GlobalShortcuts {

GlobalKeyboardShortcutDecoration::GlobalKeyboardShortcutDecoration(QAction* action,
                                                                   const Name& name)
    : QObject(action), action_(action), name_(name) {
    auto& center = EventBus::shared();
    shortcutChanges_ = center.addObserver(shortcutByNameDidChange, [this](const Notification& n) {
        if (n.object.toString() == name_.rawValue()) {
            refresh();
        }
    });
    recorderChanges_ =
        center.addObserver(recorderActiveStatusDidChange, [this](const Notification& n) {
            isRecorderActive_ = n.object.typeId() == QMetaType::Bool && n.object.toBool();
            refresh();
        });
    connect(action_, &QAction::changed, this, [this] { refresh(); });
    refresh();
}

QString GlobalKeyboardShortcutDecoration::shortcutText() const {
    if (isRecorderActive_) {
        return QString();
    }
    const auto shortcut = getShortcut(name_);
    if (!shortcut) {
        return QString();
    }
    const auto keyText = shortcut->keyText();
    if (!keyText || keyText->isEmpty()) {
        return QString();
    }
    return shortcut->description();
}

void GlobalKeyboardShortcutDecoration::refresh() {
    if (applying_) {
        return;
    }
    const QString current = action_->text();
    const QString title = current.section(QLatin1Char('\t'), 0, 0);
    const QString suffix = shortcutText();
    const QString wanted = suffix.isEmpty() ? title : title + QLatin1Char('\t') + suffix;
    if (wanted != current) {
        applying_ = true;
        action_->setText(wanted);
        applying_ = false;
    }
}

void globalKeyboardShortcut(QAction* action, const Name& name) {
    if (!action) {
        return;
    }
    // One decoration per action: a second call switches it to the new name.
    for (auto* old : action->findChildren<GlobalKeyboardShortcutDecoration*>(
             QString(), Qt::FindDirectChildrenOnly)) {
        delete old;
    }
    new GlobalKeyboardShortcutDecoration(action, name);
}

}  // namespace mirelon::GlobalShortcuts
