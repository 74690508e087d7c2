// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsSymbols.h"

#include "platform/qt/IconRegistry.h"

#include <QGuiApplication>
#include <QPalette>

namespace mirelon {

QIcon settingsSymbol(const QString& name) {
    return settingsSymbol(name, QGuiApplication::palette().color(QPalette::WindowText));
}

QIcon settingsSymbol(const QString& name, const QColor& color) {
    if (name == QLatin1String("Icon")) {
        return IconRegistry::icon(name);
    }
    return IconRegistry::tintedIcon(name, color);
}

QColor secondaryTextColor() {
    return QGuiApplication::palette().color(QPalette::PlaceholderText);
}

}  // namespace mirelon
