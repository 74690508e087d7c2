// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/gnome/GnomeAccelerator.h"
#include "shortcuts/HotKeyBackend.h"

#include <QObject>

#include <cstdint>
#include <map>
#include <memory>

namespace mirelon {

class GnomeShellBridge;

// Global hot keys under GNOME: while the companion Shell extension runs, the
// shell grabs them (as accelerators) and they fire whatever window has focus;
// otherwise the fallback service (X key grabs through Xwayland, which fire
// only while one of the program's windows has focus) serves them. When the
// extension comes or goes the registry is told to grab everything again
// (mappingChanged), which moves every grab to the side that serves now.
//
// The shell reports one activation per press: it becomes a press and a
// release of the hot key. Each grab carries the hot key's id as its name (after the prefix). A
// combination the shell or another program holds is refused as X11 refuses a held grab (BadAccess),
// so the recorder says "reserved" the same way.
class GnomeHotKeyService final : public QObject, public GlobalShortcuts::HotKeyBackend {
    Q_OBJECT
public:
    static constexpr int kBadValue = 2;
    static constexpr int kBadAccess = 10;

    // `fallback` (never null) serves while the extension is absent and gives
    // the key texts; `layoutText` names keys when the fallback has no layout.
    // The shell reports every grab of the program to each service: the names
    // of this one's grabs start with `grabNamePrefix`, unlike any other's.
    GnomeHotKeyService(GnomeShellBridge& bridge,
                       std::shared_ptr<GlobalShortcuts::HotKeyBackend> fallback,
                       GnomeAccelerator::KeyTextSource layoutText = {},
                       QString grabNamePrefix = {});
    ~GnomeHotKeyService() override;

    void setSink(Sink sink) override;
    int registerHotKey(std::uint32_t id, std::uint32_t keyCode,
                       std::uint32_t carbonModifiers) override;
    void unregisterHotKey(std::uint32_t id) override;
    bool isHeldByAnotherClient(std::uint32_t keyCode, std::uint32_t carbonModifiers) override;
    std::optional<QString> keyText(std::int64_t keyCode) const override;

    // Whether the hot key of the id is grabbed in the shell (else by the fallback).
    bool isGrabbedInShell(std::uint32_t id) const { return shellGrabs_.count(id) > 0; }

private:
    std::optional<QString> acceleratorFor(std::uint32_t keyCode,
                                          std::uint32_t carbonModifiers) const;
    void extensionChanged();
    void activated(std::uint32_t action, const QString& name);

    GnomeShellBridge& bridge_;
    std::shared_ptr<GlobalShortcuts::HotKeyBackend> fallback_;
    GnomeAccelerator::KeyTextSource layoutText_;
    QString grabNamePrefix_;
    Sink sink_;
    std::map<std::uint32_t, std::uint32_t> shellGrabs_;  // id -> the shell's action
};

}  // namespace mirelon
