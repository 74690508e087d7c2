// SPDX-License-Identifier: GPL-3.0-or-later
// Mirelon's side of the GNOME Shell extension's protocol, against a stand-in
// service on a private bus: what is sent when, hot keys grabbed in the shell
// and their activations, the extension leaving and coming back, the pointer.
#include "FakeShellService.h"

#include "platform/MoveMode.h"
#include "platform/MoveModeEscape.h"
#include "platform/gnome/GnomeHotKeyService.h"
#include "platform/gnome/GnomePointerWatch.h"
#include "platform/gnome/GnomeShellBridge.h"
#include "platform/qt/ManualScheduler.h"
#include "platform/xkb/XkbKeyText.h"
#include "shortcuts/HotKeyRegistry.h"
#include "shortcuts/Key.h"
#include "shortcuts/Modifiers.h"
#include "shortcuts/Shortcut.h"
#include "support/HotKeyFakes.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>

namespace mirelon {
namespace {

using GlobalShortcuts::Key;
using GlobalShortcuts::Shortcut;
namespace Carbon = GlobalShortcuts::CarbonModifier;

using test::waitFor;
using FakeX11Grabs = test::FakeGrabs;

std::optional<QString> usKeyText(std::int64_t code) {
    static std::shared_ptr<XkbKeyText> us{XkbKeyText::fromNames("us")};
    const auto evdev = Key(code).evdevCode();
    if (!us || !evdev) {
        return std::nullopt;
    }
    return us->text(static_cast<std::uint32_t>(*evdev + 8));
}

class GnomeBridgeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { bus = new test::PrivateBus(); }
    static void TearDownTestSuite() {
        delete bus;
        bus = nullptr;
    }
    void SetUp() override {
        if (!bus->isUp()) {
            GTEST_SKIP() << "dbus-daemon cannot start here";
        }
        static std::atomic<int> clients{0};
        clientName = QStringLiteral("mirelon-%1").arg(++clients);
        fake = std::make_unique<test::FakeShell>(bus->address());
    }
    void TearDown() override {
        hotKeys.reset();
        bridge.reset();
        fake.reset();
        if (!clientName.isEmpty()) {
            QDBusConnection::disconnectFromBus(clientName);
        }
    }
    GnomeShellBridge& makeBridge() {
        bridge = std::make_unique<GnomeShellBridge>(bus->connect(clientName));
        return *bridge;
    }
    GnomeHotKeyService& makeHotKeys() {
        fallback = std::make_shared<FakeX11Grabs>();
        hotKeys = std::make_unique<GnomeHotKeyService>(*bridge, fallback, usKeyText);
        return *hotKeys;
    }
    bool running() {
        return waitFor([this] { return bridge->isRunning(); });
    }
    bool gone() {
        return waitFor([this] { return !bridge->isRunning(); });
    }

