// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/PortalHotKeyService.h"
#include "platform/portal/PortalServices.h"

#include "platform/xkb/XkbKeyText.h"
#include "shortcuts/HotKeyHandover.h"
#include "shortcuts/Key.h"
#include "shortcuts/PortalTrigger.h"
#include "shortcuts/Shortcut.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QLoggingCategory>
#include <QTimer>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcPortal, "app.mirelon.Mirelon.shortcuts", QtInfoMsg)

namespace mirelon {

namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString objectPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString registryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");
constexpr int versionCallTimeoutMs = 5000;
// The first call may start the portal, which takes a loaded desktop a while;
// the key grabs serve meanwhile, so it may take its time.
constexpr int discoveryTimeoutMs = 25000;

}  // namespace

std::shared_ptr<GlobalShortcuts::HotKeyBackend> PortalHotKeyService::afterFallback(
    QDBusConnection bus, BindingSource source,
    std::shared_ptr<GlobalShortcuts::HotKeyBackend> fallback,
    std::function<void(const QString& whyNot)> noPortal) {
    auto handover = std::make_shared<GlobalShortcuts::HotKeyHandover>(std::move(fallback), true);
    if (!bus.isConnected()) {
        handover->endWait();
        noPortal(QStringLiteral("no session bus"));
        return handover;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << interface << QStringLiteral("version");
    // Starting the portal may take the desktop seconds: nothing waits for it.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(get, discoveryTimeoutMs),
                                                QCoreApplication::instance());
    const std::weak_ptr<GlobalShortcuts::HotKeyHandover> weak = handover;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [weak, bus, source = std::move(source),
                      noPortal = std::move(noPortal)](QDBusPendingCallWatcher* done) {
                         done->deleteLater();
                         if (const auto keys = weak.lock()) {
                             versionAnswered(*keys, done->reply(), bus, source, noPortal);
                         }
                     });
    return handover;
}

void PortalHotKeyService::versionAnswered(GlobalShortcuts::HotKeyHandover& keys,
                                          const QDBusMessage& reply, const QDBusConnection& bus,
                                          const BindingSource& source,
                                          const std::function<void(const QString&)>& noPortal) {
    const QVariant answer =
        reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
            ? reply.arguments().constFirst().value<QDBusVariant>().variant()
            : QVariant();
    bool isNumber = false;
    const uint version = answer.toUInt(&isNumber);
    if (!isNumber) {
        keys.endWait();
        noPortal(reply.type() == QDBusMessage::ErrorMessage && !reply.errorMessage().isEmpty()
                     ? reply.errorMessage()
                     : QStringLiteral("the portal gave no version"));
        return;
    }
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
    qCInfo(lcPortal) << "The desktop's GlobalShortcuts portal answers, version" << version
                     << "- binding the shortcuts there";
    std::shared_ptr<PortalHotKeyService> portal(new PortalHotKeyService(bus, source, version));
    keys.offer(portal);
    // The names are bound before any hot key is registered here; the end of
    // the first binding tells the handover whether the portal serves.
    portal->scheduleBind();
}

PortalHotKeyService::PortalHotKeyService(QDBusConnection bus, BindingSource source, uint version)
    : bus_(std::move(bus)),
      source_(std::move(source)),
      version_(version),
      defaultLayout_(XkbKeyText::fromNames()) {
    const bool activatedConnected =
        bus_.connect(service, objectPath, interface, QStringLiteral("Activated"), this,
                     SLOT(activatedMessage(QDBusMessage)));
    const bool deactivatedConnected =
        bus_.connect(service, objectPath, interface, QStringLiteral("Deactivated"), this,
                     SLOT(deactivatedMessage(QDBusMessage)));
    const bool changedConnected =
        bus_.connect(service, objectPath, interface, QStringLiteral("ShortcutsChanged"), this,
                     SLOT(shortcutsChanged(QDBusMessage)));
    const bool listening = activatedConnected && deactivatedConnected && changedConnected;
    if (!listening) {
        qCWarning(lcPortal).noquote()
            << "Cannot follow the GlobalShortcuts portal's signals:" << bus_.lastError().message();
    }
}

PortalHotKeyService::~PortalHotKeyService() {
    closeSession();
}

void PortalHotKeyService::setSink(Sink sink) {
    sink_ = std::move(sink);
}

int PortalHotKeyService::registerHotKey(std::uint32_t id, std::uint32_t keyCode,
                                        std::uint32_t modifiers) {
    hotKeys_[id] = {keyCode, modifiers};
    scheduleBind();
    return 0;
}

