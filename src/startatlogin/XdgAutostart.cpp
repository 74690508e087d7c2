// SPDX-License-Identifier: GPL-3.0-or-later
#include "startatlogin/XdgAutostart.h"

#include "platform/files/RegularFile.h"
#include "platform/qt/Logging.h"
#include "startatlogin/DesktopEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace mirelon {

namespace {

QString canonicalOrClean(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical;
}

bool isEnvAssignment(const QString& arg) {
    const qsizetype eq = arg.indexOf(u'=');
    return eq > 0 && !arg.left(eq).contains(u'/');
}

}  // namespace

XdgAutostart::XdgAutostart(QString executablePath, QString configHome, QStringList configDirs)
    : executablePath_(std::move(executablePath)),
      configHome_(std::move(configHome)),
      configDirs_(std::move(configDirs)) {}

XdgAutostart XdgAutostart::forCurrentProcess() {
    QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home)) {
        home = QDir::homePath() + QStringLiteral("/.config");
    }
    QStringList dirs;
    for (const QString& d :
         qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(d)) {
            dirs.append(d);
        }
    }
    if (dirs.isEmpty()) {
        dirs.append(QStringLiteral("/etc/xdg"));
    }
    return XdgAutostart(QCoreApplication::applicationFilePath(), home, dirs);
}

QString XdgAutostart::userFilePath() const {
    return configHome_ + QStringLiteral("/autostart/") + fileName;
}

QString XdgAutostart::systemFilePath() const {
    for (const QString& dir : configDirs_) {
        const QString path = dir + QStringLiteral("/autostart/") + fileName;
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return {};
}

QString XdgAutostart::execLine() const {
    return QStringLiteral("env ") + launchedAtLoginVariable + QStringLiteral("=1 ") +
           DesktopEntry::quoteExecArgument(QFileInfo(executablePath_).absoluteFilePath(), true);
}

bool XdgAutostart::isRegistered() const {
    const QString user = userFilePath();
    if (QFileInfo::exists(user)) {
        return entryStartsThisProgram(user);
    }
    const QString system = systemFilePath();
    return !system.isEmpty() && entryStartsThisProgram(system);
}

bool XdgAutostart::entryStartsThisProgram(const QString& path) const {
    // Never blocks: a FIFO or device at the entry's path is refused, not opened.
    QString error;
    const auto text = RegularFile::read(path, DesktopEntry::maximumFileSize + 1, &error);
    if (!text) {
        qCWarning(lcMain).noquote() << "Cannot read autostart entry" << path << ":" << error;
        return false;
    }
    const auto entry = DesktopEntry::parse(*text, &error);
    if (!entry) {
        qCWarning(lcMain).noquote() << "Ignoring autostart entry" << path << ":" << error;
        return false;
    }
    if (entry->boolValue(QStringLiteral("Hidden"), false) ||
        !entry->boolValue(QStringLiteral("X-GNOME-Autostart-enabled"), true)) {
        return false;
    }
    const auto exec = entry->value(QStringLiteral("Exec"));
    if (!exec) {
        return false;
    }
    const auto args = DesktopEntry::splitExec(*exec);
    if (!args || args->isEmpty()) {
        return false;
    }
    qsizetype i = 0;
    const QString first = args->at(0);
    if (first == QLatin1String("env") || first.endsWith(QLatin1String("/env"))) {
        ++i;
        while (i < args->size() && isEnvAssignment(args->at(i))) {
            ++i;
        }
    }
    if (i >= args->size()) {
        return false;
    }
    const QString program = args->at(i);
    if (!QDir::isAbsolutePath(program)) {
        return false;
    }
    return canonicalOrClean(program) == canonicalOrClean(executablePath_);
}

bool XdgAutostart::writeUserFile(const QByteArray& text, QString* error) const {
    const QString dir = configHome_ + QStringLiteral("/autostart");
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot create the folder %1").arg(dir);
        return false;
    }
    // Something other than a file where the entry belongs (a FIFO, a socket,
    // a folder, a link to a device) is the user's, not ours to replace.
    if (RegularFile::isSomethingElse(userFilePath())) {
        *error = QStringLiteral("%1 is not a regular file; not replacing it").arg(userFilePath());
        return false;
    }
    QSaveFile file(userFilePath());
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(text) != text.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool XdgAutostart::registerEntry(QString* error) {
    DesktopEntry entry;
    entry.setValue(QStringLiteral("Type"), QStringLiteral("Application"));
    entry.setValue(QStringLiteral("Name"), QStringLiteral("Mirelon"));
    entry.setValue(QStringLiteral("Comment"),
                   QStringLiteral("Shows your camera in floating panels on the desktop"));
    entry.setValue(QStringLiteral("Exec"), execLine());
    entry.setValue(QStringLiteral("Icon"), QStringLiteral("app.mirelon.Mirelon"));
    entry.setValue(QStringLiteral("Terminal"), QStringLiteral("false"));
    entry.setValue(QStringLiteral("X-GNOME-Autostart-enabled"), QStringLiteral("true"));
    return writeUserFile(entry.toText(), error);
}

bool XdgAutostart::unregisterEntry(QString* error) {
    const QString user = userFilePath();
    if (!systemFilePath().isEmpty()) {
        DesktopEntry hidden;
        hidden.setValue(QStringLiteral("Type"), QStringLiteral("Application"));
        hidden.setValue(QStringLiteral("Name"), QStringLiteral("Mirelon"));
        hidden.setValue(QStringLiteral("Exec"), execLine());
        hidden.setValue(QStringLiteral("Hidden"), QStringLiteral("true"));
        return writeUserFile(hidden.toText(), error);
    }
    QFileInfo info(user);
    if (!info.exists() && !info.isSymLink()) {
        return true;
    }
    QFile file(user);
    if (!file.remove()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace mirelon
