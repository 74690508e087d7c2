// SPDX-License-Identifier: GPL-3.0-or-later
// Monitor names from GNOME's display configuration
// (org.gnome.Mutter.DisplayConfig GetCurrentState on the session bus).
#include "platform/DisplayNames.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QMap>
#include <QVariantMap>

Q_LOGGING_CATEGORY(lcDisplayNames, "app.mirelon.Mirelon.displays", QtInfoMsg)

namespace mirelon::DisplayNames {

namespace {

const QString service = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString expectedSignature =
    QStringLiteral("ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv}");

struct MonitorIdentity {
    QString connector, vendor, product, serial;
};

MonitorIdentity readIdentity(const QDBusArgument& arg) {
    MonitorIdentity identity;
    arg.beginStructure();
    arg >> identity.connector >> identity.vendor >> identity.product >> identity.serial;
    arg.endStructure();
    return identity;
}

// The reply, read only once its signature is the expected one.
QList<Monitor> parse(const QDBusMessage& reply) {
    QMap<QString, Monitor> byConnector;
    const QDBusArgument monitors = reply.arguments().at(1).value<QDBusArgument>();
    monitors.beginArray();
    while (!monitors.atEnd()) {
        monitors.beginStructure();
        const MonitorIdentity identity = readIdentity(monitors);
        static_cast<void>(monitors.asVariant());  // the modes
        QVariantMap properties;
        monitors >> properties;
        monitors.endStructure();
        Monitor m;
        m.connector = identity.connector;
        m.vendor = identity.vendor;
        m.product = identity.product;
        m.displayName = properties.value(QStringLiteral("display-name")).toString();
        byConnector.insert(identity.connector, m);
    }
    monitors.endArray();

    QList<Monitor> out;
    const QDBusArgument logical = reply.arguments().at(2).value<QDBusArgument>();
    logical.beginArray();
    while (!logical.atEnd()) {
        int x = 0;
        int y = 0;
        double scale = 1;
        uint transform = 0;
        bool primary = false;
        logical.beginStructure();
        logical >> x >> y >> scale >> transform >> primary;
        QList<MonitorIdentity> identities;
        logical.beginArray();
        while (!logical.atEnd()) {
            identities << readIdentity(logical);
        }
        logical.endArray();
        QVariantMap properties;
        logical >> properties;
        logical.endStructure();
        // A mirrored pair counts as one screen, named after its first monitor.
        if (!identities.isEmpty() && byConnector.contains(identities.first().connector)) {
            Monitor m = byConnector.value(identities.first().connector);
            m.position = QPoint(x, y);
            out << m;
        }
    }
    logical.endArray();
    return out;
}

}  // namespace

void refresh(QObject* context, std::function<void()> answered) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!context || !bus.isConnected()) {
        return;
    }
    const QDBusMessage call =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/gnome/Mutter/DisplayConfig"),
                                       service, QStringLiteral("GetCurrentState"));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [answered](QDBusPendingCallWatcher* self) {
                         self->deleteLater();
                         const QDBusMessage reply = self->reply();
                         if (reply.type() != QDBusMessage::ReplyMessage) {
                             return;  // not GNOME: Qt's names stand
                         }
                         if (reply.signature() != expectedSignature) {
                             qCWarning(lcDisplayNames).noquote()
                                 << "Ignoring the display configuration's answer of type"
                                 << reply.signature();
                             return;
                         }
                         setKnown(parse(reply));
                         if (answered) {
                             answered();
                         }
                     });
}

}  // namespace mirelon::DisplayNames
