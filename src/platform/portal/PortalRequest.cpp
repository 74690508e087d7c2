// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <unistd.h>

namespace mirelon {

const QString PortalRequest::service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalRequest::objectPath = QStringLiteral("/org/freedesktop/portal/desktop");

namespace {
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
constexpr int kCallTimeoutMs = 30000;
}  // namespace

PortalRequest::PortalRequest(const QDBusConnection& bus, Done done)
    : bus_(bus), done_(std::move(done)) {}

void PortalRequest::start(const QDBusConnection& bus, const QString& interface,
                          const QString& method, QVariantList arguments, QVariantMap options,
                          Done done) {
    static int counter = 0;
    const QString token = QStringLiteral("mirelon_%1_%2").arg(::getpid()).arg(++counter);
    auto* request = new PortalRequest(bus, std::move(done));
    QString sender = request->bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    request->path_ =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    request->bus_.connect(service, request->path_, kRequest, QStringLiteral("Response"), request,
                          SLOT(response(uint, QVariantMap)));
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, interface, method);
    call.setArguments(arguments);
    auto* watcher =
        new QDBusPendingCallWatcher(request->bus_.asyncCall(call, kCallTimeoutMs), request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request,
            [request](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (w->isError()) {
                    request->finish(failed, {{QStringLiteral("error"), w->error().message()}});
                }
            });
}

void PortalRequest::response(uint code, const QVariantMap& results) {
    finish(code, results);
}

void PortalRequest::finish(uint code, const QVariantMap& results) {
    if (!done_) {
        return;
    }
    bus_.disconnect(service, path_, kRequest, QStringLiteral("Response"), this,
                    SLOT(response(uint, QVariantMap)));
    const Done done = std::move(done_);
    done_ = nullptr;
    deleteLater();
    done(code, results);
}

}  // namespace mirelon
