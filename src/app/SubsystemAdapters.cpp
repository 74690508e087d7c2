#include "app/SubsystemAdapters.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcShell, "app.mirelon.Mirelon.shell", QtInfoMsg)

namespace mirelon {

// The panel controller, ring light and global shortcut subsystems are not part
// of this build yet: these adapters say so in the log instead of acting.

void PanelControllerAdapter::show() {
    qCInfo(lcShell) << "Show panels (panel controller not built in)";
}

void PanelControllerAdapter::hide() {
    qCInfo(lcShell) << "Hide panels (panel controller not built in)";
}

void RingLightAdapter::refresh() {
    qCDebug(lcShell) << "Ring light refresh (ring light not built in)";
}

void ShortcutsAdapter::removeAllHandlers() {}

void ShortcutsAdapter::disable(const QStringList&) {}

void ShortcutsAdapter::onKeyUp(const QString&, std::function<void()>) {}

void ShortcutsAdapter::decorateMenuAction(QAction*, const QString&) {}

std::optional<QString> RingLightRecordsAdapter::activeDisplayID() {
    return std::nullopt;
}

std::map<QString, RingLightRecord> RingLightRecordsAdapter::loadAll() {
    return {};
}

void RingLightRecordsAdapter::saveAll(const std::map<QString, RingLightRecord>&) {}

RingLightRecord RingLightRecordsAdapter::defaultRecord() {
    return {};
}

}  // namespace mirelon
