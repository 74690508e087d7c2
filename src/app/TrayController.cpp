// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayController.h"

#include "platform/TrayHost.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMenu>
#include <QScreen>

#include <algorithm>

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
    const double grace = std::max(0.0, noTrayGrace);
    noTrayCheck_ = Scheduler::main().schedule(grace, [self, grace] {
        if (self && !self->everHadTray_) {
            qCWarning(lcTray) << "No system tray after" << grace
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
    embedded_ = false;
    trayIcon_ = std::make_unique<QSystemTrayIcon>(icon_ ? icon_() : QIcon());
    trayIcon_->setToolTip(QStringLiteral("Mirelon"));
    if (menu_) {
        trayIcon_->setContextMenu(menu_);
    }
    connect(trayIcon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // In a native Wayland session the status-notifier host shows the
                // menu handed to it: a menu popped up by the program would be an
                // ordinary (tiled) window there.
                if (TrayHost::menusShownByHost() || !menu_ || menu_->isVisible()) {
                    return;
                }
                // A left click opens the same menu as a right click; an embedded
                // icon leaves both to us (see below).
                if (reason == QSystemTrayIcon::Trigger ||
                    (embedded_ && reason == QSystemTrayIcon::Context)) {
                    popUpMenuAtIcon();
                }
            });
    trayIcon_->show();
    // Which tray Qt docked the icon in decides how it is drawn. Qt decides
    // once per run between a status-notifier host and an XEmbed tray, so a
    // host that registered later still gets an embedded icon: drawn as a mask
    // there it would be black whatever the bar's colour.
    embedded_ = isEmbedded ? isEmbedded() : false;
    if (embedded_) {
        qCInfo(lcTray) << "Tray icon embedded in an XEmbed tray";
        // Qt would open the menu at the pointer as the X server knows it,
        // which is stale over a native top bar.
        trayIcon_->setContextMenu(nullptr);
        updateIcon();
    }
    everHadTray_ = true;
    ++iconsCreated_;
    qCInfo(lcTray) << "Tray icon shown";
    if (!pendingText_.isEmpty()) {
        trayIcon_->showMessage(std::exchange(pendingTitle_, {}), std::exchange(pendingText_, {}),
                               QSystemTrayIcon::Warning);
    }
}

void TrayController::showWarning(const QString& title, const QString& text) {
    qCInfo(lcTray).noquote() << "Notification:" << title;
    if (trayIcon_) {
        trayIcon_->showMessage(title, text, QSystemTrayIcon::Warning);
        return;
    }
    pendingTitle_ = title;
    pendingText_ = text;
}

bool TrayController::hasEmbeddedIconWidget() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) {
        return window->objectName() == QLatin1String("QSystemTrayIconSys");
    });
}

void TrayController::popUpMenuAtIcon() {
    if (!menu_) {
        return;
    }
    const QRect icon = trayIcon_ ? trayIcon_->geometry() : QRect();
    if (!icon.isValid()) {
        menu_->popup(QCursor::pos());
        return;
    }
    const QScreen* screen = QGuiApplication::screenAt(icon.center());
    menu_->popup(
        menuPosition(icon, menu_->sizeHint(), screen ? screen->availableGeometry() : QRect()));
}

QPoint TrayController::menuPosition(const QRect& icon, const QSize& menu, const QRect& screen) {
    QPoint at(icon.left(), icon.bottom() + 1);
    if (!screen.isValid()) {
        return at;
    }
    // A bar at the bottom of the screen: the menu opens above the icon.
    if (at.y() + menu.height() > screen.bottom() + 1 &&
        icon.top() - menu.height() >= screen.top()) {
        at.setY(icon.top() - menu.height());
    }
    // Kept within the screen sideways.
    at.setX(std::clamp(at.x(), screen.left(),
                       std::max(screen.left(), screen.right() + 1 - menu.width())));
    return at;
}

void TrayController::updateIcon() {
    if (trayIcon_ && icon_) {
        trayIcon_->setIcon(icon_());
    }
}

}  // namespace mirelon
