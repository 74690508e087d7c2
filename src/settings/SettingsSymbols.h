#pragma once

#include <QIcon>
#include <QString>

namespace mirelon {

// The icon drawn for a symbol name in the settings window (tab symbols, slider
// ends, position entries, menu-bar choices). A name without an icon gives an
// empty icon.
QIcon settingsSymbol(const QString& name);

}  // namespace mirelon
