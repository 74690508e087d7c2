// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QObject;

// Mirelon's companion extension for GNOME Shell: whether the session runs
// GNOME Shell, whether the extension is installed and running, and
// installing it for the user. GNOME Shell looks for extensions only at
// log-in, so an installed extension runs from the next one.
namespace mirelon::ShellExtension {

inline const QString uuid = QStringLiteral("mirelon@mirelon.app");
// The bus name the running extension owns on the session bus.
inline const QString busName = QStringLiteral("app.mirelon.Shell");

// The session's desktop is GNOME Shell (XDG_CURRENT_DESKTOP names GNOME).
bool runsUnderGnomeShell();

// The copy that came with the program: <prefix>/share/gnome-shell/extensions/
// next to the program's folder (installed, or the build folder's copy).
// Empty when there is none.
QString bundledFolder();
// Where GNOME Shell finds the user's own extensions.
QString userFolder();
// Whether GNOME Shell finds the extension (the user's folder or a system data folder).
bool isInstalled();
// Copies the bundled extension into userFolder(), replacing an older copy.
// False with a reason when there is no bundled copy or a file cannot be written.
bool copyToUser(QString* error);
// Adds the extension to GNOME Shell's enabled extensions (and removes it
// from the disabled ones), leaving every other entry as it is.
void enableAtNextLogin(std::function<void(bool ok, const QString& error)> done);

// Calls changed with whether the extension runs now (soon after the call)
// and again whenever that changes, until context goes.
void watchRunning(QObject* context, std::function<void(bool running)> changed);

}  // namespace mirelon::ShellExtension
