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
// still none noTrayTimeout seconds after start.
class TrayController : public QObject {
    Q_OBJECT
public:
    static constexpr double pollInterval = 2.0;
    static constexpr double noTrayTimeout = 30.0;

    TrayController(QMenu* menu, std::function<QIcon()> icon, std::function<void()> noTrayFound,
                   QObject* parent = nullptr);
    ~TrayController() override;

    // Whether the desktop has a tray now; replaceable for tests.
    std::function<bool()> isTrayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };

    void start();
    // Draws the icon again (after the "menuBarIcon" preference changed).
    void updateIcon();

    // Shows a warning as the desktop's notification through the tray item;
    // kept until a tray item exists when there is none yet.
    void showWarning(const QString& title, const QString& text);

    QSystemTrayIcon* trayIcon() const { return trayIcon_.get(); }
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
    bool everHadTray_ = false;
    int iconsCreated_ = 0;
    QString pendingTitle_;
    QString pendingText_;
    TaskHandle poll_;
    TaskHandle noTrayCheck_;
};

}  // namespace mirelon