    static inline test::PrivateBus* bus = nullptr;
    QString clientName;
    std::unique_ptr<test::FakeShell> fake;
    std::unique_ptr<GnomeShellBridge> bridge;
    std::shared_ptr<FakeX11Grabs> fallback;
    std::unique_ptr<GnomeHotKeyService> hotKeys;
};

TEST_F(GnomeBridgeTest, FindsAnExtensionThatWasThereFirst) {
    ASSERT_TRUE(fake->appear());
    makeBridge();
    ASSERT_TRUE(running());
    EXPECT_EQ(bridge->protocolVersion(), 1u);
    EXPECT_EQ(bridge->shellVersion(), QStringLiteral("43.9"));
}

TEST_F(GnomeBridgeTest, OverlaysAndMoveModeAreSentWhenChangedAndAgainWhenTheExtensionReturns) {
    makeBridge();
    int changes = 0;
    QObject::connect(bridge.get(), &GnomeShellBridge::runningChanged, [&] { ++changes; });
    bridge->setOverlayWindows({0x400001, 0x400002});
    bridge->setMoveMode(true);
    EXPECT_FALSE(bridge->isRunning());

    ASSERT_TRUE(fake->appear());
    ASSERT_TRUE(running());
    ASSERT_TRUE(waitFor(
        [&] { return fake->overlayCalls().size() == 1 && fake->moveModeCalls().size() == 1; }));
    EXPECT_EQ(fake->overlayCalls().last(), (QList<qulonglong>{0x400001, 0x400002}));
    EXPECT_EQ(fake->moveModeCalls(), QList<bool>{true});

    // The same list again is not sent; a new one is.
    bridge->setOverlayWindows({0x400001, 0x400002});
    bridge->setOverlayWindows({0x400003});
    ASSERT_TRUE(waitFor([&] { return fake->overlayCalls().size() == 2; }));
    EXPECT_EQ(fake->overlayCalls().last(), QList<qulonglong>{0x400003});

    // Disabled and enabled again: it forgot everything and is told again.
    fake->vanish();
    ASSERT_TRUE(gone());
    ASSERT_TRUE(fake->appear());
    ASSERT_TRUE(running());
    ASSERT_TRUE(waitFor(
        [&] { return fake->overlayCalls().size() == 3 && fake->moveModeCalls().size() == 2; }));
    EXPECT_EQ(fake->overlayCalls().last(), QList<qulonglong>{0x400003});
    EXPECT_EQ(fake->moveModeCalls(), (QList<bool>{true, true}));
    EXPECT_EQ(changes, 3);
}

TEST_F(GnomeBridgeTest, ShortcutsAreGrabbedInTheShellAndAnActivationIsAPressAndARelease) {
    ASSERT_TRUE(fake->appear());
    makeBridge();
    ASSERT_TRUE(running());
    makeHotKeys();
    GlobalShortcuts::HotKeyRegistry registry(*hotKeys);
    int downs = 0;
    int ups = 0;
    const Shortcut toggle(
        Key::m, GlobalShortcuts::modifierFlagsFromCarbon(Carbon::control | Carbon::option));
    ASSERT_TRUE(registry.registerShortcut(
        toggle, [&](const Shortcut&) { ++downs; }, [&](const Shortcut&) { ++ups; }));
    ASSERT_EQ(fake->grabbedAccelerators(), QStringList{QStringLiteral("<Control><Alt>m")});
    EXPECT_TRUE(fallback->grabbed.empty());
    const uint action = fake->grabs().firstKey();

    ASSERT_TRUE(fake->activate(action));
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));
    EXPECT_EQ(downs, 1);

    // Nonsense from the service changes nothing.
    fake->sendToClients(QStringLiteral("Activated"), {QStringLiteral("m"), 5});
    fake->sendToClients(QStringLiteral("Activated"), {QVariant::fromValue(uint(9999)), QString()});
    ASSERT_TRUE(fake->activate(action));
    ASSERT_TRUE(waitFor([&] { return ups == 2; }));
    EXPECT_EQ(downs, 2);

    // Grabbed afresh (a menu opened and closed) while a press was on its
    // way: the report names the old action, and still counts.
    const QString name = fake->grabs().first().name;
    registry.update(true, true);
    registry.update(true, false);
    ASSERT_TRUE(
        waitFor([&] { return fake->grabs().size() == 1 && fake->grabs().firstKey() != action; }));
    fake->sendToClients(QStringLiteral("Activated"), {QVariant::fromValue(action), name});
    ASSERT_TRUE(waitFor([&] { return ups == 3; }));
    // One for a hot key not held any more does nothing.
    fake->sendToClients(QStringLiteral("Activated"),
                        {QVariant::fromValue(action), QStringLiteral("999")});
    ASSERT_TRUE(fake->activate(fake->grabs().firstKey()));
    ASSERT_TRUE(waitFor([&] { return ups == 4; }));
    EXPECT_EQ(downs, 4);

    registry.unregisterShortcut(toggle);
    EXPECT_TRUE(waitFor([&] { return fake->grabs().isEmpty(); }));
}

TEST_F(GnomeBridgeTest, CombinationsTheShellHoldsAreReservedAsOnX11) {
    ASSERT_TRUE(fake->appear());
    makeBridge();
    ASSERT_TRUE(running());
    makeHotKeys();
    fake->reserve(QStringLiteral("<Super>a"));
    const auto code = static_cast<std::uint32_t>(Key::a.rawValue);
    EXPECT_EQ(hotKeys->registerHotKey(1, code, Carbon::command), GnomeHotKeyService::kBadAccess);
    EXPECT_TRUE(hotKeys->isHeldByAnotherClient(code, Carbon::command));
    EXPECT_FALSE(hotKeys->isGrabbedInShell(1));
    EXPECT_TRUE(fallback->grabbed.empty());

    // A free combination: the trial grab is given back.
    EXPECT_FALSE(hotKeys->isHeldByAnotherClient(code, Carbon::control | Carbon::shift));
    EXPECT_TRUE(waitFor([&] { return fake->grabs().isEmpty(); }));
    EXPECT_EQ(fake->grabCalls(), 3);
}

