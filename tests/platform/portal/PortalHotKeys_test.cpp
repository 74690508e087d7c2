// SPDX-License-Identifier: GPL-3.0-or-later
// Hot keys while the desktop's GlobalShortcuts portal is asked (on a private
// bus, with the stand-in portal of the end-to-end tests): the key grabs serve
// at once; a portal that binds the names takes every hot key over and its
// presses run them; one that refuses the session or is missing takes nothing.
#include "platform/portal/PortalHotKeyService.h"
#include "shortcuts/HotKeyRegistry.h"
#include "shortcuts/Key.h"
#include "shortcuts/Modifiers.h"
#include "shortcuts/Shortcut.h"
#include "support/HotKeyFakes.h"
#include "support/PrivateBus.h"

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace mirelon {
namespace {

using GlobalShortcuts::Key;
using GlobalShortcuts::Shortcut;
namespace Carbon = GlobalShortcuts::CarbonModifier;

const QString kStandIn = QStringLiteral(MIRELON_SOURCE_DIR "/tests/e2e/lib/portal_standin.py");

using test::FakeGrabs;
using test::waitFor;

class PortalHotKeysTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { bus = new test::PrivateBus(); }
    static void TearDownTestSuite() {
        delete bus;
        bus = nullptr;
    }
    void SetUp() override {
        if (!bus->isUp() || !QFile::exists(QStringLiteral("/usr/bin/python3"))) {
            GTEST_SKIP() << "dbus-daemon or the system's Python is missing (tools/deps.sh)";
        }
        static int clients = 0;
        clientName = QStringLiteral("portal-hotkeys-%1").arg(++clients);
    }
    void TearDown() override {
        registry.reset();
        backend.reset();
        if (portal.state() != QProcess::NotRunning) {
            portal.terminate();
            portal.waitForFinished(10000);
        }
        QDBusConnection::disconnectFromBus(clientName);
    }
    void startPortal(const QString& mode) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus->address());
        portal.setProcessEnvironment(env);
        portal.start(QStringLiteral("/usr/bin/python3"),
                     {kStandIn, mode, dir.filePath(QStringLiteral("state.json"))});
        ASSERT_TRUE(portal.waitForStarted());
        ASSERT_TRUE(waitFor([&] { return portalSaid("ready"); }))
            << portal.readAllStandardError().toStdString();
    }
    // Whether the stand-in printed a line starting with `words`.
    bool portalSaid(const QString& words) {
        output += QString::fromUtf8(portal.readAllStandardOutput());
        for (const QString& line : output.split(u'\n')) {
            if (line.startsWith(words)) {
                return true;
            }
        }
        return false;
    }
    // The hot keys behind a registry, the fallback serving first.
    void start(std::shared_ptr<GlobalShortcuts::HotKeyBackend> fallback) {
        backend = PortalHotKeyService::afterFallback(
            bus->connect(clientName),
            [] {
                return std::vector<GlobalShortcuts::NamedBinding>{
                    {QStringLiteral("toggleMirelon"), QStringLiteral("Turn Mirelon on or off"),
                     static_cast<std::uint32_t>(Key::m.rawValue),
                     Carbon::control | Carbon::option}};
            },
            std::move(fallback), [this](const QString& whyNot) { noPortal = whyNot; });
        registry = std::make_unique<GlobalShortcuts::HotKeyRegistry>(*backend);
    }
    bool registerToggle() {
        return registry->registerShortcut(
            toggle, [this](const Shortcut&) { ++downs; }, [this](const Shortcut&) { ++ups; });
    }
    // The desktop reports a press and a release of the bound id.
    bool press(const QString& id) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/test"),
            QStringLiteral("app.mirelon.Test"), QStringLiteral("Press"));
        call << id;
        QDBusPendingCallWatcher watcher(bus->connect(clientName).asyncCall(call));
        return waitFor([&] { return watcher.isFinished(); }) && !watcher.isError() &&
               watcher.reply().arguments().value(0).toBool();
    }

    static inline test::PrivateBus* bus = nullptr;
    const Shortcut toggle{
        Key::m, GlobalShortcuts::modifierFlagsFromCarbon(Carbon::control | Carbon::option)};
    QTemporaryDir dir;
    QString clientName;
    QProcess portal;
    QString output;
    std::optional<QString> noPortal;
    std::shared_ptr<GlobalShortcuts::HotKeyBackend> backend;
    std::unique_ptr<GlobalShortcuts::HotKeyRegistry> registry;
    int downs = 0;
    int ups = 0;
};

