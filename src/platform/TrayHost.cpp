// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TrayHost.h"

namespace mirelon::TrayHost {

namespace {
bool hostShowsMenus = false;
}

std::optional<QColor> foregroundFromTrayColors(const quint32* values, int count) {
    if (!values || count != 12) {
        return std::nullopt;
    }
    const auto channel = [](quint32 v) {
        return static_cast<int>(std::min<quint32>(v, 65535) >> 8);
    };
    return QColor(channel(values[0]), channel(values[1]), channel(values[2]));
}

bool menusShownByHost() {
    return hostShowsMenus;
}

void setMenusShownByHost(bool shownByHost) {
    hostShowsMenus = shownByHost;
}

}  // namespace mirelon::TrayHost
