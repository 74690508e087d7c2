// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace mirelon {

// One request to a desktop portal method that answers through a Request
// object: the Response signal of the request's path is listened to before
// the call (the path is known from the handle token), the call itself is
// made without waiting, and `done` runs once on the calling thread with the
// response code (0 yes, 1 refused by the user, 2 anything else) and the
// results. A call the portal rejects ends with code 2 and the error's text
// under "error". The request deletes itself afterwards.
class PortalRequest final : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(uint code, const QVariantMap& results)>;

    static constexpr uint yes = 0;
    static constexpr uint refused = 1;
    static constexpr uint failed = 2;

    // Calls `method` of `interface` on the desktop portal with `arguments`
    // followed by `options` (to which the handle token is added).
    static void start(const QDBusConnection& bus, const QString& interface, const QString& method,
                      QVariantList arguments, QVariantMap options, Done done);

    static const QString service;     // org.freedesktop.portal.Desktop
    static const QString objectPath;  // /org/freedesktop/portal/desktop

private Q_SLOTS:
    void response(uint code, const QVariantMap& results);

private:
    PortalRequest(const QDBusConnection& bus, Done done);
    void finish(uint code, const QVariantMap& results);

    QDBusConnection bus_;
    QString path_;
    Done done_;
};

}  // namespace mirelon
