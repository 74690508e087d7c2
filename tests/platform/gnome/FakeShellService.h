// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A stand-in for the GNOME Shell extension's bus service (app.mirelon.Shell),
// on a private bus, served from a thread of its own so that the program's
// blocking calls get their answers. Tests drive it through the methods at
// the bottom, which run on its thread and wait for it.

#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

namespace mirelon::test {

class FakeShell : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.mirelon.Shell")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString ShellVersion READ shellVersion)

public:
    struct GrabRecord {
        QString client;
        QString accelerator;
        QString name;
    };

    explicit FakeShell(QString busAddress) : address_(std::move(busAddress)) {
        thread_.start();
        moveToThread(&thread_);
    }
    ~FakeShell() override {
        QMetaObject::invokeMethod(
            this, [this] { leave(); }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }

    uint version() const { return protocol_; }
    QString shellVersion() const { return QStringLiteral("43.9"); }

public Q_SLOTS:
    void SetOverlayWindows(const QList<qulonglong>& windows) {
        QMutexLocker lock(&mutex_);
        overlayCalls_.append(windows);
    }
    void SetMoveMode(bool on) {
        QMutexLocker lock(&mutex_);
        moveModeCalls_.append(on);
    }
    uint GrabAccelerator(const QString& accelerator, const QString& name) {
        static const QRegularExpression syntax(
            QStringLiteral("^((?:<(?:Control|Alt|Shift|Super)>)*)([A-Za-z0-9_]+)$"));
        if (!syntax.match(accelerator).hasMatch()) {
            sendErrorReply(QStringLiteral("app.mirelon.Shell.Error.InvalidArgs"),
                           QStringLiteral("not an accelerator"));
            return 0;
        }
        QMutexLocker lock(&mutex_);
        ++grabCalls_;
        if (reserved_.contains(accelerator)) {
            return 0;
        }
        for (const GrabRecord& grab : grabs_) {
            if (grab.accelerator == accelerator) {
                return 0;
            }
        }
        const uint action = nextAction_++;
        grabs_.insert(action, {message().service(), accelerator, name});
        return action;
    }
    bool UngrabAccelerator(uint action) {
        QMutexLocker lock(&mutex_);
        return grabs_.remove(action) > 0;
    }
    void WatchPointer(bool watch) {
        QMutexLocker lock(&mutex_);
        watchCalls_.append(watch);
        if (watch) {
            watchers_.insert(message().service());
        } else {
            watchers_.remove(message().service());
        }
    }

public:
    // ---- driven by the tests (each runs on the service's thread and waits)
    // Takes the bus name, as the extension does when it is enabled.
    bool appear(uint protocol = 1) {
        bool ok = false;
        QMetaObject::invokeMethod(
            this,
            [this, protocol, &ok] {
                protocol_ = protocol;
                if (!bus_) {
                    bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
                        address_, QStringLiteral("fake-shell-%1").arg(nextConnection())));
                }
                ok = bus_->registerObject(
                         QStringLiteral("/app/mirelon/Shell"), this,
                         QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
                     bus_->registerService(QStringLiteral("app.mirelon.Shell"));
            },
            Qt::BlockingQueuedConnection);
        return ok;
    }
    // Gives the bus name up and forgets every client's requests, as the
    // extension does when it is disabled.
    void vanish() {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (bus_) {
                    bus_->unregisterService(QStringLiteral("app.mirelon.Shell"));
                    bus_->unregisterObject(QStringLiteral("/app/mirelon/Shell"));
                }
                QMutexLocker lock(&mutex_);
                grabs_.clear();
                watchers_.clear();
            },
            Qt::BlockingQueuedConnection);
    }
    // Sends Activated for a grabbed action to its grabber (false when none has it).
    bool activate(uint action) {
        bool sent = false;
        QMetaObject::invokeMethod(
            this,
            [this, action, &sent] {
                GrabRecord grab;
                {
                    QMutexLocker lock(&mutex_);
                    if (!grabs_.contains(action)) {
                        return;
                    }
                    grab = grabs_.value(action);
                }
                sent = sendTo(grab.client, QStringLiteral("Activated"),
                              {QVariant::fromValue(action), grab.name});
            },
            Qt::BlockingQueuedConnection);
        return sent;
    }
    // Sends any signal with any arguments to every client that grabbed or
    // watches (for malformed input).
    void sendToClients(const QString& member, const QVariantList& arguments) {
        QMetaObject::invokeMethod(
            this,
            [this, member, arguments] {
                QSet<QString> clients;
                {
                    QMutexLocker lock(&mutex_);
                    clients = watchers_;
                    for (const GrabRecord& grab : grabs_) {
                        clients.insert(grab.client);
                    }
                }
                for (const QString& client : clients) {
                    sendTo(client, member, arguments);
                }
            },
            Qt::BlockingQueuedConnection);
    }
    void movePointer(int x, int y) { sendToClients(QStringLiteral("PointerMoved"), {x, y}); }

    void reserve(const QString& accelerator) {
        QMutexLocker lock(&mutex_);
        reserved_.insert(accelerator);
    }
    QMap<uint, GrabRecord> grabs() const {
        QMutexLocker lock(&mutex_);
        return grabs_;
    }
    QStringList grabbedAccelerators() const {
        QStringList list;
        for (const GrabRecord& grab : grabs()) {
            list.append(grab.accelerator);
        }
        list.sort();
        return list;
    }
    int grabCalls() const {
        QMutexLocker lock(&mutex_);
        return grabCalls_;
    }
    QList<QList<qulonglong>> overlayCalls() const {
        QMutexLocker lock(&mutex_);
        return overlayCalls_;
    }
    QList<bool> moveModeCalls() const {
        QMutexLocker lock(&mutex_);
        return moveModeCalls_;
    }
    QList<bool> watchCalls() const {
        QMutexLocker lock(&mutex_);
        return watchCalls_;
    }
    int watcherCount() const {
        QMutexLocker lock(&mutex_);
        return int(watchers_.size());
    }

private:
    static int nextConnection() {
        static std::atomic<int> count{0};
        return ++count;
    }
    bool sendTo(const QString& client, const QString& member, const QVariantList& arguments) {
        QDBusMessage signal =
            QDBusMessage::createTargetedSignal(client, QStringLiteral("/app/mirelon/Shell"),
                                               QStringLiteral("app.mirelon.Shell"), member);
        signal.setArguments(arguments);
        return bus_ && bus_->send(signal);
    }
    void leave() {
        if (bus_) {
            bus_->unregisterService(QStringLiteral("app.mirelon.Shell"));
            bus_->unregisterObject(QStringLiteral("/app/mirelon/Shell"));
            const QString name = bus_->name();
            bus_.reset();
            QDBusConnection::disconnectFromBus(name);
        }
    }

    QString address_;
    QThread thread_;
    std::unique_ptr<QDBusConnection> bus_;
    uint protocol_ = 1;
    mutable QMutex mutex_;
    QMap<uint, GrabRecord> grabs_;
    uint nextAction_ = 100;
    QSet<QString> reserved_;
    QSet<QString> watchers_;
    int grabCalls_ = 0;
    QList<QList<qulonglong>> overlayCalls_;
    QList<bool> moveModeCalls_;
    QList<bool> watchCalls_;
};

}  // namespace mirelon::test
