// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DesktopShortcuts.h"

#include <QStringList>

#include <deque>
#include <functional>

namespace mirelon {

// GNOME's custom keyboard shortcuts: the list of entry paths in
// org.gnome.settings-daemon.plugins.media-keys custom-keybindings, each
// entry a custom-keybinding (name, command, binding) at its path. Mirelon's
// entries live at paths of their own (".../custom-keybindings/mirelon-ID/");
// the list is edited entry by entry, keeping the user's others and their
// order. One change at a time, so two edits never race on the list.
class GSettingsCustomShortcuts final : public DesktopShortcuts {
public:
    static inline const QString listSchema =
        QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
    static inline const QString listKey = QStringLiteral("custom-keybindings");
    static inline const QString entrySchema =
        QStringLiteral("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding");
    static inline const QString pathPrefix =
        QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/mirelon-");

    // The path of Mirelon's entry of an id (characters other than letters,
    // digits and '-' dropped).
    static QString entryPath(const QString& id);

    bool isAvailable() const override;
    void add(const Entry& entry, Done done) override;
    void remove(const QString& id, Done done) override;
    void find(const QString& id, Found found) override;

private:
    using Step = std::function<void(std::function<void()> next)>;
    void enqueue(Step step);
    void runNext();

    std::deque<Step> queue_;
    bool running_ = false;
};

}  // namespace mirelon
