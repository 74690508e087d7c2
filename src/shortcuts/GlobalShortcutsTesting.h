// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Hooks for tests and for the program's start-up: where the module stores,
// which hot-key service it uses and how the recorder beeps and alerts.

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/Shortcut.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace mirelon {
class PreferencesFile;
}

namespace mirelon::GlobalShortcuts {

// The store shortcuts live in; nullptr means PreferencesFile::standard().
void setPreferencesFile(PreferencesFile* store);
// Replaces the hot-key service (nullptr: the X11 service when Qt runs on xcb,
// else a service that can register nothing).
void setHotKeyBackend(std::shared_ptr<HotKeyBackend> backend);
// How a name is described to the desktop's shortcut settings ("Toggle
// Mirelon"); empty: the raw name.
void setNameDescriber(std::function<QString(const QString& name)> describe);
// Replaces the key-text source used for display texts (empty: the hot-key service's).
void setKeyTextProvider(std::function<std::optional<QString>(std::int64_t keyCode)> provider);
// Forgets all module state: handlers, registered shortcuts, hot keys and
// switches (isEnabled true, isPaused false, no menu open). The id counter keeps growing.
void resetStateForTesting();
// Ids currently registered with the hot-key service for a shortcut (the
// temporarily released ones included), in id order.
std::vector<std::int64_t> hotKeyIdsFor(const Shortcut& shortcut);
bool isRegisteredShortcut(const Shortcut& shortcut);

// What the recorder does to beep and to show an alert.
struct Alert {
    QString message;
    QString informativeText;
    QStringList buttons;  // first is the default; response 1000 + index
};
void setBeepHandler(std::function<void()> beep);
void setAlertHandler(std::function<int(QWidget* window, const Alert& alert)> alert);

}  // namespace mirelon::GlobalShortcuts
