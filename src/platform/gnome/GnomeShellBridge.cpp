// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomeShellBridge.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QLoggingCategory>
#include <QPointer>

Q_LOGGING_CATEGORY(lcGnome, "app.mirelon.Mirelon.gnome", QtInfoMsg)

namespace mirelon {

const QString GnomeShellBridge::serviceName = QStringLiteral("app.mirelon.Shell");
const QString GnomeShellBridge::objectPath = QStringLiteral("/app/mirelon/Shell");
const QString GnomeShellBridge::interfaceName = QStringLiteral("app.mirelon.Shell");

namespace {
const QString invalidArgsError = QStringLiteral("app.mirelon.Shell.Error.InvalidArgs");
constexpr std::uint32_t firstProtocol = 1;
}  // namespace

GnomeShellBridge::GnomeShellBridge(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(std::make_unique<QDBusConnection>(bus)) {
    if (!bus_->isConnected()) {
        qCInfo(lcGnome) << "No session bus: GNOME Shell's Mirelon extension cannot be reached";
        return;
    }
    watcher_ =
        new QDBusServiceWatcher(serviceName, *bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                if (!oldOwner.isEmpty() || newOwner.isEmpty()) {
                    vanished();
                }
                if (!newOwner.isEmpty()) {
                    owner_ = newOwner;
                    appeared();
                }
            });
    // Signals for this client alone; Qt matches them to the name's owner.
    bus_->connect(serviceName, objectPath, interfaceName, QStringLiteral("Activated"), this,
                  SLOT(activatedMessage(QDBusMessage)));
    bus_->connect(serviceName, objectPath, interfaceName, QStringLiteral("PointerMoved"), this,
                  SLOT(pointerMovedMessage(QDBusMessage)));

    readShellVersion();
    // Already there?
    auto* pending = new QDBusPendingCallWatcher(
        bus_->interface()->asyncCall(QStringLiteral("GetNameOwner"), serviceName), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QString> reply = *w;
        if (reply.isValid() && !reply.value().isEmpty() && owner_.isEmpty()) {
            owner_ = reply.value();
            appeared();
        }
    });
}

GnomeShellBridge::~GnomeShellBridge() = default;

GnomeShellBridge& GnomeShellBridge::shared() {
    static GnomeShellBridge* bridge = new GnomeShellBridge(QDBusConnection::sessionBus());
    return *bridge;
}

bool GnomeShellBridge::extensionOwnsBusName() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    const QDBusReply<bool> reply = bus.interface()->isServiceRegistered(serviceName);
    return reply.isValid() && reply.value();
}

bool GnomeShellBridge::hasInputShapeFault(const QString& shellVersion) {
    const QStringList parts = shellVersion.split(u'.');
    bool ok = false;
    const int major = parts.value(0).toInt(&ok);
    if (!ok || major <= 0) {
        return false;
    }
    if (major != 44) {
        return major < 44;
    }
    // 44.2 and later; "44.beta" and the like count as before.
    const int minor = parts.value(1).toInt(&ok);
    return !ok || minor < 2;
}

void GnomeShellBridge::readShellVersion() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.gnome.Shell") << QStringLiteral("ShellVersion");
    auto* pending = new QDBusPendingCallWatcher(bus_->asyncCall(get, callTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (reply.isValid() && shellVersion_.isEmpty()) {
            shellVersion_ = reply.value().variant().toString().left(32);
        }
    });
}

void GnomeShellBridge::appeared() {
    ++generation_;
    readVersion();
}

void GnomeShellBridge::vanished() {
    ++generation_;
    owner_.clear();
    sentOverlays_.reset();
    sentMoveMode_ = false;
    sentPointerWatch_ = false;
    if (running_) {
        running_ = false;
        qCInfo(lcGnome) << "GNOME Shell's Mirelon extension left the bus";
        Q_EMIT runningChanged(false);
    }
}

void GnomeShellBridge::readVersion() {
    QDBusMessage getAll = QDBusMessage::createMethodCall(
        serviceName, objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    getAll << interfaceName;
    auto* pending = new QDBusPendingCallWatcher(bus_->asyncCall(getAll, callTimeoutMs), this);
    const std::uint64_t generation = generation_;
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (generation != generation_) {
                    return;  // it left (or came again) meanwhile
                }
                const QDBusPendingReply<QVariantMap> reply = *w;
                if (!reply.isValid()) {
                    qCWarning(lcGnome).noquote()
                        << "GNOME Shell's Mirelon extension did not give its version:"
                        << reply.error().message();
                    return;
                }
                const QVariantMap properties = reply.value();
                const QVariant version = properties.value(QStringLiteral("Version"));
                if (version.typeId() != QMetaType::UInt || version.toUInt() < firstProtocol) {
                    qCWarning(lcGnome) << "GNOME Shell's Mirelon extension gave no usable protocol "
                                          "version; not using it:"
                                       << version;
                    return;
                }
                versionRead(version.toUInt(),
                            properties.value(QStringLiteral("ShellVersion")).toString());
            });
}

