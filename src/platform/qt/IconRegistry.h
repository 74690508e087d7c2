// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

namespace mirelon {

// The program's icon set: one monochrome SVG per symbol name the program
// shows (menu-bar choices, tab and slider symbols, status cards, positions),
// plus the images "MenuBarIcon", "Icon", "TwitterIcon" and "YouTubeIcon".
// Symbols are drawn in black on transparent and tinted by the caller; a name
// without an icon gives an empty icon / a null pixmap.
namespace IconRegistry {

// Every name that has an icon, sorted.
QStringList names();
bool contains(const QString& name);
// The resource path of a name's SVG (empty for an unknown name).
QString resourcePath(const QString& name);

// The icon as drawn (black symbols; "Icon" keeps its colours).
QIcon icon(const QString& name);
// The icon with every drawn pixel in color (alpha kept): a template image
// tinted for its background.
QIcon tintedIcon(const QString& name, const QColor& color);
// A tinted rendering at size (device-independent pixels) for devicePixelRatio.
QPixmap pixmap(const QString& name, const QSize& size, const QColor& color,
               qreal devicePixelRatio = 1.0);
// Two-level rendering: the symbol in secondary with its inner glyph (for
// "checkmark.circle.fill", "x.circle.fill") in primary on top. Symbols
// without a separate glyph are drawn in primary.
QPixmap palettePixmap(const QString& name, const QSize& size, const QColor& primary,
                      const QColor& secondary, qreal devicePixelRatio = 1.0);

}  // namespace IconRegistry
}  // namespace mirelon
