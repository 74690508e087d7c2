// SPDX-License-Identifier: GPL-3.0-or-later
// The companion GNOME Shell extension's files: the copy that came with the
// program and the user's installed copy.
#include "platform/ShellExtension.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace mirelon::ShellExtension {

namespace {

const QString extensionsFolder = QStringLiteral("gnome-shell/extensions");

// A folder holds the extension when it has its metadata, its code and the
// interface it offers.
bool holdsExtension(const QString& folder) {
    for (const QString& name : {QStringLiteral("metadata.json"), QStringLiteral("extension.js"),
                                QString(busName + QStringLiteral(".xml"))}) {
        if (!QFileInfo(folder + u'/' + name).isFile()) {
            return false;
        }
    }
    return true;
}

}  // namespace

QString bundledFolder() {
    // <prefix>/bin/mirelon finds <prefix>/share/...; a build folder's
    // src/mirelon finds <build>/share/... (copied there by the build).
    const QString folder =
        QDir(QCoreApplication::applicationDirPath())
            .absoluteFilePath(QStringLiteral("../share/") + extensionsFolder + u'/' + uuid);
    return holdsExtension(folder) ? QDir::cleanPath(folder) : QString();
}

QString userFolder() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data)) {
        data = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return data + u'/' + extensionsFolder + u'/' + uuid;
}

bool isInstalled() {
    if (holdsExtension(userFolder())) {
        return true;
    }
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) {
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    }
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        if (holdsExtension(dir + u'/' + extensionsFolder + u'/' + uuid)) {
            return true;
        }
    }
    return false;
}

bool copyToUser(QString* error) {
    const auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    const QString source = bundledFolder();
    if (source.isEmpty()) {
        return fail(QStringLiteral("this installation of Mirelon has no GNOME Shell extension"));
    }
    const QString target = userFolder();
    QDir parent = QFileInfo(target).dir();
    if (!parent.mkpath(QStringLiteral("."))) {
        return fail(QStringLiteral("cannot create %1").arg(parent.path()));
    }
    // A complete copy beside the target first, then swapped in.
    const QString staging = target + QStringLiteral(".new");
    QDir(staging).removeRecursively();
    if (!QDir().mkpath(staging)) {
        return fail(QStringLiteral("cannot create %1").arg(staging));
    }
    const QFileInfoList files =
        QDir(source).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& file : files) {
        if (file.isSymLink()) {
            continue;
        }
        const QString copy = staging + u'/' + file.fileName();
        if (!QFile::copy(file.absoluteFilePath(), copy)) {
            QDir(staging).removeRecursively();
            return fail(QStringLiteral("cannot copy %1").arg(file.fileName()));
        }
        QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    const QFileInfo existing(target);
    if (existing.exists() || existing.isSymLink()) {
        if (existing.isSymLink() || !existing.isDir()) {
            QFile::remove(target);
        } else {
            QDir(target).removeRecursively();
        }
    }
    if (!QDir().rename(staging, target)) {
        QDir(staging).removeRecursively();
        return fail(QStringLiteral("cannot move the extension into %1").arg(target));
    }
    return true;
}

}  // namespace mirelon::ShellExtension
