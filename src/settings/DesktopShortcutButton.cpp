// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/DesktopShortcutButton.h"

#include "platform/DesktopShortcuts.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/Name.h"
#include "shortcuts/PortalTrigger.h"
#include "shortcuts/Shortcut.h"

#include <QEvent>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPointer>

Q_LOGGING_CATEGORY(lcDesktopShortcut, "app.mirelon.Mirelon.gnome", QtInfoMsg)

namespace mirelon {

DesktopShortcutButton::Confirm DesktopShortcutButton::confirm = [](QWidget* parent,
                                                                   const QString& question) {
    return QMessageBox::question(parent, tr("Add Keyboard Shortcut"), question) == QMessageBox::Yes;
};

DesktopShortcutButton::DesktopShortcutButton(const QString& name, const QString& title,
                                             const QString& command, QWidget* parent)
    : QPushButton(parent), name_(name), title_(title), command_(command) {
    setObjectName(QStringLiteral("desktopShortcutButton"));
    setProperty("shortcutName", name);
    lastStored_ = storedAccelerator();
    connect(this, &QPushButton::clicked, this, &DesktopShortcutButton::onClicked);
    defaultsObserver_ = EventBus::shared().addObserver(
        Notifications::defaultsChanged, [this](const Notification&) { storedShortcutChanged(); });
    refresh();
    QPointer<DesktopShortcutButton> self(this);
    DesktopShortcuts::shared().find(name_, [self](std::optional<QString> accelerator) {
        if (self) {
            self->desktopAccelerator_ = accelerator;
            self->state_ = accelerator ? State::present : State::absent;
            self->refresh();
        }
    });
}

std::optional<QString> DesktopShortcutButton::storedAccelerator() const {
    const auto shortcut = GlobalShortcuts::getShortcut(GlobalShortcuts::Name(name_));
    return shortcut ? GlobalShortcuts::desktopAccelerator(*shortcut) : std::nullopt;
}

void DesktopShortcutButton::refresh() {
    const auto stored = storedAccelerator();
    switch (state_) {
        case State::checking:
        case State::busy:
            setText(tr("Add to GNOME"));
            setEnabled(false);
            break;
        case State::absent:
            setText(tr("Add to GNOME"));
            setEnabled(stored.has_value());
            setToolTip(stored ? tr("Adds this shortcut to GNOME's keyboard settings, where it "
                                   "works whatever window has focus.")
                              : tr("Record a shortcut first."));
            break;
        case State::present:
            setText(tr("Remove from GNOME"));
            setEnabled(true);
            setToolTip(tr("GNOME runs “%1” on %2.")
                           .arg(command_, desktopAccelerator_.value_or(QString())));
            break;
    }
    report();
}

bool DesktopShortcutButton::event(QEvent* event) {
    const bool handled = QPushButton::event(event);
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
            report();
            break;
        default:
            break;
    }
    return handled;
}

void DesktopShortcutButton::report() {
    if (!lcDesktopShortcut().isDebugEnabled() || !isVisible()) {
        return;
    }
    static const char* const names[] = {"checking", "add", "remove", "busy"};
    const QPoint at = mapTo(window(), QPoint(0, 0));
    const QString line =
        QStringLiteral("GNOME shortcut offer of %1: %2, at %3,%4 %5x%6 in its window")
            .arg(name_, QLatin1String(names[static_cast<int>(state_)]))
            .arg(at.x())
            .arg(at.y())
            .arg(width())
            .arg(height());
    if (line != reported_) {
        reported_ = line;
        qCDebug(lcDesktopShortcut).noquote() << line;
    }
}

void DesktopShortcutButton::onClicked() {
    if (state_ == State::present) {
        erase();
        return;
    }
    const auto stored = storedAccelerator();
    if (state_ != State::absent || !stored) {
        return;
    }
    const auto shortcut = GlobalShortcuts::getShortcut(GlobalShortcuts::Name(name_));
    const QString question =
        tr("Add “%1” to GNOME's keyboard settings? GNOME then runs “%2” when you press %3, "
           "whatever window has focus. Your other shortcuts stay as they are.")
            .arg(title_, command_, shortcut ? shortcut->description() : *stored);
    if (confirm && confirm(window(), question)) {
        write(*stored);
    }
}

void DesktopShortcutButton::storedShortcutChanged() {
    const auto stored = storedAccelerator();
    // Only a change of the row's own shortcut counts (and none while the
    // desktop is busy: finished() looks again).
    if (stored == lastStored_ || state_ == State::busy || state_ == State::checking) {
        return;
    }
    lastStored_ = stored;
    if (state_ == State::present) {
        // The desktop's entry follows the row once the user added it.
        if (!stored) {
            erase();
            return;
        }
        if (stored != desktopAccelerator_) {
            write(*stored);
            return;
        }
    }
    refresh();
}

void DesktopShortcutButton::write(const QString& accelerator) {
    state_ = State::busy;
    refresh();
    QPointer<DesktopShortcutButton> self(this);
    DesktopShortcuts::shared().add(
        {name_, QStringLiteral("Mirelon: ") + title_, command_, accelerator},
        [self, accelerator](bool ok, const QString& error) {
            if (self) {
                self->finished(
                    ok, error,
                    ok ? std::optional<QString>(accelerator) : self->desktopAccelerator_);
            }
        });
}

void DesktopShortcutButton::finished(bool ok, const QString& error,
                                     std::optional<QString> accelerator) {
    desktopAccelerator_ = std::move(accelerator);
    state_ = desktopAccelerator_ ? State::present : State::absent;
    if (!ok) {
        qCWarning(lcDesktopShortcut).noquote()
            << "GNOME's custom shortcut of" << name_ << "not changed:" << error;
    } else if (desktopAccelerator_) {
        qCInfo(lcDesktopShortcut).noquote()
            << "GNOME runs" << command_ << "on" << *desktopAccelerator_;
    } else {
        qCInfo(lcDesktopShortcut).noquote() << "GNOME's custom shortcut of" << name_ << "removed";
    }
    refresh();
    Q_EMIT changed(ok, error);
    // The row changed while the desktop was busy: follow it (not after a
    // failure, which would only fail again).
    if (ok) {
        storedShortcutChanged();
    }
}

void DesktopShortcutButton::erase() {
    state_ = State::busy;
    refresh();
    QPointer<DesktopShortcutButton> self(this);
    DesktopShortcuts::shared().remove(name_, [self](bool ok, const QString& error) {
        if (self) {
            self->finished(ok, error, ok ? std::nullopt : self->desktopAccelerator_);
        }
    });
}

}  // namespace mirelon