void PortalHotKeyService::unregisterHotKey(std::uint32_t id) {
    hotKeys_.erase(id);
    scheduleBind();
}

std::optional<QString> PortalHotKeyService::keyText(std::int64_t keyCode) const {
    const auto evdev = GlobalShortcuts::Key(keyCode).evdevCode();
    if (!defaultLayout_ || !evdev) {
        return std::nullopt;
    }
    return defaultLayout_->text(static_cast<std::uint32_t>(*evdev + 8));
}

std::optional<QString> PortalHotKeyService::boundTrigger(const QString& name) const {
    const auto it = triggers_.constFind(name);
    if (it == triggers_.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

// ---- Binding ------------------------------------------------------------------------

void PortalHotKeyService::scheduleBind() {
    if (bindScheduled_ || refused_) {
        return;
    }
    bindScheduled_ = true;
    // Many changes in one turn (a menu, a reset) make one binding.
    QTimer::singleShot(0, this, [this] {
        bindScheduled_ = false;
        if (binding_) {
            return;  // finishBinding() looks again
        }
        bind();
    });
}

void PortalHotKeyService::registerApplication() {
    registration_ = Registration::running;
    QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, registryInterface,
                                                       QStringLiteral("Register"));
    call << applicationId << QVariantMap();
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, versionCallTimeoutMs), this);
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            const QDBusMessage reply = done->reply();
            if (reply.type() == QDBusMessage::ErrorMessage) {
                // Older portals have no registry and know the program by its
                // connection; a refusal is the portal's to report later.
                qCInfo(lcPortal).noquote()
                    << "No application id registered with the portal:" << reply.errorName();
            } else {
                qCInfo(lcPortal).noquote() << "Registered with the portal as" << applicationId;
            }
            registration_ = Registration::done;
            bind();
        });
}

void PortalHotKeyService::bind() {
    if (registration_ != Registration::done) {
        if (registration_ == Registration::pending) {
            registerApplication();
        }
        return;
    }
    std::vector<Binding> wanted = source_ ? source_() : std::vector<Binding>{};
    if (!session_.isEmpty() && wanted == wanted_) {
        return;  // a menu or the master switch released and took the same keys again
    }
    wanted_ = std::move(wanted);
    triggers_.clear();
    const PortalShortcuts list = shortcutList();
    binding_ = true;
    // A new session under the same token replaces the old binding: close the old one first.
    closeSession();
    down_.clear();
    const QString token = newToken();
    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), sessionToken}};
    if (version_ < 2) {
        // Plasma before 6.2 binds what the session's options list.
        options.insert(QStringLiteral("shortcuts"), QVariant::fromValue(list));
    }
    request(QStringLiteral("CreateSession"), {options}, token,
            [this](uint code, const QVariantMap& results) { sessionCreated(code, results); });
}

void PortalHotKeyService::sessionCreated(uint code, const QVariantMap& results) {
    if (code != 0) {
        refused_ = true;
        qCWarning(lcPortal).noquote()
            << QStringLiteral("The GlobalShortcuts portal refused a session (response %1)")
                   .arg(code);
        finishBinding();
        return;
    }
    session_ = results.value(QStringLiteral("session_handle")).toString();
    if (session_.isEmpty()) {
        refused_ = true;
        qCWarning(lcPortal) << "The GlobalShortcuts portal gave no session";
        finishBinding();
        return;
    }
    if (const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
        shortcuts.isValid()) {
        readTriggers(shortcuts);
    }
    if (version_ >= 2) {
        listShortcuts();
    } else {
        bindShortcuts();
    }
}

void PortalHotKeyService::listShortcuts() {
    const QString token = newToken();
    request(QStringLiteral("ListShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session_)),
             QVariantMap{{QStringLiteral("handle_token"), token}}},
            token, [this](uint code, const QVariantMap& results) {
                PortalShortcuts known;
                const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
                if (code == 0 && shortcuts.canConvert<QDBusArgument>()) {
                    const QDBusArgument argument = shortcuts.value<QDBusArgument>();
                    if (argument.currentSignature() == QLatin1String("a(sa{sv})")) {
                        argument >> known;
                    }
                }
                QStringList knownIds;
                for (const auto& shortcut : known) {
                    knownIds << shortcut.first;
                }
                QStringList wantedIds;
                for (const auto& shortcut : shortcutList()) {
                    wantedIds << shortcut.first;
                }
                knownIds.sort();
                wantedIds.sort();
                if (code == 0 && knownIds == wantedIds) {
                    // The desktop holds exactly these from an earlier start.
                    qCInfo(lcPortal) << "The desktop keeps the shortcuts bound before";
                    rememberTriggers(known);
                    finishBinding();
                    return;
                }
                bindShortcuts();
            });
}

