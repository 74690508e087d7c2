// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/CameraPermission.h"

#include "platform/files/RegularFile.h"
#include "platform/qt/Logging.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace mirelon::CameraPermission {
namespace {

// The first word of a small file; never blocks on a FIFO left in its place.
// None (logged once here) when something is there that cannot be read.
std::optional<QString> readWord(const QString& path) {
    QString error;
    const auto bytes = RegularFile::read(path, 256, &error);
    if (!bytes) {
        if (QFile::exists(path)) {
            qCWarning(lcCapture).noquote()
                << "Cannot read simulated camera permission file" << path << ":" << error;
            return std::nullopt;
        }
        return QString();
    }
    return QString::fromUtf8(*bytes).trimmed();
}

}  // namespace

CameraAuthorization systemStatus(const QString& deviceFolder) {
    const QDir dir(deviceFolder);
    const auto nodes = dir.entryList({QStringLiteral("video*")}, QDir::System | QDir::Files);
    bool refused = false;
    for (const QString& node : nodes) {
        const QByteArray path = QFile::encodeName(dir.filePath(node));
        const int fd = ::open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            return CameraAuthorization::authorized;
        }
        if (errno == EACCES || errno == EPERM) {
            refused = true;
        }
    }
    return refused ? CameraAuthorization::denied : CameraAuthorization::authorized;
}

CameraAuthorization simulatedStatus(const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral(".permission"));
    if (!QFile::exists(path)) {
        return CameraAuthorization::authorized;
    }
    const auto read = readWord(path);
    if (!read) {
        return CameraAuthorization::denied;
    }
    const QString word = *read;
    if (word == QLatin1String("authorized")) {
        return CameraAuthorization::authorized;
    }
    if (word == QLatin1String("notDetermined")) {
        return CameraAuthorization::notDetermined;
    }
    if (word == QLatin1String("restricted")) {
        return CameraAuthorization::restricted;
    }
    if (word != QLatin1String("denied")) {
        qCWarning(lcCapture).noquote()
            << "Unknown simulated camera permission" << word.left(40) << "- treated as denied";
    }
    return CameraAuthorization::denied;
}

void requestSimulatedAccess(const QString& folder, std::function<void(bool)> answer) {
    std::thread([folder, answer = std::move(answer)] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const bool yes = readWord(QDir(folder).filePath(QStringLiteral(".permission-answer")))
                             .value_or(QString()) == QLatin1String("yes");
        if (yes) {
            QSaveFile file(QDir(folder).filePath(QStringLiteral(".permission")));
            if (file.open(QIODevice::WriteOnly)) {
                file.write("authorized\n");
                file.commit();
            }
        }
        answer(yes);
    }).detach();
}

}  // namespace mirelon::CameraPermission
