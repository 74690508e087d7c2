// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the companion GNOME Shell extension runs: it owns its bus name
// while it is enabled.
#include "platform/ShellExtension.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QPointer>

#include <memory>

namespace mirelon::ShellExtension {

void watchRunning(QObject* context, std::function<void(bool running)> changed) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!context || !changed) {
        return;
    }
    auto callback = std::make_shared<std::function<void(bool)>>(std::move(changed));
    if (!bus.isConnected() || !bus.interface()) {
        QMetaObject::invokeMethod(
            context, [callback] { (*callback)(false); }, Qt::QueuedConnection);
        return;
    }
    auto* watcher = new QDBusServiceWatcher(
        busName, bus,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
        context);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceRegistered, context,
                     [callback] { (*callback)(true); });
    QObject::connect(watcher, &QDBusServiceWatcher::serviceUnregistered, context,
                     [callback] { (*callback)(false); });
    // The state now, asked without waiting for the bus.
    const QDBusPendingCall call =
        bus.interface()->asyncCall(QStringLiteral("NameHasOwner"), busName);
    auto* pending = new QDBusPendingCallWatcher(call, context);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, context,
                     [callback](QDBusPendingCallWatcher* self) {
                         const QDBusPendingReply<bool> reply = *self;
                         (*callback)(!reply.isError() && reply.value());
                         self->deleteLater();
                     });
}

}  // namespace mirelon::ShellExtension
