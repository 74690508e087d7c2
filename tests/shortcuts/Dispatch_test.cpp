// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShortcutsTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

namespace mirelon::GlobalShortcuts {
namespace {

using testing::kCmdA;
using testing::kCtrlK;
using testing::kCtrlOptCmdK;
using testing::ShortcutsTest;

using DispatchTest = ShortcutsTest;

TEST_F(DispatchTest, KeyDownAndKeyUpTablesRunTheirOwnActions) {
    const Name name(QStringLiteral("toggleMirelon"));
    setShortcut(kCtrlK, name);
    std::vector<std::string> calls;
    onKeyDown(name, [&] { calls.push_back("down"); });
    onKeyUp(name, [&] { calls.push_back("up1"); });
    onKeyUp(name, [&] { calls.push_back("up2"); });
    ASSERT_TRUE(backend->press(kCtrlK));
    EXPECT_EQ(calls, std::vector<std::string>{"down"});
    ASSERT_TRUE(backend->release(kCtrlK));
    EXPECT_EQ(calls, (std::vector<std::string>{"down", "up1", "up2"}));
}

TEST_F(DispatchTest, PerformActionsRunsOneNamesActionsWithOrWithoutAShortcut) {
    const Name bound(QStringLiteral("toggleMirelon"));
    const Name sharing(QStringLiteral("toggleText"));
    const Name unbound(QStringLiteral("toggleRingLight"));
    setShortcut(kCtrlK, bound);
    setShortcut(kCtrlK, sharing);
    std::vector<std::string> calls;
    onKeyUp(bound, [&] { calls.push_back("bound-up"); });
    onKeyDown(bound, [&] { calls.push_back("bound-down"); });
    onKeyUp(sharing, [&] { calls.push_back("sharing"); });
    onKeyUp(unbound, [&] { calls.push_back("unbound"); });

    // Only the named action runs, not the others on the same combination;
    // down before up, as a key press would.
    EXPECT_TRUE(performActions(bound));
    EXPECT_EQ(calls, (std::vector<std::string>{"bound-down", "bound-up"}));
    calls.clear();
    EXPECT_TRUE(performActions(unbound));
    EXPECT_EQ(calls, std::vector<std::string>{"unbound"});
    calls.clear();
    // A recorder that is recording does not swallow a command from outside.
    setPaused(true);
    EXPECT_TRUE(performActions(sharing));
    EXPECT_EQ(calls, std::vector<std::string>{"sharing"});
    setPaused(false);
    EXPECT_FALSE(performActions(Name(QStringLiteral("nothingBound"))));

    // An action that replaces every handler while it runs does not break the call.
    removeAllHandlers();
    int runs = 0;
    onKeyUp(bound, [&] {
        ++runs;
        removeAllHandlers();
    });
    EXPECT_TRUE(performActions(bound));
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(performActions(bound));
}

TEST_F(DispatchTest, ShortcutsEditedInTheFileByAnotherProgramAreRegisteredAgain) {
    const Name name(QStringLiteral("toggleMirelon"));
    const Name other(QStringLiteral("toggleText"));
    setShortcut(kCtrlK, name);
    setShortcut(kCtrlK, other);
    int ran = 0;
    onKeyUp(name, [&] { ++ran; });
    onKeyUp(other, [] {});
    ASSERT_TRUE(backend->isGrabbed(kCtrlK));

    // Another writer of the same file moves one name to another combination:
    // the old one stays grabbed for the other name.
    PreferencesFile elsewhere(store->filePath());
    elsewhere.setString(name.storageKey(), QString::fromUtf8(kCmdA.toJson()));
    store->reloadFromDisk();
    EXPECT_TRUE(backend->isGrabbed(kCmdA));
    EXPECT_TRUE(backend->isGrabbed(kCtrlK));
    ASSERT_TRUE(backend->click(kCmdA));
    EXPECT_EQ(ran, 1);

    // Removing both lets every grab go.
    elsewhere.remove(name.storageKey());
    elsewhere.remove(other.storageKey());
    store->reloadFromDisk();
    EXPECT_TRUE(backend->grabbed.empty());
}

TEST_F(DispatchTest, HandlersRegisterTheStoredShortcutOnlyOnce) {
    const Name name(QStringLiteral("toggleText"));
    onKeyUp(name, [] {});
    EXPECT_TRUE(backend->grabbed.empty());  // nothing stored yet
    setShortcut(kCtrlK, name);
    onKeyUp(name, [] {});
    onKeyDown(name, [] {});
    EXPECT_EQ(hotKeyIdsFor(kCtrlK).size(), 1u);
    EXPECT_EQ(backend->registerCalls, 1);
}

TEST_F(DispatchTest, SeveralNamesOnOneShortcutAllRunAndDisablingOneReleasesBoth) {
    const Name a(QStringLiteral("a"));
    const Name b(QStringLiteral("b"));
    const Name other(QStringLiteral("other"));
    setShortcut(kCtrlK, a);
    setShortcut(kCtrlK, b);
    setShortcut(kCmdA, other);
    int ranA = 0, ranB = 0, ranOther = 0;
    onKeyUp(a, [&] { ++ranA; });
    onKeyUp(b, [&] { ++ranB; });
    onKeyUp(other, [&] { ++ranOther; });
    ASSERT_TRUE(backend->click(kCtrlK));
    EXPECT_EQ(ranA, 1);
    EXPECT_EQ(ranB, 1);
    EXPECT_EQ(ranOther, 0);

    disable({a});
    EXPECT_FALSE(backend->isGrabbed(kCtrlK));
    EXPECT_TRUE(backend->isGrabbed(kCmdA));
    EXPECT_EQ(getShortcut(b), kCtrlK);  // stored shortcuts stay
    enable({b});
    ASSERT_TRUE(backend->click(kCtrlK));
    EXPECT_EQ(ranA, 2);
    EXPECT_EQ(ranB, 2);
}

TEST_F(DispatchTest, RemoveAllHandlersThenOnKeyUpLeavesOneActionPerName) {
    const Name a(QStringLiteral("a"));
    const Name b(QStringLiteral("b"));
    setShortcut(kCtrlK, a);
    setShortcut(kCmdA, b);
    int ranA = 0, ranB = 0;
    for (int round = 0; round < 3; ++round) {
        removeAllHandlers();
        disable({a, b});
        onKeyUp(a, [&] { ++ranA; });
        onKeyUp(b, [&] { ++ranB; });
    }
    ASSERT_TRUE(backend->click(kCtrlK));
    ASSERT_TRUE(backend->click(kCmdA));
    EXPECT_EQ(ranA, 1);
    EXPECT_EQ(ranB, 1);
    removeAllHandlers();
    EXPECT_TRUE(backend->grabbed.empty());
}

TEST_F(DispatchTest, PausedShortcutsStayGrabbedButRunNothing) {
    const Name name(QStringLiteral("a"));
    setShortcut(kCtrlK, name);
    int ran = 0;
    onKeyUp(name, [&] { ++ran; });
    setPaused(true);
    EXPECT_TRUE(backend->click(kCtrlK));
    EXPECT_EQ(ran, 0);
    setPaused(false);
    EXPECT_TRUE(backend->click(kCtrlK));
    EXPECT_EQ(ran, 1);
}

TEST_F(DispatchTest, ANameNeverFiresForItsOldCombination) {
    const Name a(QStringLiteral("a"));
    const Name b(QStringLiteral("b"));
    setShortcut(kCtrlK, a);
    setShortcut(kCtrlK, b);
    int ranA = 0, ranB = 0;
    onKeyUp(a, [&] { ++ranA; });
    onKeyUp(b, [&] { ++ranB; });
    // Changed behind the module's back: the stored value is read at dispatch time.
    store->setString(a.storageKey(), QString::fromUtf8(kCmdA.toJson()));
    ASSERT_TRUE(backend->click(kCtrlK));
    EXPECT_EQ(ranA, 0);
    EXPECT_EQ(ranB, 1);
}

TEST_F(DispatchTest, ActionsMayRebindWhileRunning) {
    const Name name(QStringLiteral("a"));
    setShortcut(kCtrlK, name);
    int ran = 0;
    std::function<void()> rebind = [&] {
        ++ran;
        removeAllHandlers();
        onKeyUp(name, rebind);
    };
    onKeyUp(name, rebind);
    ASSERT_TRUE(backend->click(kCtrlK));
    ASSERT_TRUE(backend->click(kCtrlK));
    EXPECT_EQ(ran, 2);
}

TEST_F(DispatchTest, MasterSwitchReleasesAndRestoresEveryGrabUnderTheSameIds) {
    const Name a(QStringLiteral("a"));
    const Name b(QStringLiteral("b"));
    setShortcut(kCtrlK, a);
    setShortcut(kCmdA, b);
    onKeyUp(a, [] {});
    const auto ids = backend->grabbed;
    const int calls = backend->registerCalls;
    setEnabled(true);  // unchanged: nothing happens
    EXPECT_EQ(backend->registerCalls, calls);

    setEnabled(false);
    EXPECT_FALSE(isEnabled());
    EXPECT_TRUE(backend->grabbed.empty());
    // Registering while switched off keeps the grab for later.
    const Name c(QStringLiteral("c"));
    setShortcut(kCtrlOptCmdK, c);
    EXPECT_TRUE(backend->grabbed.empty());

    setEnabled(true);
    EXPECT_EQ(backend->grabbed.size(), 3u);
    for (const auto& [id, combination] : ids) {
        EXPECT_EQ(backend->grabbed.at(id), combination);
    }
}

TEST_F(DispatchTest, RefusedRegistrationPrintsOneLineAndStaysRegistered) {
    backend->heldByOthers.insert({static_cast<std::uint32_t>(kCtrlOptCmdK.carbonKeyCode),
                                  static_cast<std::uint32_t>(kCtrlOptCmdK.carbonModifiers)});
    const Name name(QStringLiteral("a"));
    ::testing::internal::CaptureStdout();
    setShortcut(kCtrlOptCmdK, name);
    onKeyUp(name, [] {});  // already in the registered set: no second attempt
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Error registering hotkey Ctrl+Alt+Super+K: 10\n");
    EXPECT_EQ(getShortcut(name), kCtrlOptCmdK);  // stored all the same
    EXPECT_TRUE(isRegisteredShortcut(kCtrlOptCmdK));
    EXPECT_TRUE(hotKeyIdsFor(kCtrlOptCmdK).empty());
    EXPECT_EQ(backend->registerCalls, 1);
}

TEST_F(DispatchTest, FailedRegrabAfterSuspensionDropsTheHotKey) {
    const Name name(QStringLiteral("a"));
    setShortcut(kCtrlK, name);
    setEnabled(false);
    backend->heldByOthers.insert({static_cast<std::uint32_t>(kCtrlK.carbonKeyCode),
                                  static_cast<std::uint32_t>(kCtrlK.carbonModifiers)});
    ::testing::internal::CaptureStdout();
    setEnabled(true);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error registering hotkey Ctrl+K: 10\n");
    EXPECT_TRUE(hotKeyIdsFor(kCtrlK).empty());
}

TEST_F(DispatchTest, MappingChangeRenewsTheGrabs) {
    const Name name(QStringLiteral("a"));
    setShortcut(kCtrlK, name);
    const int calls = backend->registerCalls;
    const auto id = backend->idOf(kCtrlK);
    backend->sink.mappingChanged();
    EXPECT_EQ(backend->registerCalls, calls + 1);
    EXPECT_EQ(backend->idOf(kCtrlK), id);
}

TEST_F(DispatchTest, ReservedCheckNeverTrialGrabsOwnCombinations) {
    const Name name(QStringLiteral("a"));
    setShortcut(kCtrlK, name);
    EXPECT_FALSE(isReservedBySystem(kCtrlK));
    EXPECT_EQ(backend->trialGrabs, 0);
    EXPECT_TRUE(backend->isGrabbed(kCtrlK));
    backend->heldByOthers.insert({static_cast<std::uint32_t>(kCmdA.carbonKeyCode),
                                  static_cast<std::uint32_t>(kCmdA.carbonModifiers)});
    EXPECT_TRUE(isReservedBySystem(kCmdA));
    EXPECT_FALSE(isReservedBySystem(kCtrlOptCmdK));
    EXPECT_EQ(backend->trialGrabs, 2);
}

// A QMenu the program shows holds the keyboard: the grabs are released and
// the keys the menu receives are matched instead.
TEST_F(DispatchTest, OpenMenuServesHotKeysFromItsKeyEvents) {
    const Name name(QStringLiteral("a"));
    setShortcut(kCtrlK, name);
    int down = 0, up = 0;
    onKeyDown(name, [&] { ++down; });
    onKeyUp(name, [&] { ++up; });
    const auto id = hotKeyIdsFor(kCtrlK);

    QMenu menu;
    QAction* item = menu.addAction(QStringLiteral("Item"));
    int triggered = 0;
    QObject::connect(item, &QAction::triggered, [&] { ++triggered; });
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(menu.isVisible());
    EXPECT_TRUE(isMenuOpen());
    EXPECT_TRUE(backend->grabbed.empty());

    // Ctrl+K pressed, Ctrl let go first, then K.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier, 45, 0, 0x4);
    QApplication::sendEvent(&menu, &press);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier, 45, 0, 0x4, {}, true);
    QApplication::sendEvent(&menu, &repeat);
    QKeyEvent ctrlUp(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier, 37, 0, 0);
    QApplication::sendEvent(&menu, &ctrlUp);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_K, Qt::NoModifier, 45, 0, 0);
    QApplication::sendEvent(&menu, &release);
    EXPECT_EQ(down, 1);
    EXPECT_EQ(up, 1);
    // Other keys still reach the menu.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, 36, 0, 0);
    menu.setActiveAction(item);
    QApplication::sendEvent(&menu, &enter);
    EXPECT_EQ(triggered, 1);

    menu.hide();
    EXPECT_FALSE(isMenuOpen());
    EXPECT_EQ(hotKeyIdsFor(kCtrlK), id);
    EXPECT_TRUE(backend->isGrabbed(kCtrlK));
    EXPECT_EQ(backend->idOf(kCtrlK), static_cast<std::uint32_t>(id.at(0)));
}

}  // namespace
}  // namespace mirelon::GlobalShortcuts
