// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

// One shortcut as the portal takes and reports it: (id, properties).
using PortalShortcut = QPair<QString, QVariantMap>;
using PortalShortcuts = QList<PortalShortcut>;
Q_DECLARE_METATYPE(PortalShortcut)
Q_DECLARE_METATYPE(PortalShortcuts)

namespace mirelon {

namespace GlobalShortcuts {
class HotKeyHandover;
}
class XkbKeyText;

// Global shortcuts through the desktop's GlobalShortcuts portal
// (org.freedesktop.portal.GlobalShortcuts) on the session bus, for Wayland
// sessions where no program may grab keys. The desktop binds shortcuts by
// name: each name with a stored shortcut is offered with that shortcut as the
// preferred trigger (under an id naming both), in one session under a fixed token, so a later
// session replaces the earlier binding.
//
// Before the first session the program names itself to the portal's host
// registry (org.freedesktop.host.portal.Registry, where it exists): portals
// refuse shortcuts to unsandboxed programs they cannot name. How the list is
// bound follows the interface's version: version 1 (Plasma 5.27 to 6.1, which
// read the list from the session's options) gets it in the options and through
// BindShortcuts; version 2 and later get it through BindShortcuts alone, and
// only when the shortcuts the desktop lists for the session differ from it
// (a desktop may ask the user about every binding).
//
// Activated and Deactivated become the presses
// and releases of the hot keys registered for the name's combination, so every dispatch rule of the
// hot-key registry holds (one action per press, pauses, menus). Any change of the names' shortcuts
// binds the list again.
class PortalHotKeyService final : public QObject, public GlobalShortcuts::HotKeyBackend {
    Q_OBJECT
public:
    using Binding = GlobalShortcuts::NamedBinding;
    using BindingSource = GlobalShortcuts::NamedBindingSource;

    static inline const QString sessionToken = QStringLiteral("mirelon");
    static inline const QString applicationId = QStringLiteral("app.mirelon.Mirelon");

    // Hot keys served by `fallback` at once, while the portal on `bus` is
    // asked for the interface's version without waiting: once it answers,
    // every hot key moves to the portal; when it does not, `noPortal` hears
    // why and the fallback stays.
    static std::shared_ptr<GlobalShortcuts::HotKeyBackend> afterFallback(
        QDBusConnection bus, BindingSource source,
        std::shared_ptr<GlobalShortcuts::HotKeyBackend> fallback,
        std::function<void(const QString& whyNot)> noPortal);
    ~PortalHotKeyService() override;

    void setSink(Sink sink) override;
    int registerHotKey(std::uint32_t id, std::uint32_t keyCode, std::uint32_t modifiers) override;
    void unregisterHotKey(std::uint32_t id) override;
    bool isHeldByAnotherClient(std::uint32_t, std::uint32_t) override { return false; }
    std::optional<QString> keyText(std::int64_t keyCode) const override;
    Kind kind() const override { return refused_ ? Kind::Unavailable : Kind::Portal; }
    std::optional<QString> boundTrigger(const QString& name) const override;

private Q_SLOTS:
    void activatedMessage(const QDBusMessage& message);
    void deactivatedMessage(const QDBusMessage& message);
    void shortcutsChanged(const QDBusMessage& message);
    void response(uint code, const QVariantMap& results);

private:
    void activated(const QDBusObjectPath& session, const QString& name, qulonglong timestamp,
                   const QVariantMap& options);
    void deactivated(const QDBusObjectPath& session, const QString& name, qulonglong timestamp,
                     const QVariantMap& options);
    using Combination = std::pair<std::uint32_t, std::uint32_t>;
    using Step = std::function<void(uint code, const QVariantMap& results)>;

    PortalHotKeyService(QDBusConnection bus, BindingSource source, uint version);
    // The portal's answer to the question for its version: offers `keys` a
    // service bound there, or tells `noPortal` why there is none.
    static void versionAnswered(GlobalShortcuts::HotKeyHandover& keys, const QDBusMessage& reply,
                                const QDBusConnection& bus, const BindingSource& source,
                                const std::function<void(const QString&)>& noPortal);
    void scheduleBind();
    void bind();
    // Names the program to the host registry once, then binds.
    void registerApplication();
    void sessionCreated(uint code, const QVariantMap& results);
    void listShortcuts();
    void bindShortcuts();
    void finishBinding();
    void closeSession();
    // Calls a portal method whose answer comes as a Request's Response,
    // without waiting; a refused call answers the step with response 2.
    void request(const QString& method, const QList<QVariant>& arguments, const QString& token,
                 Step step);
    QString newToken();
    void readTriggers(const QVariant& shortcuts);
    void rememberTriggers(const PortalShortcuts& list);
    // The shortcuts to send: each named "<name>:<trigger>", so that a new
    // stored combination is a new shortcut to the desktop (desktops keep the
    // trigger they know for an id and take a preferred one only for new ids).
    PortalShortcuts shortcutList() const;
    static std::optional<QString> triggerOf(const Binding& binding);
    static QString shortcutId(const Binding& binding, const QString& trigger);
    const Binding* bindingForId(const QString& id) const;
    std::optional<std::uint32_t> hotKeyFor(const QString& shortcutId) const;

    QDBusConnection bus_;
    BindingSource source_;
    uint version_ = 1;
    enum class Registration { pending, running, done } registration_ = Registration::pending;
    Sink sink_;
    std::map<std::uint32_t, Combination> hotKeys_;
    std::vector<Binding> wanted_;  // what the last bind sent
    QString session_;
    QString pendingRequest_;
    Step pendingStep_;
    bool bindScheduled_ = false;
    bool binding_ = false;
    bool refused_ = false;
    int tokenCounter_ = 0;
    std::set<QString> down_;  // ids whose Activated has not been followed by Deactivated
    QMap<QString, QString> triggers_;
    std::unique_ptr<XkbKeyText> defaultLayout_;
};

}  // namespace mirelon
