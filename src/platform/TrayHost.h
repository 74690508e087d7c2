// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

#include <optional>

namespace mirelon::TrayHost {

// Whether the session has a status-notifier host (the D-Bus watcher says one
// is registered): Qt then shows the tray item through it, and the host draws
// the icon in its own colours when given a mask.
bool hasStatusNotifierHost();

// The foreground colour an XEmbed system tray announces for its icons
// (_NET_SYSTEM_TRAY_COLORS on the tray manager's window), none when the
// program does not run on X11, there is no tray or it announces no colours.
std::optional<QColor> xembedTrayForeground();

// The first colour of a _NET_SYSTEM_TRAY_COLORS value (12 CARD32 values,
// red, green and blue of foreground, error, warning and success, each 0 to
// 65535). None for a value of another length.
std::optional<QColor> foregroundFromTrayColors(const quint32* values, int count);

// Whether the tray host shows the menu handed to it and the program must not
// pop up menus of its own at the pointer (a native Wayland session: such a
// menu would be an ordinary, tiled window there). Set by the platform loader.
bool menusShownByHost();
void setMenusShownByHost(bool shownByHost);

}  // namespace mirelon::TrayHost