void GnomeShellBridge::versionRead(std::uint32_t version, const QString& shellVersion) {
    version_ = version;
    if (!shellVersion.isEmpty()) {
        shellVersion_ = shellVersion.left(32);
    }
    running_ = true;
    qCInfo(lcGnome).noquote() << "GNOME Shell" << shellVersion_
                              << "with Mirelon's extension, protocol" << version_;
    sendOverlays();
    sendMoveMode();
    sendPointerWatch();
    Q_EMIT runningChanged(true);
}

void GnomeShellBridge::callAsync(const QString& method, const QVariantList& arguments) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, method);
    call.setArguments(arguments);
    auto* pending = new QDBusPendingCallWatcher(bus_->asyncCall(call, callTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [method](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (w->isError()) {
                    qCWarning(lcGnome).noquote() << "GNOME Shell's Mirelon extension refused"
                                                 << method + ":" << w->error().message();
                }
            });
}

void GnomeShellBridge::setOverlayWindows(const QList<quint64>& windows) {
    overlays_ = windows;
    sendOverlays();
}

void GnomeShellBridge::sendOverlays() {
    if (!running_ || (sentOverlays_ && *sentOverlays_ == overlays_)) {
        return;
    }
    // Nothing given yet: the extension's own rule finds the windows.
    if (!sentOverlays_ && overlays_.isEmpty()) {
        return;
    }
    sentOverlays_ = overlays_;
    qCDebug(lcGnome) << "overlay windows" << overlays_;
    callAsync(QStringLiteral("SetOverlayWindows"), {QVariant::fromValue(overlays_)});
}

void GnomeShellBridge::setMoveMode(bool on) {
    moveMode_ = on;
    sendMoveMode();
}

void GnomeShellBridge::sendMoveMode() {
    if (!running_ || moveMode_ == sentMoveMode_) {
        return;
    }
    sentMoveMode_ = moveMode_;
    callAsync(QStringLiteral("SetMoveMode"), {moveMode_});
}

void GnomeShellBridge::setWatchingPointer(bool watching) {
    watchingPointer_ = watching;
    sendPointerWatch();
}

void GnomeShellBridge::sendPointerWatch() {
    if (!running_ || watchingPointer_ == sentPointerWatch_) {
        return;
    }
    sentPointerWatch_ = watchingPointer_;
    callAsync(QStringLiteral("WatchPointer"), {watchingPointer_});
}

GnomeShellBridge::Grab GnomeShellBridge::grabAccelerator(const QString& accelerator,
                                                         const QString& name) {
    Grab grab;
    if (!running_) {
        grab.error = QStringLiteral("the extension is not running");
        return grab;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName,
                                                       QStringLiteral("GrabAccelerator"));
    call << accelerator << name;
    const QDBusMessage reply = bus_->call(call, QDBus::Block, callTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        grab.error = reply.errorMessage();
        grab.result =
            reply.errorName() == invalidArgsError ? Grab::Result::invalid : Grab::Result::failed;
        return grab;
    }
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        reply.arguments().constFirst().typeId() != QMetaType::UInt) {
        grab.error = QStringLiteral("an answer of the wrong type");
        return grab;
    }
    grab.action = reply.arguments().constFirst().toUInt();
    grab.result = grab.action == 0 ? Grab::Result::reserved : Grab::Result::grabbed;
    return grab;
}

void GnomeShellBridge::ungrabAccelerator(std::uint32_t action) {
    if (running_) {
        callAsync(QStringLiteral("UngrabAccelerator"), {action});
    }
}

void GnomeShellBridge::activatedMessage(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (!running_ || args.size() != 2 || args[0].typeId() != QMetaType::UInt) {
        qCWarning(lcGnome) << "Ignored a malformed Activated signal";
        return;
    }
    Q_EMIT activated(args[0].toUInt(), args[1].toString());
}

void GnomeShellBridge::pointerMovedMessage(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (!running_ || !watchingPointer_ || args.size() != 2 || args[0].typeId() != QMetaType::Int ||
        args[1].typeId() != QMetaType::Int) {
        return;
    }
    Q_EMIT pointerMoved(QPoint(args[0].toInt(), args[1].toInt()));
}

}  // namespace mirelon
