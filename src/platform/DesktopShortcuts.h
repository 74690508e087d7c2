// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace mirelon {

// Custom shortcuts kept by the desktop itself (its keyboard settings), each
// running a command: where programs cannot grab keys while other windows
// have focus, a shortcut bound there still works everywhere. Mirelon adds and
// removes only the entries it made (each known by an id), never the user's
// others. Every call answers later, on the main thread.
class DesktopShortcuts {
public:
    struct Entry {
        QString id;           // letters, digits and '-' (others are dropped)
        QString title;        // what the desktop's settings show
        QString command;      // "mirelon --action NAME"
        QString accelerator;  // "<Control><Alt>m"
    };
    using Done = std::function<void(bool ok, const QString& error)>;
    using Found = std::function<void(std::optional<QString> accelerator)>;

    virtual ~DesktopShortcuts() = default;

    // Whether this desktop keeps such shortcuts and they can be written.
    virtual bool isAvailable() const = 0;
    // Adds the entry, or updates Mirelon's entry of the same id.
    virtual void add(const Entry& entry, Done done) = 0;
    // Removes Mirelon's entry of the id (fine when there is none).
    virtual void remove(const QString& id, Done done) = 0;
    // The accelerator of Mirelon's entry of the id, none when there is none.
    virtual void find(const QString& id, Found found) = 0;

    // The session's (GNOME's custom keyboard shortcuts), or the one set here.
    static DesktopShortcuts& shared();
    // For tests: a stand-in (not owned); nullptr restores the session's.
    static void setShared(DesktopShortcuts* shortcuts);
};

}  // namespace mirelon
