// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The global keyboard shortcut module: named, user-assignable shortcuts that
// work while any application is in front.
//
// Typical use by the application (all on the main thread, after the
// QApplication exists):
//
//   using namespace mirelon::GlobalShortcuts;
//   const Name toggle{QStringLiteral("toggleMirelon")};
//   removeAllHandlers();
//   disable({toggle});
//   onKeyUp(toggle, [] { ... });            // runs when the combination is released
//   globalKeyboardShortcut(action, toggle); // shows "Ctrl+Alt+Super+K" beside the menu item's
//   title
//
// The user records shortcuts with GlobalShortcuts::Recorder (Recorder.h).
// Shortcuts are stored in the user defaults store under "GlobalShortcuts_" +
// name; every change posts shortcutByNameDidChange.

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/Key.h"
#include "shortcuts/Modifiers.h"
#include "shortcuts/Name.h"
#include "shortcuts/Shortcut.h"

#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;

namespace mirelon::GlobalShortcuts {

// Posted on EventBus::shared() whenever a name's shortcut is
// stored or removed; the notification's object is the name's raw value (QString).
inline const QString shortcutByNameDidChange =
    QStringLiteral("GlobalShortcuts_shortcutByNameDidChange");
// Posted when a recorder starts (object true) or stops (object false) recording.
inline const QString recorderActiveStatusDidChange =
    QStringLiteral("GlobalShortcuts_recorderActiveStatusDidChange");

// Posted when the desktop reports other triggers for the names (desktopTrigger).
inline const QString desktopTriggersDidChange =
    QStringLiteral("GlobalShortcuts_desktopTriggersDidChange");

// Prefix of the storage keys.
inline const QString storageKeyPrefix = QStringLiteral("GlobalShortcuts_");

using Action = std::function<void()>;

// ---- Storage ----------------------------------------------------------------

// The shortcut stored for the name; none when the key is absent, holds a
// non-string value (boolean false included) or a string that does not decode.
// Reads the store on every call.
std::optional<Shortcut> getShortcut(const Name& name);
// Stores (and registers as a hot key) or removes the name's shortcut and
// posts shortcutByNameDidChange. Removing the shortcut of a name that has a
// default stores boolean false so that the default is not applied again;
// removing from a name without shortcut does nothing.
void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
// Stores a shortcut: unregisters the name's old one, registers the new one,
// writes it and posts the change.
void userDefaultsSet(const Name& name, const Shortcut& shortcut);
// Each name, in order, back to its default (none for names without default).
void reset(const std::vector<Name>& names);
// Whether the store holds any value under the name's key (boolean false too).
bool userDefaultsContains(const Name& name);

// ---- Dispatch -----------------------------------------------------------------

// Adds an action run when the name's shortcut is pressed (down) or released
// (up), then registers the name's stored shortcut as a hot key. Actions of one
// name run in the order they were added; several names on one shortcut all run.
void onKeyDown(const Name& name, Action action);
void onKeyUp(const Name& name, Action action);
// Runs the name's actions as a press and release of its shortcut would (the
// key-down actions, then the key-up actions), whether or not a shortcut is
// stored for it and whether or not a recorder is recording: the way in for
// commands sent from outside (`mirelon --action NAME`). Returns false, running
// nothing, when the name has no actions.
bool performActions(const Name& name);
// Unregisters the stored shortcuts of every name that has actions and forgets
// all actions.
void removeAllHandlers();
// Registers / unregisters the hot keys of the names' stored shortcuts; the
// actions stay. Disabling one name releases the hot key for every name that
// holds the same shortcut.
void enable(const std::vector<Name>& names);
void disable(const std::vector<Name>& names);

// Master switch: false releases every hot key, true grabs them again.
bool isEnabled();
void setEnabled(bool enabled);
// While paused (a recorder is recording) hot keys stay grabbed but run nothing.
bool isPaused();
void setPaused(bool paused);
// Whether a menu the program draws itself is open (hot keys are then served
// from the keys the menu receives).
bool isMenuOpen();

// Installs the menu observers; every Name constructor calls it. Safe to call
// before the QApplication exists (it then retries on the next call).
void initialize();

// ---- Session ------------------------------------------------------------------

// How the shortcuts reach the program in this desktop session.
enum class Delivery {
    Grabs,         // X11 key grabs, whatever window has focus
    FocusedGrabs,  // X11 key grabs through XWayland: only while a Mirelon window has focus
    Portal,        // the desktop's global-shortcuts portal binds them by name
    None,          // nothing: only `mirelon --action NAME` reaches the actions
};
Delivery delivery();
// Set by the platform loader for the session: how shortcuts arrive when no
// service binds them by name.
void setSessionDelivery(Delivery delivery);
// Installed by the platform loader: makes the session's hot-key service on
// first use (given the names to bind, for services that bind by name); none
// when the session has no service.
using BackendFactory = std::function<std::shared_ptr<HotKeyBackend>(NamedBindingSource)>;
void setBackendFactory(BackendFactory factory);
// The trigger the desktop bound for the name, as the desktop shows it, when
// it is not the stored shortcut (the user changed it in the system settings);
// none otherwise and outside portal delivery.
std::optional<QString> desktopTrigger(const Name& name);

// ---- Menus ----------------------------------------------------------------------

// Shows the name's shortcut as text beside the action's title (after a tab,
// the way QMenu shows shortcuts), never as a live QAction shortcut. Follows
// changes of the name's shortcut and of the action's own text; hidden while a
// recorder records. The decoration lives as a child of the action.
void globalKeyboardShortcut(QAction* action, const Name& name);

// The first action of the menu, depth first through submenus, whose own
// QKeySequence is the shortcut; nullptr when none is.
QAction* menuItemWithMatchingShortcut(const Shortcut& shortcut, const QMenu& menu);
// The menu the recorder checks for conflicts (the tray menu). When none is
// set, every top-level QMenu of the application is searched.
void setApplicationMenu(QMenu* menu);
QAction* applicationMenuItemWithMatchingShortcut(const Shortcut& shortcut);

// Whether another X client (the window manager, the desktop shell) holds the
// combination: a trial grab fails. Combinations the program holds itself are
// never trial-grabbed and never count as reserved.
bool isReservedBySystem(const Shortcut& shortcut);

}  // namespace mirelon::GlobalShortcuts