TEST_F(GnomeBridgeTest, GrabsMoveToXWhenTheExtensionLeavesAndBackWhenItReturns) {
    ASSERT_TRUE(fake->appear());
    makeBridge();
    ASSERT_TRUE(running());
    makeHotKeys();
    GlobalShortcuts::HotKeyRegistry registry(*hotKeys);
    int downs = 0;
    const Shortcut shortcut(Key::f9, GlobalShortcuts::modifierFlagsFromCarbon(Carbon::command));
    ASSERT_TRUE(registry.registerShortcut(
        shortcut, [&](const Shortcut&) { ++downs; }, [](const Shortcut&) {}));
    ASSERT_EQ(fake->grabbedAccelerators(), QStringList{QStringLiteral("<Super>F9")});

    fake->vanish();
    ASSERT_TRUE(gone());
    ASSERT_EQ(fallback->grabbed.size(), 1u);
    const std::uint32_t id = fallback->grabbed.begin()->first;
    EXPECT_EQ(fallback->grabbed.begin()->second,
              std::make_pair(static_cast<std::uint32_t>(Key::f9.rawValue),
                             static_cast<std::uint32_t>(Carbon::command)));
    fallback->sink.pressed(id);
    EXPECT_EQ(downs, 1);

    ASSERT_TRUE(fake->appear());
    ASSERT_TRUE(running());
    ASSERT_TRUE(waitFor([&] { return fake->grabs().size() == 1; }));
    EXPECT_TRUE(fallback->grabbed.empty());
    ASSERT_TRUE(fake->activate(fake->grabs().firstKey()));
    ASSERT_TRUE(waitFor([&] { return downs == 2; }));
}

TEST_F(GnomeBridgeTest, EscapeIsGrabbedWhileMoveModeIsOnAndEndsIt) {
    ScopedManualScheduler manual;
    ASSERT_TRUE(fake->appear());
    makeBridge();
    ASSERT_TRUE(running());
    // The program's shortcuts beside it: Escape's presses are not theirs.
    makeHotKeys();
    GlobalShortcuts::HotKeyRegistry registry(*hotKeys);
    int toggles = 0;
    ASSERT_TRUE(registry.registerShortcut(
        Shortcut(Key::m, GlobalShortcuts::modifierFlagsFromCarbon(Carbon::control)),
        [&](const Shortcut&) { ++toggles; }, [](const Shortcut&) {}));
    MoveMode mode(true);
    int made = 0;
    std::shared_ptr<FakeX11Grabs> escapeFallback;
    MoveModeEscape escape(mode, [&] {
        ++made;
        return std::make_shared<GnomeHotKeyService>(
            *bridge, escapeFallback = std::make_shared<FakeX11Grabs>(), usKeyText,
            QStringLiteral("moveMode:"));
    });
    EXPECT_EQ(made, 0);  // nothing is grabbed (or connected) before the mode is used

    mode.setActive(true);
    ASSERT_EQ(fake->grabbedAccelerators(),
              (QStringList{QStringLiteral("<Control>m"), QStringLiteral("Escape")}));
    ASSERT_TRUE(fake->activate(fake->grabs().lastKey()));
    ASSERT_TRUE(waitFor([&] { return !mode.isActive(); }));
    EXPECT_TRUE(waitFor([&] { return fake->grabs().size() == 1; }));
    EXPECT_EQ(toggles, 0);

    // The extension leaves while the mode is on: an X grab takes Escape.
    mode.setActive(true);
    fake->vanish();
    ASSERT_TRUE(gone());
    ASSERT_EQ(escapeFallback->grabbed.size(), 1u);
    EXPECT_EQ(escapeFallback->grabbed.begin()->second,
              std::make_pair(static_cast<std::uint32_t>(Key::escape.rawValue), 0u));
    escapeFallback->sink.pressed(escapeFallback->grabbed.begin()->first);
    EXPECT_FALSE(mode.isActive());
    EXPECT_TRUE(escapeFallback->grabbed.empty());
    EXPECT_EQ(made, 1);
    EXPECT_EQ(toggles, 0);
}