std::optional<QString> PortalHotKeyService::triggerOf(const Binding& binding) {
    return GlobalShortcuts::portalTrigger(GlobalShortcuts::Shortcut(
        static_cast<std::int64_t>(binding.keyCode), static_cast<std::int64_t>(binding.modifiers)));
}

QString PortalHotKeyService::shortcutId(const Binding& binding, const QString& trigger) {
    return binding.name + QLatin1Char(':') + trigger;
}

PortalShortcuts PortalHotKeyService::shortcutList() const {
    PortalShortcuts list;
    for (const Binding& b : wanted_) {
        if (const auto trigger = triggerOf(b)) {
            list.append({shortcutId(b, *trigger),
                         QVariantMap{{QStringLiteral("description"), b.description},
                                     {QStringLiteral("preferred_trigger"), *trigger}}});
        }
    }
    return list;
}

const PortalHotKeyService::Binding* PortalHotKeyService::bindingForId(const QString& id) const {
    for (const Binding& b : wanted_) {
        if (const auto trigger = triggerOf(b); trigger && shortcutId(b, *trigger) == id) {
            return &b;
        }
    }
    return nullptr;
}

void PortalHotKeyService::bindShortcuts() {
    const PortalShortcuts list = shortcutList();
    const QString token = newToken();
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(list), QString(),
             QVariantMap{{QStringLiteral("handle_token"), token}}},
            token, [this](uint code, const QVariantMap& results) {
                // Desktops that bound the list from the session's options may
                // answer this one with nothing or a refusal: the binding stands.
                if (code == 0) {
                    readTriggers(results.value(QStringLiteral("shortcuts")));
                } else {
                    qCDebug(lcPortal) << "BindShortcuts answered" << code;
                }
                finishBinding();
            });
}

void PortalHotKeyService::finishBinding() {
    binding_ = false;
    if (!refused_) {
        QStringList bound;
        for (const Binding& b : wanted_) {
            bound << b.name + QLatin1Char('=') + triggers_.value(b.name, QStringLiteral("?"));
        }
        qCInfo(lcPortal).noquote()
            << "Bound with the desktop:"
            << (bound.isEmpty() ? QStringLiteral("nothing") : bound.join(QStringLiteral(", ")));
    }
    if (sink_.triggersChanged) {
        sink_.triggersChanged();
    }
    if (!refused_) {
        bind();  // changes that came in meanwhile
    }
}

void PortalHotKeyService::closeSession() {
    if (session_.isEmpty()) {
        return;
    }
    const QDBusMessage close = QDBusMessage::createMethodCall(
        service, session_, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close"));
    // Not waited for: the calls that follow on this connection reach the
    // portal after it.
    bus_.asyncCall(close, versionCallTimeoutMs);
    session_.clear();
}

void PortalHotKeyService::request(const QString& method, const QList<QVariant>& arguments,
                                  const QString& token, Step step) {
    // The Request object path is known before the call: listen first, so a
    // fast answer is not missed.
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    if (!pendingRequest_.isEmpty()) {
        bus_.disconnect(service, pendingRequest_, QStringLiteral("org.freedesktop.portal.Request"),
                        QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
    }
    pendingRequest_ = path;
    pendingStep_ = std::move(step);
    bus_.connect(service, path, QStringLiteral("org.freedesktop.portal.Request"),
                 QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, interface, method);
    call.setArguments(arguments);
    // The answer that matters comes as the Request's Response; the reply only
    // tells of a call the portal refused outright, which ends the step as a
    // failed request (response 2).
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, versionCallTimeoutMs), this);
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, this,
        [this, path, method](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            const QDBusMessage reply = done->reply();
            if (reply.type() != QDBusMessage::ErrorMessage || pendingRequest_ != path) {
                return;
            }
            qCWarning(lcPortal).noquote()
                << "The GlobalShortcuts portal refused" << method << ":" << reply.errorMessage();
            response(2, {});
        });
}

