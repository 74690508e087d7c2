// SPDX-License-Identifier: GPL-3.0-or-later
// Status-notifier items: the tray of desktops that speak D-Bus.
#include "platform/TrayHost.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>

namespace mirelon::TrayHost {

bool hasStatusNotifierHost() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(watcher).value()) {
        return false;
    }
    QDBusInterface iface(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return iface.isValid() && iface.property("IsStatusNotifierHostRegistered").toBool();
}

}  // namespace mirelon::TrayHost
