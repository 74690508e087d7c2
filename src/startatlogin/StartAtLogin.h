// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

class QCheckBox;

namespace mirelon {

// Starting the program when the user logs in, through the per-user XDG
// autostart entry. No state of its own: every read asks the file system.
namespace StartAtLogin {

bool isEnabled();
// Registers or unregisters. Switching on while already on writes the entry
// again. Failures are logged ("Failed to enable launch at login: ...") and
// otherwise ignored: the next read shows the real state.
void setEnabled(bool enabled);
// True when this process was started by the autostart entry.
bool wasLaunchedAtLogin();

// The process-wide observable switch: announces willChange() before every
// write and changed() after it, so views re-read isEnabled().
class Observable : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setIsEnabled NOTIFY changed)
public:
    static Observable& shared();

    bool isEnabled() const { return StartAtLogin::isEnabled(); }
    void setIsEnabled(bool enabled);

Q_SIGNALS:
    void willChange();
    void changed();

private:
    Observable() = default;
};

// A switch bound to the shared observable, next to a label.
class Toggle : public QWidget {
    Q_OBJECT
public:
    // Label "Launch at login".
    explicit Toggle(QWidget* parent = nullptr);
    explicit Toggle(const QString& title, QWidget* parent = nullptr);
    // Any label widget; the toggle takes ownership.
    explicit Toggle(QWidget* label, QWidget* parent);

    bool isChecked() const;
    QCheckBox* checkBox() const { return checkBox_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build(QWidget* label);
    void reload();

    QCheckBox* checkBox_ = nullptr;
};

}  // namespace StartAtLogin
}  // namespace mirelon
