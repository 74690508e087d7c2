#pragma once

#include <QString>

namespace mirelon::GlobalShortcuts {

// The module's own texts, looked up by key in its text bundle
// (":/GlobalShortcuts_GlobalShortcuts.bundle/<language>.json", English as the
// fallback). Unknown keys give the key itself.
QString localizedText(const QString& key);

}  // namespace mirelon::GlobalShortcuts
