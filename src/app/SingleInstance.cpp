// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "platform/files/PeerCredentials.h"
#include "platform/files/PreferencesFile.h"
#include "platform/files/PrivateRuntimeFolder.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QThread>

#include <sys/un.h>
#include <utility>

Q_LOGGING_CATEGORY(lcInstance, "app.mirelon.Mirelon.instance", QtInfoMsg)

namespace mirelon {

namespace {
constexpr int connectTimeoutMs = 1000;
constexpr int retryPauseMs = 50;
constexpr qint64 maximumRequestSize = 256;

// A socket address holds at most this many bytes of path.
constexpr int maximumSocketPathBytes = static_cast<int>(sizeof(sockaddr_un::sun_path)) - 1;

enum class Exchange { Replied, NotConnected, Refused, Failed };

// One request on a fresh connection: connect, check who listens, write, read
// the answer line.
Exchange exchange(const QString& socketPath, const QByteArray& request, uint expectedPeerUid,
                  const QDeadlineTimer& deadline, QByteArray* reply) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return Exchange::NotConnected;
    }
    const auto peer = peerUserId(socket.socketDescriptor());
    if (!peer || *peer != expectedPeerUid) {
        qCWarning(lcInstance).noquote()
            << "Refusing" << socketPath << ": it is served by another user";
        socket.abort();
        return Exchange::Refused;
    }
    socket.write(request);
    if (!socket.waitForBytesWritten(connectTimeoutMs)) {
        return Exchange::Failed;
    }
    while (!socket.canReadLine()) {
        const int left = static_cast<int>(deadline.remainingTime());
        if (left <= 0 || socket.bytesAvailable() > maximumRequestSize ||
            !socket.waitForReadyRead(left)) {
            return Exchange::Failed;
        }
    }
    *reply = socket.readLine(maximumRequestSize);
    return Exchange::Replied;
}

}  // namespace

QByteArray SingleInstance::actionRequest(const QString& name) {
    return "action " + name.toUtf8() + '\n';
}

std::optional<SingleInstance::Channel> SingleInstance::defaultChannel(QString* problem) {
    const PrivateRuntimeFolder::Result folder = PrivateRuntimeFolder::locate();
    if (folder.path.isEmpty()) {
        if (problem) {
            *problem = folder.problem;
        }
        return std::nullopt;
    }
    // Only a path from the environment: the preferences store must not exist yet.
    const QByteArray identity = qgetenv("DISPLAY") + '\n' + qgetenv("WAYLAND_DISPLAY") + '\n' +
                                PreferencesFile::standardFilePath().toUtf8();
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(16));
    Channel channel{folder.path + QStringLiteral("/instance-%1.sock").arg(hash),
                    folder.path + QStringLiteral("/instance-%1.lock").arg(hash)};
    if (QFile::encodeName(channel.socketPath).size() > maximumSocketPathBytes) {
        if (problem) {
            *problem = QStringLiteral("the socket path %1 is too long").arg(channel.socketPath);
        }
        return std::nullopt;
    }
    return channel;
}

SingleInstance::SingleInstance(std::optional<Channel> channel, QObject* parent)
    : QObject(parent), channel_(std::move(channel)), expectedPeerUid_(ownUserId()) {
    if (channel_) {
        lock_ = std::make_unique<FileLock>(channel_->lockPath);
    }
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            accept(socket);
        }
    });
}

SingleInstance::~SingleInstance() {
    listenCheck_.cancel();
    for (Client& client : clients_) {
        client.deadline.cancel();
        QObject::disconnect(client.socket, nullptr, this, nullptr);
    }
    clients_.clear();
    if (server_.isListening()) {
        server_.close();
        QFile::remove(channel_->socketPath);
    }
}

SingleInstance::Claim SingleInstance::claim() {
    if (!channel_) {
        return Claim::Instance;
    }
    const QDeadlineTimer deadline(handOverTimeoutMs_);
    while (true) {
        switch (lock_->tryLock()) {
            case FileLock::Status::Acquired:
                listen();
                listenCheck_ = Scheduler::main().scheduleRepeating(listenCheckInterval,
                                                                   [this] { checkListening(); });
                return Claim::Instance;
            case FileLock::Status::Unusable:
                qCWarning(lcInstance).noquote()
                    << "Running without hand-over to a second launch:" << lock_->problem();
                return Claim::Instance;
            case FileLock::Status::Busy:
                break;
        }
        QByteArray reply;
        const Exchange result =
            exchange(channel_->socketPath, openSettingsRequest, expectedPeerUid_, deadline, &reply);
        if (result == Exchange::Replied) {
            qCInfo(lcInstance) << "Mirelon is already running: asked it to open its settings";
            return Claim::HandedOver;
        }
        if (deadline.hasExpired()) {
            qCWarning(lcInstance) << "Mirelon is already running but does not answer";
            return Claim::NoAnswer;
        }
        // The holder may be between taking the lock and listening, or about to end.
        QThread::msleep(retryPauseMs);
    }
}

SingleInstance::Answer SingleInstance::send(const Channel& channel, const QByteArray& request,
                                            int timeoutMs) {
    return sendExpectingPeer(channel, request, timeoutMs, ownUserId());
}

