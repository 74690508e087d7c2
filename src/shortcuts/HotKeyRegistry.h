// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/Shortcut.h"

#include <QKeyEvent>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace mirelon::GlobalShortcuts {

// The table of hot keys handed to the system service. Every registration
// attempt takes a new id (ids only grow); an entry keeps its id while its grab
// is released for a menu or the master switch and taken again afterwards.
class HotKeyRegistry {
public:
    using Handler = std::function<void(const Shortcut&)>;

    explicit HotKeyRegistry(HotKeyBackend& backend);
    // Releases every grab and detaches from the service.
    ~HotKeyRegistry();
    HotKeyRegistry(const HotKeyRegistry&) = delete;
    HotKeyRegistry& operator=(const HotKeyRegistry&) = delete;

    // Grabs the combination under a new id. A refused grab writes the
    // "Error registering hotkey" line and keeps no entry. While the hot keys
    // are suspended (disabled, or a menu is open) the entry is kept released
    // and grabbed when they resume. Returns whether an entry was kept.
    bool registerShortcut(const Shortcut& shortcut, Handler onKeyDown, Handler onKeyUp);
    // Releases and forgets every entry of the shortcut.
    void unregisterShortcut(const Shortcut& shortcut);

    // Re-evaluates grabs for the switches: enabled and no menu open grabs
    // every released entry again (dropping the ones that fail); otherwise all
    // grabs are released, and while a menu is open key events are matched by
    // handleKeyEvent instead.
    void update(bool enabled, bool menuOpen);
    // Key events the open menu receives: runs the matching entry and returns
    // true (swallow) when one matches. Only active while a menu is open.
    bool handleKeyEvent(const QKeyEvent& event);
    bool isFilteringKeyEvents() const { return filtering_; }

    // Whether an entry (grabbed or released) holds the shortcut.
    bool holds(const Shortcut& shortcut) const;
    std::vector<std::int64_t> idsFor(const Shortcut& shortcut) const;
    std::int64_t lastId() const { return hotKeyId_; }
    // Forgets every entry (releasing the grabs) and resumes; the id counter keeps going.
    void clear();

    // Runs when the service reports other triggers for the names (portal).
    std::function<void()> onTriggersChanged;

private:
    struct HotKey {
        Shortcut shortcut;
        std::int64_t id;
        bool grabbed;
        Handler onKeyDown;
        Handler onKeyUp;
    };

    int grab(const HotKey& hotKey);
    void releaseAllTemporarily();
    void regrabAll();
    void pressed(std::uint32_t id);
    void released(std::uint32_t id);
    void mappingChanged();
    std::shared_ptr<HotKey> find(std::int64_t id) const;

    HotKeyBackend& backend_;
    std::map<std::int64_t, std::shared_ptr<HotKey>> hotKeys_;
    std::int64_t hotKeyId_ = 0;
    bool suspended_ = false;
    bool filtering_ = false;
    // Native key code of the key whose press ran an entry while a menu is open.
    std::optional<std::uint32_t> menuKeyDown_;
    std::int64_t menuKeyDownId_ = 0;
};

}  // namespace mirelon::GlobalShortcuts
