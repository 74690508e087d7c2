#include "platform/PortalHotKeyService.h"

#include "platform/XkbKeyText.h"
#include "shortcuts/Key.h"
#include "shortcuts/PortalTrigger.h"
#include "shortcuts/Shortcut.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QLoggingCategory>
#include <QTimer>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcPortal, "app.mirelon.Mirelon.shortcuts", QtInfoMsg)

using PortalShortcut = QPair<QString, QVariantMap>;
using PortalShortcuts = QList<PortalShortcut>;
Q_DECLARE_METATYPE(PortalShortcut)
Q_DECLARE_METATYPE(PortalShortcuts)

namespace mirelon {

namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString objectPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
constexpr int versionCallTimeoutMs = 5000;

}  // namespace

std::shared_ptr<PortalHotKeyService> PortalHotKeyService::connect(BindingSource source,
                                                                  QString* whyNot) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *whyNot = QStringLiteral("no session bus");
        return nullptr;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << interface << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, versionCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        *whyNot = reply.errorMessage().isEmpty() ? QStringLiteral("the portal did not answer")
                                                 : reply.errorMessage();
        return nullptr;
    }
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
    const uint version = reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt();
    qCInfo(lcPortal) << "Global shortcuts through the desktop's GlobalShortcuts portal, version"
                     << version;
    return std::shared_ptr<PortalHotKeyService>(
        new PortalHotKeyService(std::move(bus), std::move(source)));
}

PortalHotKeyService::PortalHotKeyService(QDBusConnection bus, BindingSource source)
    : bus_(std::move(bus)), source_(std::move(source)), defaultLayout_(XkbKeyText::fromNames()) {
    bus_.connect(service, objectPath, interface, QStringLiteral("Activated"), this,
                 SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bus_.connect(service, objectPath, interface, QStringLiteral("Deactivated"), this,
                 SLOT(deactivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bus_.connect(service, objectPath, interface, QStringLiteral("ShortcutsChanged"), this,
                 SLOT(shortcutsChanged(QDBusObjectPath, QDBusArgument)));
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

void PortalHotKeyService::bind() {
    std::vector<Binding> wanted = source_ ? source_() : std::vector<Binding>{};
    if (!session_.isEmpty() && wanted == wanted_) {
        return;  // a menu or the master switch released and took the same keys again
    }
    PortalShortcuts list;
    std::vector<Binding> bound;
    for (const Binding& b : wanted) {
        const auto trigger = GlobalShortcuts::portalTrigger(GlobalShortcuts::Shortcut(
            static_cast<std::int64_t>(b.keyCode), static_cast<std::int64_t>(b.modifiers)));
        if (!trigger) {
            continue;
        }
        list.append({b.name, QVariantMap{{QStringLiteral("description"), b.description},
                                         {QStringLiteral("preferred_trigger"), *trigger}}});
    }
    wanted_ = std::move(wanted);
    binding_ = true;
    // A new session under the same token replaces the old binding: close the old one first.
    closeSession();
    down_.clear();
    const QString token = newToken();
    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), sessionToken},
                        {QStringLiteral("shortcuts"), QVariant::fromValue(list)}};
    const bool sent = request(
        QStringLiteral("CreateSession"), {options}, token,
        [this, list](uint code, const QVariantMap& results) {
            if (code != 0) {
                refused_ = true;
                qCWarning(lcPortal)
                    << "The GlobalShortcuts portal refused a session (response" << code
                    << "): shortcuts work only through \"mirelon --action NAME\"";
                finishBinding();
                return;
            }
            session_ = results.value(QStringLiteral("session_handle")).toString();
            if (session_.isEmpty()) {
                refused_ = true;
                qCWarning(lcPortal) << "The GlobalShortcuts portal gave no session: shortcuts "
                                       "work only through \"mirelon --action NAME\"";
                finishBinding();
                return;
            }
            if (const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
                shortcuts.isValid()) {
                readTriggers(shortcuts);
            }
            bindShortcuts();
        });
    if (!sent) {
        refused_ = true;
        finishBinding();
    }
}

void PortalHotKeyService::bindShortcuts() {
    PortalShortcuts list;
    for (const Binding& b : wanted_) {
        const auto trigger = GlobalShortcuts::portalTrigger(GlobalShortcuts::Shortcut(
            static_cast<std::int64_t>(b.keyCode), static_cast<std::int64_t>(b.modifiers)));
        if (trigger) {
            list.append({b.name, QVariantMap{{QStringLiteral("description"), b.description},
                                             {QStringLiteral("preferred_trigger"), *trigger}}});
        }
    }
    const QString token = newToken();
    const bool sent =
        request(QStringLiteral("BindShortcuts"),
                {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(list),
                 QString(), QVariantMap{{QStringLiteral("handle_token"), token}}},
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
    if (!sent) {
        finishBinding();
    }
}

void PortalHotKeyService::finishBinding() {
    binding_ = false;
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
    bus_.call(close, QDBus::Block, versionCallTimeoutMs);
    session_.clear();
}

bool PortalHotKeyService::request(const QString& method, const QList<QVariant>& arguments,
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
    const QDBusMessage reply = bus_.call(call, QDBus::Block, versionCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qCWarning(lcPortal).noquote()
            << "The GlobalShortcuts portal refused" << method << ":" << reply.errorMessage();
        pendingStep_ = nullptr;
        return false;
    }
    return true;
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
    for (const auto& [name, properties] : list) {
        triggers_.insert(name, properties.value(QStringLiteral("trigger_description")).toString());
    }
}

// ---- Presses ----------------------------------------------------------------------------

std::optional<std::uint32_t> PortalHotKeyService::hotKeyFor(const QString& name) const {
    for (const Binding& b : wanted_) {
        if (b.name != name) {
            continue;
        }
        for (const auto& [id, combination] : hotKeys_) {
            if (combination == Combination(b.keyCode, b.modifiers)) {
                return id;
            }
        }
    }
    return std::nullopt;
}

void PortalHotKeyService::activated(const QDBusObjectPath& session, const QString& name, qulonglong,
                                    const QVariantMap&) {
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
    if (session.path() != session_ || !down_.erase(name)) {
        return;
    }
    const auto id = hotKeyFor(name);
    if (id && sink_.released) {
        sink_.released(*id);
    }
}

void PortalHotKeyService::shortcutsChanged(const QDBusObjectPath& session,
                                           const QDBusArgument& shortcuts) {
    if (session.path() != session_) {
        return;
    }
    PortalShortcuts list;
    shortcuts >> list;
    triggers_.clear();
    for (const auto& [name, properties] : list) {
        triggers_.insert(name, properties.value(QStringLiteral("trigger_description")).toString());
    }
    if (sink_.triggersChanged) {
        sink_.triggersChanged();
    }
}

}  // namespace mirelon
