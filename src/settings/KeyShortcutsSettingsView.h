// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsForm.h"

#include <QList>
#include <QString>

#include <vector>

class QLabel;
class QPushButton;

namespace mirelon {

class DesktopShortcutButton;

namespace GlobalShortcuts {
class Recorder;
}

// The Key Shortcuts tab: one recorder row per named action, in menu order.
// Where the desktop gives programs no global shortcuts (a Wayland session
// without the shortcuts portal) the rows offer the `mirelon --action NAME`
// command to copy instead, and a line under the table says how to bind it in
// the desktop's own keyboard settings; through XWayland, where the recorded
// shortcuts work only while a Mirelon window has focus, the rows offer both,
// and under GNOME also adding the shortcut to GNOME's keyboard settings.
class KeyShortcutsSettingsView : public SettingsForm::Page {
    Q_OBJECT
public:
    struct Row {
        QString label;
        QString name;  // the shortcut name, also its storage key suffix
    };
    static std::vector<Row> rows();
    // "mirelon --action NAME".
    static QString command(const QString& name);
    // The command a desktop shortcut runs: "mirelon --action NAME" where
    // "mirelon" (FOUND, as the search path finds it) is this very PROGRAM,
    // else PROGRAM's own path (quoted for a shell), so that the shortcut still
    // reaches this program when it is not installed on the search path.
    static QString desktopCommand(const QString& name, const QString& program,
                                  const QString& found);
    // The same for the running program.
    static QString desktopCommand(const QString& name);

    explicit KeyShortcutsSettingsView(QWidget* parent = nullptr);

    QList<GlobalShortcuts::Recorder*> recorders() const { return recorders_; }
    // The copy buttons, one per row, when the rows offer the command.
    QList<QPushButton*> copyButtons() const { return copyButtons_; }
    // The "Add to GNOME" buttons, one per recorder row, where offered.
    QList<DesktopShortcutButton*> desktopButtons() const { return desktopButtons_; }
    // The line under the table; nullptr when the recorded shortcuts work everywhere.
    QLabel* commandNote() const { return commandNote_; }

private:
    QWidget* copyButton(const QString& name);

    QList<GlobalShortcuts::Recorder*> recorders_;
    QList<QPushButton*> copyButtons_;
    QList<DesktopShortcutButton*> desktopButtons_;
    QLabel* commandNote_ = nullptr;
};

}  // namespace mirelon
