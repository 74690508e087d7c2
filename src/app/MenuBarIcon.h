#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <functional>

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

}  // namespace MenuBarIcon
}  // namespace mirelon
