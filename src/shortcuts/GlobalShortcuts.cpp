// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/GlobalShortcuts.h"

#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"
#include "shortcuts/GlobalShortcutsInternal.h"
#include "shortcuts/GlobalShortcutsTesting.h"
#include "shortcuts/HotKeyRegistry.h"
#include "shortcuts/MenuWatcher.h"
#include "shortcuts/PortalTrigger.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QSet>

#include <cstdio>
#include <utility>

namespace mirelon::GlobalShortcuts {
namespace {

using HandlerTable = std::vector<std::pair<Name, std::vector<Action>>>;

struct ModuleState {
    bool isEnabled = true;
    bool isPaused = false;
    bool isMenuOpen = false;
    bool isInitialized = false;
    QSet<Shortcut> registeredShortcuts;
    HandlerTable keyDownHandlers;
    HandlerTable keyUpHandlers;
    PreferencesFile* store = nullptr;
    std::shared_ptr<HotKeyBackend> backend;
    BackendFactory backendFactory;
    Delivery sessionDelivery = Delivery::Grabs;
    std::unique_ptr<HotKeyRegistry> registry;
    std::function<std::optional<QString>(std::int64_t)> keyTextProvider;
    std::function<QString(const QString&)> nameDescriber;
    QPointer<MenuWatcher> menuWatcher;
    std::function<void(const Shortcut&)> pausedKeyDownHandler;
    // Combinations pressed while paused: their release runs nothing either,
    // even when the pause ended in between (a recorder stored the press).
    QSet<Shortcut> pausedPresses;
    // The shortcut each name with actions had when last registered, to follow
    // edits of the preferences file made outside the program.
    std::map<QString, std::optional<Shortcut>> knownShortcuts;
    ObserverToken storeObserver;
};

ModuleState& state() {
    static ModuleState s;
    return s;
}

// Every name that has actions and a stored shortcut, for the desktop's portal.
std::vector<NamedBinding> portalBindings() {
    auto& s = state();
    std::vector<NamedBinding> out;
    QSet<QString> seen;
    for (const auto* table : {&s.keyDownHandlers, &s.keyUpHandlers}) {
        for (const auto& [name, actions] : *table) {
            if (seen.contains(name.rawValue())) {
                continue;
            }
            seen.insert(name.rawValue());
            const auto shortcut = getShortcut(name);
            if (!shortcut || shortcut->carbonKeyCode < 0 || shortcut->carbonKeyCode > 0xFFFFFFFF) {
                continue;
            }
            const QString description =
                s.nameDescriber ? s.nameDescriber(name.rawValue()) : QString();
            out.push_back({name.rawValue(), description.isEmpty() ? name.rawValue() : description,
                           static_cast<std::uint32_t>(shortcut->carbonKeyCode),
                           static_cast<std::uint32_t>(shortcut->carbonModifiers)});
        }
    }
    return out;
}

// The services' connections and notifiers go with the application object.
void forgetBackendWithApplication() {
    QObject::connect(qApp, &QObject::destroyed, [] {
        auto& s = state();
        s.registry.reset();
        s.registeredShortcuts.clear();
        s.backend.reset();
    });
}

std::shared_ptr<HotKeyBackend> makeDefaultBackend() {
    auto& s = state();
    if (s.backendFactory) {
        if (auto backend = s.backendFactory(portalBindings)) {
            if (QCoreApplication::instance()) {
                forgetBackendWithApplication();
            }
            return backend;
        }
    }
    return std::make_shared<UnavailableHotKeyBackend>();
}

HotKeyRegistry& registry() {
    auto& s = state();
    if (!s.registry) {
        Internal::backend();
        s.registry = std::make_unique<HotKeyRegistry>(*s.backend);
        s.registry->onTriggersChanged = [] {
            EventBus::shared().post(desktopTriggersDidChange, QVariant());
        };
        s.registry->update(s.isEnabled, s.isMenuOpen);
    }
    return *s.registry;
}

void updateEventHandler() {
    auto& s = state();
    registry().update(s.isEnabled, s.isMenuOpen);
}

void dispatch(const HandlerTable& table, const Shortcut& pressed) {
    if (state().isPaused) {
        return;
    }
    const HandlerTable snapshot = table;  // actions may change the tables
    for (const auto& [name, actions] : snapshot) {
        if (getShortcut(name) == pressed) {
            for (const auto& action : actions) {
                action();
            }
        }
    }
}

void dispatchKeyDown(const Shortcut& s) {
    auto& st = state();
    if (st.isPaused) {
        st.pausedPresses.insert(s);
        if (st.pausedKeyDownHandler) {
            const auto handler = st.pausedKeyDownHandler;  // may be replaced while it runs
            handler(s);
        }
        return;
    }
    st.pausedPresses.remove(s);  // a release that never came must not swallow this one's
    dispatch(st.keyDownHandlers, s);
}

void dispatchKeyUp(const Shortcut& s) {
    if (state().pausedPresses.remove(s)) {
        return;
    }
    dispatch(state().keyUpHandlers, s);
}

void registerStep(const Shortcut& shortcut) {
    auto& s = state();
    if (s.registeredShortcuts.contains(shortcut)) {
        return;
    }
    registry().registerShortcut(shortcut, dispatchKeyDown, dispatchKeyUp);
    s.registeredShortcuts.insert(shortcut);
}

void unregisterStep(const Shortcut& shortcut) {
    registry().unregisterShortcut(shortcut);
    state().registeredShortcuts.remove(shortcut);
}

void postChange(const Name& name) {
    EventBus::shared().post(shortcutByNameDidChange, name.rawValue());
}

// Re-registers the names whose stored shortcut changed behind the module's
// back (the preferences file edited by another program).
void followStoreChanges() {
    auto& s = state();
    QSet<QString> names;
    std::vector<Name> handlerNames;
    for (const auto* table : {&s.keyDownHandlers, &s.keyUpHandlers}) {
        for (const auto& [name, actions] : *table) {
            if (!names.contains(name.rawValue())) {
                names.insert(name.rawValue());
                handlerNames.push_back(name);
            }
        }
    }
    for (const Name& name : handlerNames) {
        const auto now = getShortcut(name);
        auto& known = s.knownShortcuts[name.rawValue()];
        if (now == known) {
            continue;
        }
        const auto old = known;
        known = now;
        if (old) {
            const bool stillUsed =
                std::any_of(handlerNames.begin(), handlerNames.end(),
                            [&](const Name& other) { return getShortcut(other) == old; });
            if (!stillUsed) {
                unregisterStep(*old);
            }
        }
        if (now) {
            registerStep(*now);
        }
        postChange(name);
    }
}

void addHandler(HandlerTable& table, const Name& name, Action action) {
    initialize();
    auto it = std::find_if(table.begin(), table.end(),
                           [&](const auto& entry) { return entry.first == name; });
    if (it == table.end()) {
        table.emplace_back(name, std::vector<Action>{});
        it = std::prev(table.end());
    }
    it->second.push_back(std::move(action));
    const auto shortcut = getShortcut(name);
    state().knownShortcuts[name.rawValue()] = shortcut;
    if (shortcut) {
        registerStep(*shortcut);
    }
}

}  // namespace

// ---- Internal ------------------------------------------------------------------

namespace Internal {

PreferencesFile& store() {
    auto* s = state().store;
    return s ? *s : PreferencesFile::standard();
}

HotKeyBackend& backend() {
    auto& s = state();
    if (!s.backend) {
        s.backend = makeDefaultBackend();
    }
    return *s.backend;
}

std::optional<QString> layoutKeyText(std::int64_t keyCode) {
    auto& s = state();
    if (s.keyTextProvider) {
        return s.keyTextProvider(keyCode);
    }
    if (!QGuiApplication::instance()) {
        return std::nullopt;
    }
    return backend().keyText(keyCode);
}

void setPausedKeyDownHandler(std::function<void(const Shortcut&)> handler) {
    state().pausedKeyDownHandler = std::move(handler);
}

void reportRegistrationFailure(const Shortcut& shortcut, int status) {
    const QByteArray line = "Error registering hotkey " + shortcut.description().toUtf8() + ": " +
                            QByteArray::number(status) + "\n";
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
}

}  // namespace Internal

// ---- Storage ---------------------------------------------------------------------

std::optional<Shortcut> getShortcut(const Name& name) {
    const auto text = Internal::store().stringValue(name.storageKey());
    if (!text) {
        return std::nullopt;
    }
    return Shortcut::fromJson(text->toUtf8());
}

void userDefaultsSet(const Name& name, const Shortcut& shortcut) {
    const QByteArray json = shortcut.toJson();
    const QString text = QString::fromUtf8(json);
    if (text.isEmpty() || text.toUtf8() != json) {
        return;  // no valid text form: nothing is stored, registered or announced
    }
    if (const auto old = getShortcut(name)) {
        unregisterStep(*old);
    }
    registerStep(shortcut);
    state().knownShortcuts[name.rawValue()] = shortcut;
    Internal::store().setString(name.storageKey(), text);
    postChange(name);
}

void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    if (shortcut) {
        userDefaultsSet(name, *shortcut);
        return;
    }
    const auto old = getShortcut(name);
    if (!old) {
        return;
    }
    state().knownShortcuts[name.rawValue()] = std::nullopt;
    if (name.defaultShortcut()) {
        Internal::store().setBool(name.storageKey(), false);
    } else {
        Internal::store().remove(name.storageKey());
    }
    unregisterStep(*old);
    postChange(name);
}

