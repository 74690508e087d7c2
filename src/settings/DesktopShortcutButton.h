// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/EventBus.h"

#include <QPushButton>
#include <QString>

#include <functional>
#include <optional>

namespace mirelon {

// The button of a Key Shortcuts row that puts the row's shortcut into the
// desktop's own keyboard settings (DesktopShortcuts) as a custom shortcut
// running "mirelon --action NAME", which works whatever window has focus.
// It adds only after the user confirms; once added, the desktop's entry
// follows the row: a new recording updates it, clearing the row removes it,
// and the button removes it too.
class DesktopShortcutButton : public QPushButton {
    Q_OBJECT
public:
    // Asks the user; true to go ahead. Replaceable for tests.
    using Confirm = std::function<bool(QWidget* parent, const QString& question)>;
    static Confirm confirm;

    enum class State { checking, absent, present, busy };

    DesktopShortcutButton(const QString& name, const QString& title, const QString& command,
                          QWidget* parent = nullptr);

    State state() const { return state_; }
    // What the desktop's entry binds now, as far as this button knows.
    std::optional<QString> desktopAccelerator() const { return desktopAccelerator_; }
    // The accelerator of the row's stored shortcut, none when it has none.
    std::optional<QString> storedAccelerator() const;

protected:
    bool event(QEvent* event) override;

Q_SIGNALS:
    // The desktop answered an add or remove (failed: with the reason).
    void changed(bool ok, const QString& error);

private:
    void onClicked();
    void storedShortcutChanged();
    void write(const QString& accelerator);
    void erase();
    void finished(bool ok, const QString& error, std::optional<QString> accelerator);
    void refresh();
    // Logs (debug) what the button offers and where it sits in its window,
    // whenever either changes.
    void report();

    QString name_;
    QString title_;
    QString command_;
    State state_ = State::checking;
    std::optional<QString> desktopAccelerator_;
    std::optional<QString> lastStored_;
    ObserverToken defaultsObserver_;
    QString reported_;
};

}  // namespace mirelon