SingleInstance::Answer SingleInstance::sendExpectingPeer(const Channel& channel,
                                                         const QByteArray& request, int timeoutMs,
                                                         uint expectedPeerUid) {
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        {
            // A free lock means no instance runs; it is let go at once.
            FileLock probe(channel.lockPath);
            switch (probe.tryLock()) {
                case FileLock::Status::Acquired:
                    return {Answer::NoInstance, {}};
                case FileLock::Status::Unusable:
                    qCWarning(lcInstance).noquote() << probe.problem();
                    return {Answer::Unusable, {}};
                case FileLock::Status::Busy:
                    break;
            }
        }
        QByteArray reply;
        const Exchange result =
            exchange(channel.socketPath, request, expectedPeerUid, deadline, &reply);
        if (result == Exchange::Replied) {
            return {Answer::Replied, reply};
        }
        if (result == Exchange::Refused || deadline.hasExpired()) {
            return {Answer::NoAnswer, {}};
        }
        QThread::msleep(retryPauseMs);
    }
}

bool SingleInstance::listen(bool reportFailure) {
    // Holding the lock, any socket file at the path is a leftover of an
    // instance that ended: no live instance's socket is ever replaced.
    QFile::remove(channel_->socketPath);
    if (!server_.listen(channel_->socketPath)) {
        if (!reportFailure) {
            return false;
        }
        qCWarning(lcInstance).noquote()
            << "Cannot listen on" << channel_->socketPath << ":" << server_.errorString()
            << "- a second launch will not reach this one";
        return false;
    }
    return true;
}

void SingleInstance::checkListening() {
    if (!channel_ || !holdsLock() || server_.isListening()) {
        return;
    }
    if (!listenLossLogged_) {
        listenLossLogged_ = true;
        qCWarning(lcInstance).noquote()
            << QStringLiteral("Stopped listening on %1 (%2); listening again")
                   .arg(channel_->socketPath, server_.errorString());
    }
    // Whatever connections are open, descriptors are what the server lacked.
    while (!clients_.empty()) {
        drop(clients_.front().socket);
    }
    if (listen(false)) {
        listenLossLogged_ = false;
        qCInfo(lcInstance).noquote() << "Listening again on" << channel_->socketPath;
    }
}

void SingleInstance::accept(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    const auto peer = peerUserId(socket->socketDescriptor());
    if (!peer || *peer != expectedPeerUid_) {
        qCWarning(lcInstance) << "Refused a connection from another user";
        socket->abort();
        socket->deleteLater();
        return;
    }
    // A flood of connections ends the oldest ones: a launch sends its request
    // at once, so it is answered before many more can come after it.
    if (static_cast<int>(clients_.size()) >= maximumClients) {
        if (!std::exchange(evictionLogged_, true)) {
            qCWarning(lcInstance) << "More than" << maximumClients
                                  << "connections at once: ending the oldest ones";
        }
        drop(clients_.front().socket);
    }
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { forget(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
    clients_.push_back({socket, Scheduler::main().schedule(idleTimeout, [this, socket] {
                            qCDebug(lcInstance) << "Dropping a connection that sent nothing";
                            drop(socket);
                        })});
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
    if (socket->bytesAvailable() > 0) {
        readRequest(socket);
    }
}

void SingleInstance::forget(QLocalSocket* socket) {
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        if (it->socket == socket) {
            clients_.erase(it);  // cancels its deadline
            break;
        }
    }
    if (clients_.empty()) {
        evictionLogged_ = false;
    }
}

void SingleInstance::drop(QLocalSocket* socket) {
    forget(socket);
    QObject::disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    socket->deleteLater();
}

void SingleInstance::readRequest(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maximumRequestSize) {
            qCWarning(lcInstance) << "Ignoring an oversized request from another launch";
            socket->abort();
        }
        return;
    }
    const QByteArray line = socket->readLine(maximumRequestSize);
    const QByteArray reply = answer(line);
    // Answered: no longer one of the clients waited for.
    forget(socket);
    QObject::disconnect(socket, nullptr, this, nullptr);
    if (!reply.isEmpty()) {
        socket->write(reply);
        socket->flush();
    }
    socket->disconnectFromServer();
}

QByteArray SingleInstance::answer(const QByteArray& line) {
    if (line == openSettingsRequest) {
        Q_EMIT settingsRequested();
        return okReply;
    }
    if (line.startsWith("action ") && line.endsWith('\n')) {
        const QString name = QString::fromUtf8(line.mid(7).chopped(1));
        const ActionResult result = actionHandler_ ? actionHandler_(name) : ActionResult::Unknown;
        qCInfo(lcInstance).noquote() << "Action" << name << "asked for by another launch:"
                                     << (result == ActionResult::Done          ? "done"
                                         : result == ActionResult::Unavailable ? "unavailable"
                                                                               : "unknown");
        switch (result) {
            case ActionResult::Done:
                return okReply;
            case ActionResult::Unavailable:
                return unavailableActionReply;
            case ActionResult::Unknown:
                return unknownActionReply;
        }
    }
    qCWarning(lcInstance) << "Ignoring an unknown request from another launch";
    return {};
}

}  // namespace mirelon
