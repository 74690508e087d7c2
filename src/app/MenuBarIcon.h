// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <functional>
#include <optional>

class QPalette;

namespace mirelon {

// The tray item's image: the project's template image "MenuBarIcon", or the
// symbol that "menuBarIcon" names, tinted to the panel's text colour.
namespace MenuBarIcon {

inline const QString templateImageName = QStringLiteral("MenuBarIcon");

// The SVG file (usually a resource path) of a symbol name, or an empty string.
// The default asks the program's icon set.
using SymbolLookup = std::function<QString(const QString& name)>;
QString defaultSymbolLookup(const QString& name);

// The tint for a panel: its text colour from the palette.
QColor panelTextColor();

// Renders an SVG as a one-colour image of size x size pixels: every pixel
// takes the tint, keeping the SVG's coverage. A null pixmap when the file
// cannot be read.
QPixmap renderTinted(const QString& svgPath, int size, const QColor& tint);

// The icon at the usual tray sizes. A name without an image gives a fully
// transparent icon (the tray keeps its place).
QIcon make(const QString& name, const QColor& tint,
           const SymbolLookup& lookup = defaultSymbolLookup);

// How the tray item's icon is drawn for the tray at hand.
struct TrayStyle {
    // A status-notifier host colours a mask icon itself, like its own symbols.
    bool mask = false;
    QColor tint;
    // A thin outline of the opposite lightness, so the icon stays visible on
    // a panel darker or lighter than expected; invalid for none.
    QColor halo;
};

// The style for a status-notifier host (a mask), else for an XEmbed tray: the
// foreground colour the tray announces, or the palette's text colour (light
// on a dark theme, dark on a light one), with a contrasting outline.
TrayStyle trayStyle(bool statusNotifierHost, const std::optional<QColor>& trayForeground,
                    const QPalette& palette);
// The style for a status-notifier host: a mask it colours itself, except
// under GNOME Shell, whose host (an extension) shows the picture as it is on
// a top bar that is dark in every style: a light glyph there.
TrayStyle statusNotifierStyle(bool gnomeShell, const QPalette& palette);
// The style for the tray the desktop has now.
TrayStyle currentTrayStyle();
// The style for an icon Qt docked in an XEmbed tray (whatever else the
// desktop offers): never a mask.
TrayStyle embeddedTrayStyle();

// make() in the tray's style.
QIcon makeForTray(const QString& name, const TrayStyle& style,
                  const SymbolLookup& lookup = defaultSymbolLookup);

}  // namespace MenuBarIcon
}  // namespace mirelon
