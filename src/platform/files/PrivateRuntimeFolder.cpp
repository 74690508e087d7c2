// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/PrivateRuntimeFolder.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace mirelon::PrivateRuntimeFolder {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The runtime folder of this session when it is this user's and no one else
// may write into it.
bool isOwnRuntimeFolder(const QString& path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path)) {
        return false;
    }
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 022) == 0;
}

}  // namespace

QString ensurePrivate(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return QStringLiteral("cannot create %1: %2").arg(path, systemError(errno));
    }
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) {
        return QStringLiteral("cannot read %1: %2").arg(path, systemError(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        return QStringLiteral("%1 is not a folder").arg(path);
    }
    if (info.st_uid != ::getuid()) {
        return QStringLiteral("%1 belongs to another user (uid %2)")
            .arg(path)
            .arg(static_cast<qulonglong>(info.st_uid));
    }
    if ((info.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0) {
        return QStringLiteral("cannot close %1 to other users: %2").arg(path, systemError(errno));
    }
    return {};
}

Result locate() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString path = isOwnRuntimeFolder(runtime)
                             ? runtime + QStringLiteral("/mirelon")
                             : QStringLiteral("%1/mirelon-%2")
                                   .arg(QDir::tempPath())
                                   .arg(static_cast<qulonglong>(::getuid()));
    const QString problem = ensurePrivate(path);
    if (!problem.isEmpty()) {
        return {QString(), problem};
    }
    return {path, QString()};
}

}  // namespace mirelon::PrivateRuntimeFolder
