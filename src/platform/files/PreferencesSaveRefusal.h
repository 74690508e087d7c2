// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace mirelon::PreferencesSaveRefusal {

// Posted by a PreferencesFile on its notification centre when it refuses a
// save because what is at its path (or at the end of its link) is not a file
// it may replace; the object is the file's path (QString). Posted once until
// a save succeeds again.
inline const QString notification = QStringLiteral("Mirelon.PreferencesFileNotSaved");

}  // namespace mirelon::PreferencesSaveRefusal
