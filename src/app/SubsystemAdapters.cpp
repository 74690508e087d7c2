#include "app/SubsystemAdapters.h"

#include "shortcuts/GlobalShortcuts.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcShell, "app.mirelon.Mirelon.shell", QtInfoMsg)

namespace mirelon {

namespace {
std::vector<GlobalShortcuts::Name> names(const QStringList& rawValues) {
    std::vector<GlobalShortcuts::Name> out;
    out.reserve(static_cast<std::size_t>(rawValues.size()));
    for (const QString& raw : rawValues) {
        out.emplace_back(raw);
    }
    return out;
}
}  // namespace

// The ring light is not part of this build yet: its adapter says so in the log.

void RingLightAdapter::refresh() {
    qCDebug(lcShell) << "Ring light refresh (ring light not built in)";
}

void ShortcutsAdapter::removeAllHandlers() {
    GlobalShortcuts::removeAllHandlers();
}

void ShortcutsAdapter::disable(const QStringList& rawValues) {
    GlobalShortcuts::disable(names(rawValues));
}

void ShortcutsAdapter::onKeyUp(const QString& name, std::function<void()> action) {
    GlobalShortcuts::onKeyUp(GlobalShortcuts::Name(name), std::move(action));
}

void ShortcutsAdapter::decorateMenuAction(QAction* action, const QString& name) {
    GlobalShortcuts::globalKeyboardShortcut(action, GlobalShortcuts::Name(name));
}

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
