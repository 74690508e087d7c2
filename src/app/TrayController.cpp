// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayController.h"

#include "platform/TrayHost.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QLoggingCategory>
#include <QMenu>

#include <utility>

Q_LOGGING_CATEGORY(lcTray, "app.mirelon.Mirelon.tray", QtInfoMsg)

namespace mirelon {

TrayController::TrayController(QMenu* menu, std::function<QIcon()> icon,
                               std::function<void()> noTrayFound, QObject* parent)
    : QObject(parent), menu_(menu), icon_(std::move(icon)), noTrayFound_(std::move(noTrayFound)) {
    // A switch between a light and a dark theme recolours the icon.
    if (qApp) {
        qApp->installEventFilter(this);
    }
}

bool TrayController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
        updateIcon();
    }
    return QObject::eventFilter(watched, event);
}

TrayController::~TrayController() = default;

void TrayController::start() {
    QPointer<TrayController> self(this);
    check();
    poll_ = Scheduler::main().scheduleRepeating(pollInterval, [self] {
        if (self) {
            self->check();
        }
    });
    noTrayCheck_ = Scheduler::main().schedule(noTrayTimeout, [self] {
        if (self && !self->everHadTray_) {
            qCWarning(lcTray) << "No system tray after" << noTrayTimeout
                              << "seconds: opening the settings window instead";
            if (self->noTrayFound_) {
                self->noTrayFound_();
            }
        }
    });
}

void TrayController::check() {
    const bool available = isTrayAvailable && isTrayAvailable();
    if (available && !trayWasAvailable_) {
        createIcon();
    } else if (!available && trayWasAvailable_) {
        qCInfo(lcTray) << "The system tray went away; waiting for it to return";
        trayIcon_.reset();
    }
    trayWasAvailable_ = available;
}

void TrayController::createIcon() {
    trayIcon_ = std::make_unique<QSystemTrayIcon>(icon_ ? icon_() : QIcon());
    trayIcon_->setToolTip(QStringLiteral("Mirelon"));
    if (menu_) {
        trayIcon_->setContextMenu(menu_);
    }
    // A left click opens the same menu, as a right click does. In a native Wayland
    // session the status-notifier host shows the menu handed to it: a menu
    // popped up by the program would be an ordinary (tiled) window there.
    if (!TrayHost::menusShownByHost()) {
        connect(trayIcon_.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger && menu_ && !menu_->isVisible()) {
                        menu_->popup(QCursor::pos());
                    }
                });
    }
    trayIcon_->show();
    everHadTray_ = true;
    ++iconsCreated_;
    qCInfo(lcTray) << "Tray icon shown";
    if (!pendingText_.isEmpty()) {
        trayIcon_->showMessage(std::exchange(pendingTitle_, {}), std::exchange(pendingText_, {}),
                               QSystemTrayIcon::Warning);
    }
}

void TrayController::showWarning(const QString& title, const QString& text) {
    if (trayIcon_) {
        trayIcon_->showMessage(title, text, QSystemTrayIcon::Warning);
        return;
    }
    pendingTitle_ = title;
    pendingText_ = text;
}

void TrayController::updateIcon() {
    if (trayIcon_ && icon_) {
        trayIcon_->setIcon(icon_());
    }
}

}  // namespace mirelon
