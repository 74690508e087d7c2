// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ShellExtension.h"

#include <QByteArray>
#include <QList>

namespace mirelon::ShellExtension {

bool runsUnderGnomeShell() {
    // "GNOME", "ubuntu:GNOME", "GNOME-Classic:GNOME", ...
    const QByteArray desktops = qgetenv("XDG_CURRENT_DESKTOP");
    for (const QByteArray& desktop : desktops.split(':')) {
        if (desktop.trimmed().compare("GNOME", Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace mirelon::ShellExtension