void reset(const std::vector<Name>& names) {
    for (const auto& name : names) {
        setShortcut(name.defaultShortcut(), name);
    }
}

bool userDefaultsContains(const Name& name) {
    return Internal::store().contains(name.storageKey());
}

// ---- Dispatch --------------------------------------------------------------------

void onKeyDown(const Name& name, Action action) {
    addHandler(state().keyDownHandlers, name, std::move(action));
}

void onKeyUp(const Name& name, Action action) {
    addHandler(state().keyUpHandlers, name, std::move(action));
}

bool performActions(const Name& name) {
    auto& s = state();
    std::vector<Action> actions;
    for (const auto* table : {&s.keyDownHandlers, &s.keyUpHandlers}) {
        for (const auto& [handlerName, handlerActions] : *table) {
            if (handlerName == name) {
                actions.insert(actions.end(), handlerActions.begin(), handlerActions.end());
            }
        }
    }
    // A copy: the actions may change the tables.
    for (const auto& action : actions) {
        action();
    }
    return !actions.empty();
}

void removeAllHandlers() {
    auto& s = state();
    QSet<Shortcut> shortcuts;
    for (const auto* table : {&s.keyDownHandlers, &s.keyUpHandlers}) {
        for (const auto& [name, actions] : *table) {
            if (const auto shortcut = getShortcut(name)) {
                shortcuts.insert(*shortcut);
            }
        }
    }
    for (const auto& shortcut : shortcuts) {
        unregisterStep(shortcut);
    }
    s.keyDownHandlers.clear();
    s.keyUpHandlers.clear();
    s.knownShortcuts.clear();
}

