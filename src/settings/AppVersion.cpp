// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/AppVersion.h"

#include <QCoreApplication>

namespace mirelon::Utils {

namespace {
QString stringOrEmpty(const QVariant& value) {
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}
}  // namespace

QString formatVersionAndBuild(const QVariant& shortVersion, const QVariant& build) {
    return QCoreApplication::translate("AppVersion", "Version %1 (Build %2)")
        .arg(stringOrEmpty(shortVersion), stringOrEmpty(build));
}

QString getAppVersionAndBuild() {
#ifdef MIRELON_BUILD
    const QVariant build = QStringLiteral(MIRELON_BUILD);
#else
    const QVariant build;
#endif
    return formatVersionAndBuild(QStringLiteral(MIRELON_VERSION), build);
}

}  // namespace mirelon::Utils
