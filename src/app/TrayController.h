// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/Scheduler.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class QMenu;

namespace mirelon {

// Keeps the tray item alive: shows it when the desktop has a tray, creates it
// again when a tray (re)appears, and calls noTrayFound once when there is
// still none noTrayGrace seconds after start (at once by default: a desktop
// without a tray host must not leave the user with nothing to click; a tray
// that appears later still gets the icon).
class TrayController : public QObject {
    Q_OBJECT
public:
    static constexpr double pollInterval = 2.0;
    // At login the desktop's panel may start after Mirelon.
    static constexpr double noTrayGraceAtLogin = 30.0;

    TrayController(QMenu* menu, std::function<QIcon()> icon, std::function<void()> noTrayFound,
                   QObject* parent = nullptr);
    ~TrayController() override;

    // Whether the desktop has a tray now; replaceable for tests.
    std::function<bool()> isTrayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    // Whether the icon just shown went to an XEmbed tray; replaceable for tests.
    std::function<bool()> isEmbedded = &TrayController::hasEmbeddedIconWidget;
    // Qt's XEmbed tray icon is a top-level widget of its own.
    static bool hasEmbeddedIconWidget();

    // Seconds start() gives the tray to appear before calling noTrayFound.
    double noTrayGrace = 0;

    void start();
    // Draws the icon again (after the "menuBarIcon" preference changed).
    void updateIcon();
    // Opens the menu below (or above) the icon's place on screen: the pointer
    // position is not known everywhere (XWayland over a native top bar).
    void popUpMenuAtIcon();

    // Where a menu of the given size opens for an icon at icon (global
    // coordinates) on a screen whose free area is screen: below the icon, or
    // above it when there is no room below, within the screen sideways.
    static QPoint menuPosition(const QRect& icon, const QSize& menu, const QRect& screen);

    // Shows a warning as the desktop's notification through the tray item;
    // kept until a tray item exists when there is none yet.
    void showWarning(const QString& title, const QString& text);

    QSystemTrayIcon* trayIcon() const { return trayIcon_.get(); }
    // The icon shown now sits in an XEmbed tray (not a status-notifier host).
    bool isIconEmbedded() const { return trayIcon_ && embedded_; }
    int iconsCreated() const { return iconsCreated_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void check();
    void createIcon();

    QPointer<QMenu> menu_;
    std::function<QIcon()> icon_;
    std::function<void()> noTrayFound_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    bool trayWasAvailable_ = false;
    bool embedded_ = false;
    bool everHadTray_ = false;
    int iconsCreated_ = 0;
    QString pendingTitle_;
    QString pendingText_;
    TaskHandle poll_;
    TaskHandle noTrayCheck_;
};

}  // namespace mirelon