void enable(const std::vector<Name>& names) {
    initialize();
    for (const auto& name : names) {
        if (const auto shortcut = getShortcut(name)) {
            registerStep(*shortcut);
        }
    }
}

void disable(const std::vector<Name>& names) {
    for (const auto& name : names) {
        if (const auto shortcut = getShortcut(name)) {
            unregisterStep(*shortcut);
        }
    }
}

bool isEnabled() {
    return state().isEnabled;
}

void setEnabled(bool enabled) {
    auto& s = state();
    if (s.isEnabled == enabled) {
        return;
    }
    s.isEnabled = enabled;
    updateEventHandler();
}

bool isPaused() {
    return state().isPaused;
}
void setPaused(bool paused) {
    state().isPaused = paused;
}
bool isMenuOpen() {
    return state().isMenuOpen;
}

void initialize() {
    auto& s = state();
    if (s.isInitialized || !QCoreApplication::instance()) {
        return;
    }
    auto* watcher = new MenuWatcher(QCoreApplication::instance());
    watcher->onOpenChanged = [](bool open) {
        auto& st = state();
        if (st.isMenuOpen != open) {
            st.isMenuOpen = open;
            updateEventHandler();
        }
    };
    watcher->onKey = [](const QKeyEvent& event) { return registry().handleKeyEvent(event); };
    watcher->claimsShortcut = [](const Shortcut& shortcut) {
        return registry().isFilteringKeyEvents() && registry().holds(shortcut);
    };
    QCoreApplication::instance()->installEventFilter(watcher);
    s.menuWatcher = watcher;
    s.storeObserver = EventBus::shared().addObserver(
        Notifications::defaultsChanged, [](const Notification&) { followStoreChanges(); });
    s.isInitialized = true;
}

