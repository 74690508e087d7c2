#include "app/SingleInstance.h"

#include "platform/UserDefaults.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLoggingCategory>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "app.mirelon.Mirelon.instance", QtInfoMsg)

namespace mirelon {

namespace {
constexpr int connectTimeoutMs = 1000;
constexpr qint64 maximumRequestSize = 256;
}  // namespace

QString SingleInstance::defaultServerName() {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QFileInfo info(dir);
    if (dir.isEmpty() || !info.isDir() || !info.isWritable()) {
        dir = QDir::tempPath();
    }
    // Only a path from the environment: the preferences store must not exist yet.
    const QByteArray identity =
        qgetenv("DISPLAY") + '\n' + UserDefaults::standardFilePath().toUtf8();
    const QByteArray hash =
        QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("%1/mirelon-%2-%3.sock")
        .arg(dir)
        .arg(static_cast<qulonglong>(getuid()))
        .arg(QString::fromLatin1(hash));
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name_(std::move(serverName)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket] { readRequest(socket); });
            if (socket->bytesAvailable() > 0) {
                readRequest(socket);
            }
        }
    });
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claimOrHandOver() {
    // Two attempts cover two launches racing for the name.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (handOver()) {
            return false;
        }
        if (listen()) {
            return true;
        }
    }
    // Nobody answers on a name we cannot take: a leftover socket file.
    QLocalServer::removeServer(name_);
    if (!listen()) {
        qCWarning(lcInstance).noquote()
            << "Cannot listen on" << name_ << ":" << server_.errorString()
            << "- a second launch will not find this one";
    }
    return true;
}

bool SingleInstance::handOver() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return false;
    }
    socket.write(openSettingsRequest);
    if (!socket.waitForBytesWritten(connectTimeoutMs)) {
        return false;
    }
    socket.disconnectFromServer();
    qCInfo(lcInstance) << "Mirelon is already running: asked it to open its settings";
    return true;
}

bool SingleInstance::listen() {
    return server_.listen(name_);
}

void SingleInstance::readRequest(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maximumRequestSize) {
            socket->abort();
        }
        return;
    }
    const QByteArray line = socket->readLine(maximumRequestSize);
    if (line == openSettingsRequest) {
        Q_EMIT settingsRequested();
    } else {
        qCWarning(lcInstance) << "Ignoring an unknown request from another launch";
    }
    socket->disconnectFromServer();
}

}  // namespace mirelon