void PortalHotKeyService::response(uint code, const QVariantMap& results) {
    if (!pendingStep_) {
        return;
    }
    const Step step = std::move(pendingStep_);
    pendingStep_ = nullptr;
    bus_.disconnect(service, pendingRequest_, QStringLiteral("org.freedesktop.portal.Request"),
                    QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
    pendingRequest_.clear();
    step(code, results);
}

QString PortalHotKeyService::newToken() {
    return QStringLiteral("mirelon_%1_%2").arg(::getpid()).arg(++tokenCounter_);
}

void PortalHotKeyService::readTriggers(const QVariant& shortcuts) {
    if (!shortcuts.canConvert<QDBusArgument>()) {
        return;
    }
    PortalShortcuts list;
    const QDBusArgument argument = shortcuts.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(sa{sv})")) {
        qCWarning(lcPortal) << "Ignoring shortcuts of an unexpected type from the portal";
        return;
    }
    argument >> list;
    rememberTriggers(list);
}

// ---- Presses ----------------------------------------------------------------------------

void PortalHotKeyService::rememberTriggers(const PortalShortcuts& list) {
    for (const auto& [id, properties] : list) {
        if (const Binding* b = bindingForId(id)) {
            triggers_.insert(b->name,
                             properties.value(QStringLiteral("trigger_description")).toString());
        }
    }
}

std::optional<std::uint32_t> PortalHotKeyService::hotKeyFor(const QString& shortcutId) const {
    // Ids of earlier bindings (another stored combination) run nothing.
    const Binding* b = bindingForId(shortcutId);
    if (!b) {
        return std::nullopt;
    }
    for (const auto& [id, combination] : hotKeys_) {
        if (combination == Combination(b->keyCode, b->modifiers)) {
            return id;
        }
    }
    return std::nullopt;
}

namespace {
// (session handle, shortcut name) of an Activated or Deactivated signal.
std::optional<std::pair<QString, QString>> pressArguments(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || !arguments.at(0).canConvert<QDBusObjectPath>() ||
        arguments.at(1).metaType() != QMetaType::fromType<QString>()) {
        return std::nullopt;
    }
    return std::make_pair(arguments.at(0).value<QDBusObjectPath>().path(),
                          arguments.at(1).toString());
}
}  // namespace

// The typed arguments are read by hand: the signals' option maps may carry
// anything, and a message slot accepts them all.
void PortalHotKeyService::activatedMessage(const QDBusMessage& message) {
    if (const auto args = pressArguments(message)) {
        activated(QDBusObjectPath(args->first), args->second, 0, {});
    }
}

void PortalHotKeyService::deactivatedMessage(const QDBusMessage& message) {
    if (const auto args = pressArguments(message)) {
        deactivated(QDBusObjectPath(args->first), args->second, 0, {});
    }
}

void PortalHotKeyService::activated(const QDBusObjectPath& session, const QString& name, qulonglong,
                                    const QVariantMap&) {
    qCDebug(lcPortal) << "Activated" << name << "in" << session.path();
    if (session.path() != session_ || down_.count(name)) {
        return;  // another session's, or a repeat while held
    }
    const auto id = hotKeyFor(name);
    if (!id || !sink_.pressed) {
        return;
    }
    down_.insert(name);
    sink_.pressed(*id);
}

void PortalHotKeyService::deactivated(const QDBusObjectPath& session, const QString& name,
                                      qulonglong, const QVariantMap&) {
    qCDebug(lcPortal) << "Deactivated" << name << "in" << session.path();
    if (session.path() != session_ || !down_.erase(name)) {
        return;
    }
    const auto id = hotKeyFor(name);
    if (id && sink_.released) {
        sink_.released(*id);
    }
}

void PortalHotKeyService::shortcutsChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).value<QDBusObjectPath>().path() != session_ ||
        !arguments.at(1).canConvert<QDBusArgument>()) {
        return;
    }
    const QDBusArgument shortcuts = arguments.at(1).value<QDBusArgument>();
    if (shortcuts.currentSignature() != QLatin1String("a(sa{sv})")) {
        return;
    }
    PortalShortcuts list;
    shortcuts >> list;
    triggers_.clear();
    rememberTriggers(list);
    if (sink_.triggersChanged) {
        sink_.triggersChanged();
    }
}

}  // namespace mirelon

namespace mirelon {

std::shared_ptr<GlobalShortcuts::HotKeyBackend> portalHotKeysAfter(
    std::shared_ptr<GlobalShortcuts::HotKeyBackend> fallback,
    GlobalShortcuts::NamedBindingSource bindings, std::function<void(const QString&)> noPortal) {
    return PortalHotKeyService::afterFallback(QDBusConnection::sessionBus(), std::move(bindings),
                                              std::move(fallback), std::move(noPortal));
}

}  // namespace mirelon
