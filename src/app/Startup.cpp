#include "app/Startup.h"

#include <QByteArray>
#include <QString>

namespace mirelon {

bool preferX11Platform() {
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
                         qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (wayland && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return true;
    }
    return false;
}

}  // namespace mirelon