TEST_F(PortalHotKeysTest, TheGrabsServeUntilThePortalAnswersAndThenItTakesEveryHotKey) {
    startPortal(QStringLiteral("new-kde"));
    auto grabs = std::make_shared<FakeGrabs>();
    start(grabs);
    ASSERT_TRUE(registerToggle());
    EXPECT_EQ(grabs->grabbed.size(), 1u);
    EXPECT_EQ(backend->kind(), GlobalShortcuts::HotKeyBackend::Kind::KeyGrabs);
    grabs->sink.pressed(grabs->grabbed.begin()->first);
    grabs->sink.released(grabs->grabbed.begin()->first);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);

    ASSERT_TRUE(
        waitFor([&] { return backend->kind() == GlobalShortcuts::HotKeyBackend::Kind::Portal; }));
    EXPECT_TRUE(portalSaid("bind 1 toggleMirelon:CTRL+ALT+M")) << output.toStdString();
    EXPECT_TRUE(grabs->grabbed.empty());
    EXPECT_FALSE(noPortal);
    ASSERT_TRUE(press(QStringLiteral("toggleMirelon:CTRL+ALT+M")));
    ASSERT_TRUE(waitFor([&] { return ups == 2; }));
    EXPECT_EQ(downs, 2);
}

TEST_F(PortalHotKeysTest, WhereNothingCanBeGrabbedTheHotKeysWaitForThePortal) {
    startPortal(QStringLiteral("new-kde"));
    start(std::make_shared<GlobalShortcuts::UnavailableHotKeyBackend>());
    ASSERT_TRUE(registerToggle());
    ASSERT_TRUE(
        waitFor([&] { return backend->kind() == GlobalShortcuts::HotKeyBackend::Kind::Portal; }));
    EXPECT_TRUE(portalSaid("bind 1 toggleMirelon:CTRL+ALT+M")) << output.toStdString();
    ASSERT_TRUE(press(QStringLiteral("toggleMirelon:CTRL+ALT+M")));
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));
}

TEST_F(PortalHotKeysTest, WithoutAPortalTheGrabsStayAndHotKeysNothingServesAreRefused) {
    auto grabs = std::make_shared<FakeGrabs>();
    start(grabs);
    ASSERT_TRUE(registerToggle());
    ASSERT_TRUE(waitFor([&] { return noPortal.has_value(); }));
    EXPECT_FALSE(noPortal->isEmpty());
    EXPECT_EQ(grabs->grabbed.size(), 1u);
    EXPECT_EQ(backend->kind(), GlobalShortcuts::HotKeyBackend::Kind::KeyGrabs);

    // Nothing to grab on: kept while the portal is asked, refused once it is
    // known not to come.
    registry.reset();
    noPortal.reset();
    start(std::make_shared<GlobalShortcuts::UnavailableHotKeyBackend>());
    ASSERT_TRUE(registerToggle());
    testing::internal::CaptureStdout();
    ASSERT_TRUE(waitFor([&] { return noPortal.has_value(); }));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error registering hotkey Ctrl+Alt+M: -1\n");
    EXPECT_FALSE(registry->holds(toggle));
}

TEST_F(PortalHotKeysTest, APortalThatRefusesTheSessionNeverTakesTheHotKeys) {
    startPortal(QStringLiteral("refuse"));
    start(std::make_shared<GlobalShortcuts::UnavailableHotKeyBackend>());
    ASSERT_TRUE(registerToggle());
    testing::internal::CaptureStdout();
    // The refusal ends the wait: the kept hot key is offered to the first
    // service, which cannot take it.
    ASSERT_TRUE(waitFor([&] { return !registry->holds(toggle); }));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error registering hotkey Ctrl+Alt+M: -1\n");
    EXPECT_TRUE(portalSaid("create"));
    EXPECT_EQ(backend->kind(), GlobalShortcuts::HotKeyBackend::Kind::Unavailable);
}

}  // namespace
}  // namespace mirelon
