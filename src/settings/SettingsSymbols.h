// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace mirelon {

// The icon drawn for a symbol name in the settings window (tab symbols, slider
// ends, position entries, menu-bar choices), tinted in the window text colour
// or the given colour. "Icon" keeps its own colours. A name without an icon
// gives an empty icon.
QIcon settingsSymbol(const QString& name);
QIcon settingsSymbol(const QString& name, const QColor& color);

// The secondary (caption) colour of the current palette.
QColor secondaryTextColor();

}  // namespace mirelon
