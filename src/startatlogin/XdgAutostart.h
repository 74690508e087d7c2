// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace mirelon {

// The per-user XDG autostart entry of one program:
// <configHome>/autostart/mirelon.desktop, overriding any system-wide copy
// <dir>/autostart/mirelon.desktop in the configuration folders.
// Nothing is cached: every query reads the files again.
class XdgAutostart {
public:
    static inline const QString fileName = QStringLiteral("mirelon.desktop");
    static inline const QString launchedAtLoginVariable =
        QStringLiteral("MIRELON_LAUNCHED_AT_LOGIN");

    XdgAutostart(QString executablePath, QString configHome, QStringList configDirs);
    // For the running program and the current environment.
    static XdgAutostart forCurrentProcess();

    QString userFilePath() const;
    // The first system-wide copy, or an empty string.
    QString systemFilePath() const;

    // Whether the entry that applies (the user file, else the system copy)
    // starts this program at login.
    bool isRegistered() const;
    // Writes the user file atomically. Returns false and fills error on failure.
    bool registerEntry(QString* error);
    // Removes the user file, or hides a system-wide copy behind a user file
    // with Hidden=true.
    bool unregisterEntry(QString* error);

    // The Exec value written for this program.
    QString execLine() const;

private:
    bool entryStartsThisProgram(const QString& path) const;
    bool writeUserFile(const QByteArray& text, QString* error) const;

    QString executablePath_;
    QString configHome_;
    QStringList configDirs_;
};

}  // namespace mirelon