// ---- Session -----------------------------------------------------------------------

Delivery delivery() {
    registry();  // the service is chosen with the registry
    if (Internal::backend().kind() == HotKeyBackend::Kind::Portal) {
        return Delivery::Portal;
    }
    return state().sessionDelivery;
}

void setSessionDelivery(Delivery delivery) {
    state().sessionDelivery = delivery;
}

void setBackendFactory(BackendFactory factory) {
    state().backendFactory = std::move(factory);
}

std::optional<QString> desktopTrigger(const Name& name) {
    registry();
    const auto reported = Internal::backend().boundTrigger(name.rawValue());
    if (!reported || reported->isEmpty()) {
        return std::nullopt;
    }
    const auto stored = getShortcut(name);
    if (stored && portalTriggerMatches(*reported, *stored)) {
        return std::nullopt;
    }
    return reported;
}

// ---- Menus -------------------------------------------------------------------------

bool isReservedBySystem(const Shortcut& shortcut) {
    if (registry().holds(shortcut)) {
        return false;
    }
    if (shortcut.carbonKeyCode < 0 || shortcut.carbonKeyCode > 0xFFFFFFFF) {
        return false;
    }
    return Internal::backend().isHeldByAnotherClient(
        static_cast<std::uint32_t>(shortcut.carbonKeyCode),
        static_cast<std::uint32_t>(shortcut.carbonModifiers));
}

// ---- Testing hooks -----------------------------------------------------------------

void setPreferencesFile(PreferencesFile* store) {
    state().store = store;
}

void setHotKeyBackend(std::shared_ptr<HotKeyBackend> backend) {
    auto& s = state();
    if (s.registry) {
        s.registry->clear();
        s.registry.reset();
    }
    s.registeredShortcuts.clear();
    s.backend = std::move(backend);
}

void setNameDescriber(std::function<QString(const QString&)> describe) {
    state().nameDescriber = std::move(describe);
}

void setKeyTextProvider(std::function<std::optional<QString>(std::int64_t)> provider) {
    state().keyTextProvider = std::move(provider);
}

void resetStateForTesting() {
    auto& s = state();
    if (s.registry) {
        s.registry->clear();
    }
    s.registeredShortcuts.clear();
    s.keyDownHandlers.clear();
    s.keyUpHandlers.clear();
    s.knownShortcuts.clear();
    s.isEnabled = true;
    s.isPaused = false;
    s.isMenuOpen = false;
    s.pausedKeyDownHandler = nullptr;
    s.pausedPresses.clear();
    if (s.registry) {
        s.registry->update(true, false);
    }
}

std::vector<std::int64_t> hotKeyIdsFor(const Shortcut& shortcut) {
    return registry().idsFor(shortcut);
}

bool isRegisteredShortcut(const Shortcut& shortcut) {
    return state().registeredShortcuts.contains(shortcut);
}

}  // namespace mirelon::GlobalShortcuts