TEST_F(GnomeBridgeTest, ThePointerComesFromTheShellOnlyWhileMotionIsWanted) {
    ASSERT_TRUE(fake->appear());
    makeBridge();
    ASSERT_TRUE(running());
    auto* x11 = new FedPointerWatch();
    GnomePointerWatch watch(*bridge, std::unique_ptr<PointerWatch>(x11),
                            [] { return QList<QRect>{}; });
    EXPECT_TRUE(fake->watchCalls().isEmpty());

    auto interest = watch.motionInterest();
    ASSERT_TRUE(waitFor([&] { return fake->watcherCount() == 1; }));
    EXPECT_TRUE(watch.isFollowingShell());
    EXPECT_EQ(x11->motionInterestCount(), 0);
    fake->movePointer(2500, 300);
    ASSERT_TRUE(waitFor([&] { return watch.pointerPosition() == QPoint(2500, 300); }));
    x11->feedPointer(QPoint(5, 5));  // Xwayland's stale idea is not used
    EXPECT_EQ(watch.pointerPosition(), QPoint(2500, 300));

    // The extension goes: Xwayland's pointer serves until it comes back.
    fake->vanish();
    ASSERT_TRUE(gone());
    EXPECT_EQ(x11->motionInterestCount(), 1);
    x11->feedPointer(QPoint(40, 50));
    EXPECT_EQ(watch.pointerPosition(), QPoint(40, 50));
    ASSERT_TRUE(fake->appear());
    ASSERT_TRUE(running());
    ASSERT_TRUE(waitFor([&] { return fake->watcherCount() == 1; }));
    EXPECT_EQ(x11->motionInterestCount(), 0);

    interest.reset();
    ASSERT_TRUE(waitFor([&] { return fake->watcherCount() == 0; }));
    EXPECT_EQ(fake->watchCalls(), (QList<bool>{true, true, false}));
    EXPECT_EQ(watch.pointerPosition(), QPoint(40, 50));
}

TEST_F(GnomeBridgeTest, WithoutTheExtensionAStalePointerAtAPanelsEdgeCountsAsGone) {
    ScopedManualScheduler manual;
    makeBridge();
    auto* x11 = new FedPointerWatch();
    const QRect panel(100, 100, 200, 200);
    GnomePointerWatch watch(*bridge, std::unique_ptr<PointerWatch>(x11),
                            [&] { return QList<QRect>{panel}; });
    auto interest = watch.motionInterest();
    EXPECT_EQ(x11->motionInterestCount(), 1);

    // Last seen just inside the left edge (it went onto a native window).
    x11->feedPointer(QPoint(103, 180));
    manual.scheduler.advance(GnomePointerWatch::staleAfter - 0.2);
    EXPECT_EQ(watch.pointerPosition(), QPoint(103, 180));
    manual.scheduler.advance(0.3);
    EXPECT_EQ(watch.pointerPosition(), GnomePointerWatch::nowhere);
    // It comes back.
    x11->feedPointer(QPoint(110, 180));
    EXPECT_EQ(watch.pointerPosition(), QPoint(110, 180));

    // Resting inside, away from the edge: still there.
    x11->feedPointer(QPoint(200, 200));
    manual.scheduler.advance(10);
    EXPECT_EQ(watch.pointerPosition(), QPoint(200, 200));
    // Motion keeps it alive at the edge.
    x11->feedPointer(QPoint(298, 150));
    manual.scheduler.advance(1.0);
    x11->feedPointer(QPoint(297, 150));
    manual.scheduler.advance(1.0);
    EXPECT_EQ(watch.pointerPosition(), QPoint(297, 150));
    manual.scheduler.advance(1.0);
    EXPECT_EQ(watch.pointerPosition(), GnomePointerWatch::nowhere);
    // Away from every panel: nothing to end.
    x11->feedPointer(QPoint(600, 600));
    manual.scheduler.advance(10);
    EXPECT_EQ(watch.pointerPosition(), QPoint(600, 600));
}

TEST_F(GnomeBridgeTest, MoveModeCountsAsTheCommandKey) {
    ScopedManualScheduler manual;
    makeBridge();
    auto* x11 = new FedPointerWatch();
    GnomePointerWatch watch(*bridge, std::unique_ptr<PointerWatch>(x11),
                            [] { return QList<QRect>{}; });
    auto keys = watch.keyInterest();
    EXPECT_EQ(x11->keyInterestCount(), 1);
    QList<bool> reports;
    QObject::connect(&watch, &PointerWatch::modifiersChanged,
                     [&](bool down) { reports.append(down); });

    const bool offered = MoveMode::offeredInSession();
    MoveMode::setOfferedInSession(true);
    MoveMode::shared().setActive(true);
    EXPECT_TRUE(watch.isCommandKeyDown());
    EXPECT_TRUE(watch.currentCommandKeyDown());
    MoveMode::shared().setActive(false);
    EXPECT_FALSE(watch.isCommandKeyDown());
    x11->feedCommandKey(true);
    EXPECT_TRUE(watch.isCommandKeyDown());
    x11->feedCommandKey(false);
    EXPECT_EQ(reports, (QList<bool>{true, false, true, false}));
    MoveMode::setOfferedInSession(offered);
    keys.reset();
    EXPECT_EQ(x11->keyInterestCount(), 0);
}

}  // namespace
}  // namespace mirelon
