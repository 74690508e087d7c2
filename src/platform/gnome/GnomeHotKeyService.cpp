// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomeHotKeyService.h"

#include "platform/gnome/GnomeShellBridge.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcGnome)

namespace mirelon {

GnomeHotKeyService::GnomeHotKeyService(GnomeShellBridge& bridge,
                                       std::shared_ptr<GlobalShortcuts::HotKeyBackend> fallback,
                                       GnomeAccelerator::KeyTextSource layoutText,
                                       QString grabNamePrefix)
    : bridge_(bridge),
      fallback_(std::move(fallback)),
      layoutText_(std::move(layoutText)),
      grabNamePrefix_(std::move(grabNamePrefix)) {
    connect(&bridge_, &GnomeShellBridge::runningChanged, this,
            &GnomeHotKeyService::extensionChanged);
    connect(&bridge_, &GnomeShellBridge::activated, this,
            [this](std::uint32_t action, const QString& name) { activated(action, name); });
}

GnomeHotKeyService::~GnomeHotKeyService() {
    for (const auto& [id, action] : shellGrabs_) {
        bridge_.ungrabAccelerator(action);
    }
}

void GnomeHotKeyService::setSink(Sink sink) {
    sink_ = std::move(sink);
    // The fallback's presses, releases and mapping changes go the same way.
    Sink forward = Sink::passingPressesTo(sink_);
    forward.mappingChanged = [this] {
        if (sink_.mappingChanged) {
            sink_.mappingChanged();
        }
    };
    fallback_->setSink(std::move(forward));
}

std::optional<QString> GnomeHotKeyService::acceleratorFor(std::uint32_t keyCode,
                                                          std::uint32_t carbonModifiers) const {
    return GnomeAccelerator::fromShortcut(keyCode, carbonModifiers,
                                          [this](std::int64_t code) { return keyText(code); });
}

int GnomeHotKeyService::registerHotKey(std::uint32_t id, std::uint32_t keyCode,
                                       std::uint32_t carbonModifiers) {
    if (bridge_.isRunning()) {
        const auto accelerator = acceleratorFor(keyCode, carbonModifiers);
        if (!accelerator) {
            return kBadValue;
        }
        const auto grab =
            bridge_.grabAccelerator(*accelerator, grabNamePrefix_ + QString::number(id));
        switch (grab.result) {
            case GnomeShellBridge::Grab::Result::grabbed:
                shellGrabs_[id] = grab.action;
                qCDebug(lcGnome).noquote() << "grabbed" << *accelerator << "as" << grab.action;
                return 0;
            case GnomeShellBridge::Grab::Result::reserved:
                qCInfo(lcGnome).noquote() << "GNOME Shell reserves" << *accelerator;
                return kBadAccess;
            case GnomeShellBridge::Grab::Result::invalid:
                qCWarning(lcGnome).noquote()
                    << "GNOME Shell cannot read the shortcut" << *accelerator << ":" << grab.error;
                return kBadValue;
            case GnomeShellBridge::Grab::Result::failed:
                // The extension may be leaving: the X grab serves meanwhile and
                // everything is grabbed again once its departure is seen.
                qCWarning(lcGnome).noquote()
                    << "GNOME Shell did not grab" << *accelerator << ":" << grab.error;
                break;
        }
    }
    return fallback_->registerHotKey(id, keyCode, carbonModifiers);
}

void GnomeHotKeyService::unregisterHotKey(std::uint32_t id) {
    const auto it = shellGrabs_.find(id);
    if (it == shellGrabs_.end()) {
        fallback_->unregisterHotKey(id);
        return;
    }
    bridge_.ungrabAccelerator(it->second);
    shellGrabs_.erase(it);
}

bool GnomeHotKeyService::isHeldByAnotherClient(std::uint32_t keyCode,
                                               std::uint32_t carbonModifiers) {
    if (!bridge_.isRunning()) {
        return fallback_->isHeldByAnotherClient(keyCode, carbonModifiers);
    }
    const auto accelerator = acceleratorFor(keyCode, carbonModifiers);
    if (!accelerator) {
        return false;
    }
    const auto grab = bridge_.grabAccelerator(*accelerator, QStringLiteral("trial"));
    if (grab.result == GnomeShellBridge::Grab::Result::grabbed) {
        bridge_.ungrabAccelerator(grab.action);
    }
    return grab.result == GnomeShellBridge::Grab::Result::reserved;
}

std::optional<QString> GnomeHotKeyService::keyText(std::int64_t keyCode) const {
    if (auto text = fallback_->keyText(keyCode)) {
        return text;
    }
    return layoutText_ ? layoutText_(keyCode) : std::nullopt;
}

void GnomeHotKeyService::extensionChanged() {
    if (!bridge_.isRunning()) {
        // Its grabs went with it.
        shellGrabs_.clear();
    }
    if (sink_.mappingChanged) {
        sink_.mappingChanged();
    }
}

void GnomeHotKeyService::activated(std::uint32_t action, const QString& name) {
    std::optional<std::uint32_t> hotKey;
    for (const auto& [id, grabbed] : shellGrabs_) {
        if (grabbed == action) {
            hotKey = id;
        }
    }
    if (!hotKey) {
        // Pressed just before the hot keys were grabbed afresh (the report
        // waited while the new grab was made): the name is the hot key's id,
        // which a grab taken again keeps.
        bool ok = false;
        const std::uint32_t id =
            name.startsWith(grabNamePrefix_) ? name.mid(grabNamePrefix_.size()).toUInt(&ok) : 0;
        if (ok && shellGrabs_.count(id)) {
            hotKey = id;
        }
    }
    if (!hotKey) {
        qCDebug(lcGnome) << "activation of an action not grabbed here:" << action << name;
        return;
    }
    if (sink_.pressed) {
        sink_.pressed(*hotKey);
    }
    if (sink_.released) {
        sink_.released(*hotKey);
    }
}

}  // namespace mirelon
