#include "settings/AppVersion.h"

namespace mirelon::Utils {

namespace {
QString stringOrEmpty(const QVariant& value) {
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}
}  // namespace

QString formatVersionAndBuild(const QVariant& shortVersion, const QVariant& build) {
    return QStringLiteral("Version ") + stringOrEmpty(shortVersion) + QStringLiteral(" (Build ") +
           stringOrEmpty(build) + QStringLiteral(")");
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
