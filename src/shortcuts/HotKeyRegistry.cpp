// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/HotKeyRegistry.h"

#include "shortcuts/GlobalShortcutsInternal.h"

#include <limits>

namespace mirelon::GlobalShortcuts {
namespace {

constexpr int kBadValue = 2;  // X error code for a value out of range

bool fits32(std::int64_t v) {
    return v >= 0 && v <= std::numeric_limits<std::uint32_t>::max();
}

}  // namespace

HotKeyRegistry::HotKeyRegistry(HotKeyBackend& backend) : backend_(backend) {
    backend_.setSink({
        .pressed = [this](std::uint32_t id) { pressed(id); },
        .released = [this](std::uint32_t id) { released(id); },
        .mappingChanged = [this] { mappingChanged(); },
        .triggersChanged =
            [this] {
                if (onTriggersChanged) {
                    onTriggersChanged();
                }
            },
    });
}

HotKeyRegistry::~HotKeyRegistry() {
    clear();
    backend_.setSink({});
}

int HotKeyRegistry::grab(const HotKey& hotKey) {
    if (!fits32(hotKey.shortcut.carbonKeyCode) || !fits32(hotKey.shortcut.carbonModifiers) ||
        !fits32(hotKey.id)) {
        return kBadValue;
    }
    return backend_.registerHotKey(static_cast<std::uint32_t>(hotKey.id),
                                   static_cast<std::uint32_t>(hotKey.shortcut.carbonKeyCode),
                                   static_cast<std::uint32_t>(hotKey.shortcut.carbonModifiers));
}

bool HotKeyRegistry::registerShortcut(const Shortcut& shortcut, Handler onKeyDown,
                                      Handler onKeyUp) {
    auto hotKey = std::make_shared<HotKey>(
        HotKey{shortcut, ++hotKeyId_, false, std::move(onKeyDown), std::move(onKeyUp)});
    if (!suspended_) {
        const int status = grab(*hotKey);
        if (status != 0) {
            Internal::reportRegistrationFailure(shortcut, status);
            return false;
        }
        hotKey->grabbed = true;
    }
    hotKeys_[hotKey->id] = std::move(hotKey);
    return true;
}

void HotKeyRegistry::unregisterShortcut(const Shortcut& shortcut) {
    for (auto it = hotKeys_.begin(); it != hotKeys_.end();) {
        if (it->second->shortcut == shortcut) {
            if (it->second->grabbed) {
                backend_.unregisterHotKey(static_cast<std::uint32_t>(it->first));
            }
            if (menuKeyDown_ && menuKeyDownId_ == it->first) {
                menuKeyDown_.reset();
            }
            it = hotKeys_.erase(it);
        } else {
            ++it;
        }
    }
}

void HotKeyRegistry::releaseAllTemporarily() {
    for (auto& [id, hotKey] : hotKeys_) {
        if (hotKey->grabbed) {
            backend_.unregisterHotKey(static_cast<std::uint32_t>(id));
            hotKey->grabbed = false;
        }
    }
}

void HotKeyRegistry::regrabAll() {
    for (auto it = hotKeys_.begin(); it != hotKeys_.end();) {
        HotKey& hotKey = *it->second;
        if (!hotKey.grabbed) {
            const int status = grab(hotKey);
            if (status != 0) {
                Internal::reportRegistrationFailure(hotKey.shortcut, status);
                it = hotKeys_.erase(it);
                continue;
            }
            hotKey.grabbed = true;
        }
        ++it;
    }
}

void HotKeyRegistry::update(bool enabled, bool menuOpen) {
    if (enabled && !menuOpen) {
        suspended_ = false;
        filtering_ = false;
        menuKeyDown_.reset();
        regrabAll();
    } else {
        suspended_ = true;
        releaseAllTemporarily();
        filtering_ = enabled && menuOpen;
        if (!filtering_) {
            menuKeyDown_.reset();
        }
    }
}

void HotKeyRegistry::mappingChanged() {
    if (suspended_) {
        return;  // grabbed afresh when the hot keys resume
    }
    releaseAllTemporarily();
    regrabAll();
}

std::shared_ptr<HotKeyRegistry::HotKey> HotKeyRegistry::find(std::int64_t id) const {
    const auto it = hotKeys_.find(id);
    return it == hotKeys_.end() ? nullptr : it->second;
}

void HotKeyRegistry::pressed(std::uint32_t id) {
    if (auto hotKey = find(id); hotKey && hotKey->grabbed) {
        hotKey->onKeyDown(hotKey->shortcut);
    }
}

void HotKeyRegistry::released(std::uint32_t id) {
    // A grab released while its key was down still reports the release.
    if (auto hotKey = find(id)) {
        hotKey->onKeyUp(hotKey->shortcut);
    }
}

bool HotKeyRegistry::handleKeyEvent(const QKeyEvent& event) {
    if (!filtering_) {
        return false;
    }
    const std::uint32_t nativeKey = event.nativeScanCode();
    if (event.type() == QEvent::KeyPress) {
        if (menuKeyDown_ && *menuKeyDown_ == nativeKey) {
            return true;  // auto-repeat of the key that already ran
        }
        const auto shortcut = Shortcut::fromEvent(event);
        if (!shortcut) {
            return false;
        }
        for (const auto& [id, hotKey] : hotKeys_) {
            if (hotKey->shortcut == *shortcut) {
                menuKeyDown_ = nativeKey;
                menuKeyDownId_ = id;
                auto keep = hotKey;
                keep->onKeyDown(keep->shortcut);
                return true;
            }
        }
        return false;
    }
    if (event.type() == QEvent::KeyRelease) {
        if (event.isAutoRepeat()) {
            return menuKeyDown_ && *menuKeyDown_ == nativeKey;
        }
        if (menuKeyDown_ && *menuKeyDown_ == nativeKey) {
            menuKeyDown_.reset();
            if (auto hotKey = find(menuKeyDownId_)) {
                hotKey->onKeyUp(hotKey->shortcut);
            }
            return true;
        }
    }
    return false;
}

bool HotKeyRegistry::holds(const Shortcut& shortcut) const {
    for (const auto& [id, hotKey] : hotKeys_) {
        if (hotKey->shortcut == shortcut) {
            return true;
        }
    }
    return false;
}

std::vector<std::int64_t> HotKeyRegistry::idsFor(const Shortcut& shortcut) const {
    std::vector<std::int64_t> ids;
    for (const auto& [id, hotKey] : hotKeys_) {
        if (hotKey->shortcut == shortcut) {
            ids.push_back(id);
        }
    }
    return ids;
}

void HotKeyRegistry::clear() {
    for (const auto& [id, hotKey] : hotKeys_) {
        if (hotKey->grabbed) {
            backend_.unregisterHotKey(static_cast<std::uint32_t>(id));
        }
    }
    hotKeys_.clear();
    suspended_ = false;
    filtering_ = false;
    menuKeyDown_.reset();
}

}  // namespace mirelon::GlobalShortcuts
