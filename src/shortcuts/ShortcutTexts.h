// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace mirelon::GlobalShortcuts {

// The module's own texts, looked up by key in its text bundle
// (":/GlobalShortcuts_GlobalShortcuts.bundle/en.json") and shown in the
// user's language through the program's translations (context
// "GlobalShortcuts"). Unknown keys give the key itself.
QString localizedText(const QString& key);

}  // namespace mirelon::GlobalShortcuts
