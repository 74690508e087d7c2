// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>

namespace mirelon::Utils {

// "Version <short version> (Build <build>)" for this build.
QString getAppVersionAndBuild();
// The same text from the two values; a missing or non-string value gives "".
QString formatVersionAndBuild(const QVariant& shortVersion, const QVariant& build);

}  // namespace mirelon::Utils
