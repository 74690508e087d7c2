#include "settings/SettingsSymbols.h"

namespace mirelon {

QIcon settingsSymbol(const QString& name) {
    // SLOT (icon registry): the program's icon set is not on this branch yet;
    // every symbol draws empty until the registry is wired in here.
    Q_UNUSED(name);
    return QIcon();
}

}  // namespace mirelon
