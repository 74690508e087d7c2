// SPDX-License-Identifier: GPL-3.0-or-later
// Real grabs on a real X server. These run only under the end-to-end script
// tests/e2e/shortcuts_hotkeys_test.sh (Xvfb, QT_QPA_PLATFORM=xcb,
// MIRELON_SHORTCUTS_E2E=1), which drives the keyboard with xdotool.

#include "platform/files/PreferencesFile.h"
#include "platform/qt/ManualScheduler.h"
#include "platform/x11/X11HotKeyService.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/GlobalShortcutsTesting.h"
#include "shortcuts/Recorder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace mirelon::GlobalShortcuts {
namespace {

const Shortcut kSuperCtrlK(Key::k, ModifierFlag::control | ModifierFlag::command);
const Shortcut kCtrlK(Key::k, ModifierFlag::control);
const Shortcut kCtrlAltJ(Key::j, ModifierFlag::control | ModifierFlag::option);

// Runs xdotool with the arguments; fails the test when it does not succeed.
void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0)
        << arguments.join(' ').toStdString();
}

// Turns the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int milliseconds = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Lets late events arrive, so that "exactly once" also means "not twice".
void settle(int milliseconds = 250) {
    waitFor([] { return false; }, milliseconds);
}

// Another X client, holding grabs of its own.
class OtherClient {
public:
    OtherClient() : connection_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~OtherClient() { xcb_disconnect(connection_); }
    // Grabs the combination, with extra (lock) modifier bits when given.
    bool grab(const Shortcut& s, std::uint16_t extra = 0) {
        const auto code = static_cast<xcb_keycode_t>(*s.key().evdevCode() + 8);
        const auto mask = static_cast<std::uint16_t>(x11ModifierMask(s.carbonModifiers) | extra);
        auto cookie = xcb_grab_key_checked(connection_, 0, root_, mask, code, XCB_GRAB_MODE_ASYNC,
                                           XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
        std::free(error);
        return error == nullptr;
    }
    void ungrab(const Shortcut& s, std::uint16_t extra = 0) {
        const auto code = static_cast<xcb_keycode_t>(*s.key().evdevCode() + 8);
        xcb_ungrab_key(connection_, code, root_,
                       static_cast<std::uint16_t>(x11ModifierMask(s.carbonModifiers) | extra));
        xcb_flush(connection_);
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
};

// Whether the program holds the combination (with extra bits): another
// client's grab of it fails. A successful probe is undone at once.
bool heldByUs(const Shortcut& s, std::uint16_t extra = 0) {
    OtherClient probe;
    if (probe.grab(s, extra)) {
        probe.ungrab(s, extra);
        return false;
    }
    return true;
}

void run(const QString& program, const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(program, arguments), 0)
        << program.toStdString() << " " << arguments.join(' ').toStdString();
}

constexpr std::uint16_t kLockMask = 0x2;
constexpr std::uint16_t kMod2 = 0x10;
constexpr std::uint16_t kMod3 = 0x20;

class X11HotKeys : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb") ||
            qEnvironmentVariableIsEmpty("MIRELON_SHORTCUTS_E2E")) {
            GTEST_SKIP() << "needs an X server: run tests/e2e/shortcuts_hotkeys_test.sh";
        }
        ASSERT_TRUE(dir.isValid());
        store = std::make_unique<PreferencesFile>(dir.filePath(QStringLiteral("defaults.json")));
        setPreferencesFile(store.get());
        service = X11HotKeyService::connect();
        ASSERT_TRUE(service);
        setHotKeyBackend(service);
        resetStateForTesting();
        onKeyUp(name, [this] { ++ups; });
        onKeyDown(name, [this] { ++downs; });
    }
    void TearDown() override {
        resetStateForTesting();
        setHotKeyBackend(nullptr);
        setPreferencesFile(nullptr);
        service.reset();
    }

    QTemporaryDir dir;
    std::unique_ptr<PreferencesFile> store;
    std::shared_ptr<X11HotKeyService> service;
    const Name name{QStringLiteral("toggleMirelon")};
    int ups = 0;
    int downs = 0;
};

TEST_F(X11HotKeys, ReleaseRunsTheActionOncePerPressWhateverTheLocks) {
    setShortcut(kSuperCtrlK, name);
    xdotool({"key", "ctrl+super+k"});
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));
    settle();
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(downs, 1);

    xdotool({"key", "Num_Lock"});
    xdotool({"key", "ctrl+super+k"});
    EXPECT_TRUE(waitFor([&] { return ups == 2; })) << "with NumLock on";
    xdotool({"key", "Num_Lock"});

    xdotool({"key", "Caps_Lock"});
    xdotool({"key", "ctrl+super+k"});
    EXPECT_TRUE(waitFor([&] { return ups == 3; })) << "with CapsLock on";
    xdotool({"key", "Caps_Lock"});

    // Other combinations of the same key do nothing.
    xdotool({"key", "ctrl+k"});
    xdotool({"key", "super+k"});
    settle();
    EXPECT_EQ(ups, 3);
    EXPECT_EQ(downs, 3);
}

TEST_F(X11HotKeys, HeldKeysReleaseOnceAfterAutoRepeat) {
    ASSERT_TRUE(service->hasDetectableAutoRepeat());
    setShortcut(kSuperCtrlK, name);
    xdotool({"keydown", "ctrl+super+k"});
    ASSERT_TRUE(waitFor([&] { return downs == 1; }));
    settle(1200);  // past the auto-repeat delay
    xdotool({"keyup", "ctrl+super+k"});
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));
    settle();
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
    EXPECT_GT(service->absorbedRepeatCount(), 0) << "the server did not auto-repeat";
}

TEST_F(X11HotKeys, LettingGoOfTheModifierFirstStillReleases) {
    setShortcut(kCtrlK, name);
    xdotool({"keydown", "ctrl", "keydown", "k", "keyup", "ctrl", "keyup", "k"});
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));
    settle();
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
}

TEST_F(X11HotKeys, CombinationHeldByAnotherClientFailsAndCountsAsReserved) {
    OtherClient other;
    ASSERT_TRUE(other.grab(kCtrlAltJ));
    EXPECT_TRUE(isReservedBySystem(kCtrlAltJ));
    EXPECT_FALSE(isReservedBySystem(kCtrlK));  // free: the trial grab is undone
    EXPECT_TRUE(other.grab(kCtrlK));
    other.ungrab(kCtrlK);

    // The stdout line is checked by the end-to-end script.
    setShortcut(kCtrlAltJ, name);
    EXPECT_EQ(getShortcut(name), kCtrlAltJ);
    EXPECT_TRUE(hotKeyIdsFor(kCtrlAltJ).empty());
    other.ungrab(kCtrlAltJ);
}

TEST_F(X11HotKeys, APartlyRefusedRegistrationUndoesTheGrabsItMade) {
    const Shortcut ctrlAltH(Key::h, ModifierFlag::control | ModifierFlag::option);
    OtherClient other;
    ASSERT_TRUE(other.grab(ctrlAltH, kLockMask));  // only the CapsLock mix is taken
    setShortcut(ctrlAltH, name);  // writes "Error registering hotkey Ctrl+Alt+H: 10"
    EXPECT_TRUE(hotKeyIdsFor(ctrlAltH).empty());
    EXPECT_FALSE(heldByUs(ctrlAltH));
    EXPECT_FALSE(heldByUs(ctrlAltH, kMod2));
    other.ungrab(ctrlAltH, kLockMask);
}

TEST_F(X11HotKeys, GrabsFollowAModifierMapChange) {
    setShortcut(kCtrlK, name);
    ASSERT_TRUE(heldByUs(kCtrlK, kMod2));
    ASSERT_FALSE(heldByUs(kCtrlK, kMod3));
    // NumLock moves from Mod2 to Mod3: the grabs are renewed with the new bit.
    run(QStringLiteral("xmodmap"), {"-e", "remove mod2 = Num_Lock", "-e", "add mod3 = Num_Lock"});
    EXPECT_TRUE(waitFor([&] { return heldByUs(kCtrlK, kMod3); }));
    EXPECT_FALSE(heldByUs(kCtrlK, kMod2));
    xdotool({"key", "Num_Lock"});
    xdotool({"key", "ctrl+k"});
    EXPECT_TRUE(waitFor([&] { return ups == 1; })) << "with NumLock on Mod3";
    xdotool({"key", "Num_Lock"});
    run(QStringLiteral("xmodmap"), {"-e", "remove mod3 = Num_Lock", "-e", "add mod2 = Num_Lock"});
    EXPECT_TRUE(waitFor([&] { return heldByUs(kCtrlK, kMod2); }));
    xdotool({"key", "ctrl+k"});
    EXPECT_TRUE(waitFor([&] { return ups == 2; }));
}

TEST_F(X11HotKeys, KeyTextsFollowTheLayout) {
    const Shortcut ctrlY(Key::y, ModifierFlag::control);
    EXPECT_EQ(ctrlY.description(), QStringLiteral("Ctrl+Y"));
    run(QStringLiteral("setxkbmap"), {"de"});
    const bool followed = waitFor([&] { return ctrlY.description() == QStringLiteral("Ctrl+Z"); });
    run(QStringLiteral("setxkbmap"), {"us"});
    EXPECT_TRUE(followed) << ctrlY.description().toStdString();
    EXPECT_TRUE(waitFor([&] { return ctrlY.description() == QStringLiteral("Ctrl+Y"); }));
}

TEST_F(X11HotKeys, OwnCombinationIsNeverReservedAndKeepsWorkingAfterTheCheck) {
    setShortcut(kCtrlK, name);
    EXPECT_FALSE(isReservedBySystem(kCtrlK));
    xdotool({"key", "ctrl+k"});
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));
    OtherClient other;
    EXPECT_FALSE(other.grab(kCtrlK));  // still ours
}

TEST_F(X11HotKeys, MasterSwitchReleasesAndRestoresTheGrabs) {
    setShortcut(kCtrlK, name);
    setEnabled(false);
    {
        OtherClient other;
        EXPECT_TRUE(other.grab(kCtrlK));  // released: anyone may take it
        other.ungrab(kCtrlK);
    }
    xdotool({"key", "ctrl+k"});
    settle();
    EXPECT_EQ(ups, 0);
    setEnabled(true);
    xdotool({"key", "ctrl+k"});
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));
    OtherClient other;
    EXPECT_FALSE(other.grab(kCtrlK));
}

TEST_F(X11HotKeys, OpenMenuStillRunsTheShortcutOnce) {
    setShortcut(kCtrlK, name);
    QMenu menu;
    menu.addAction(QStringLiteral("Start Mirelon"));
    menu.popup(QPoint(100, 100));
    ASSERT_TRUE(waitFor([&] { return menu.isVisible() && isMenuOpen(); }));
    settle(300);  // the menu takes the keyboard
    {
        OtherClient other;
        EXPECT_TRUE(other.grab(kCtrlK)) << "the grab is released while the menu is open";
        other.ungrab(kCtrlK);
    }
    xdotool({"key", "ctrl+k"});
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));
    settle();
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(downs, 1);
    EXPECT_TRUE(menu.isVisible());  // the menu did not take the key
    menu.hide();
    ASSERT_FALSE(isMenuOpen());
    xdotool({"key", "ctrl+k"});
    ASSERT_TRUE(waitFor([&] { return ups == 2; }));
}

// The recorder with real key events from the X server.
class X11Recorder : public X11HotKeys {
protected:
    void SetUp() override {
        X11HotKeys::SetUp();
        if (IsSkipped()) {
            return;
        }
        setBeepHandler([this] { ++beeps; });
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        field = new RecorderField(name);
        second = new RecorderField(name);
        layout->addWidget(field);
        layout->addWidget(second);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(waitFor([&] { return window->isActiveWindow(); }));
        settle(300);
        // Opening the window never starts a recording by itself.
        ASSERT_FALSE(field->hasFocus() || second->hasFocus());
        ASSERT_FALSE(isPaused());
        field->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(waitFor([&] { return field->isRecording(); }));
    }
    void TearDown() override {
        window.reset();
        setBeepHandler({});
        X11HotKeys::TearDown();
    }
    std::unique_ptr<QWidget> window;
    RecorderField* field = nullptr;
    RecorderField* second = nullptr;
    int beeps = 0;
};

TEST_F(X11Recorder, RecordsBeepsCancelsAndClears) {
    xdotool({"key", "shift+a"});
    ASSERT_TRUE(waitFor([&] { return beeps == 1; }));
    EXPECT_FALSE(userDefaultsContains(name));
    EXPECT_TRUE(field->isRecording());
    EXPECT_TRUE(isPaused());

    xdotool({"key", "F5"});
    ASSERT_TRUE(waitFor([&] { return getShortcut(name).has_value(); }));
    EXPECT_EQ(getShortcut(name), Shortcut(Key::f5, 0));
    EXPECT_EQ(field->text(), QStringLiteral("F5"));
    EXPECT_EQ(second->text(), QStringLiteral("F5"));  // both recorders at once
    EXPECT_FALSE(field->isRecording());
    EXPECT_FALSE(isPaused());

    // The stored shortcut is live at once.
    xdotool({"key", "F5"});
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));

    field->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(waitFor([&] { return field->isRecording(); }));
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitFor([&] { return !field->isRecording(); }));
    EXPECT_EQ(getShortcut(name), Shortcut(Key::f5, 0));

    field->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(waitFor([&] { return field->isRecording(); }));
    xdotool({"key", "BackSpace"});
    ASSERT_TRUE(waitFor([&] { return !userDefaultsContains(name); }));
    EXPECT_EQ(field->text(), QString());
    EXPECT_EQ(second->text(), QString());
    EXPECT_TRUE(field->isRecording());
    EXPECT_EQ(beeps, 1);
}

TEST_F(X11Recorder, RecordsSuperCombinationsAndTheirDisplayText) {
    xdotool({"key", "ctrl+alt+super+k"});
    const Shortcut expected(Key::k,
                            ModifierFlag::control | ModifierFlag::option | ModifierFlag::command);
    ASSERT_TRUE(waitFor([&] { return getShortcut(name) == expected; }));
    EXPECT_EQ(field->text(), QStringLiteral("Ctrl+Alt+Super+K"));
    xdotool({"key", "ctrl+alt+super+k"});
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));
}

TEST_F(X11Recorder, RecordsACombinationAnotherNameHolds) {
    const Name other(QStringLiteral("toggleText"));
    setShortcut(kCtrlAltJ, other);
    xdotool({"key", "ctrl+alt+j"});
    ASSERT_TRUE(waitFor([&] { return getShortcut(name) == kCtrlAltJ; }));
    EXPECT_EQ(field->text(), kCtrlAltJ.description());
    EXPECT_EQ(getShortcut(other), kCtrlAltJ);
    settle();
    EXPECT_EQ(ups, 0);  // recording: no action ran
    xdotool({"key", "ctrl+alt+j"});
    ASSERT_TRUE(waitFor([&] { return ups == 1; }));
}

// The menu-item alert is a real window-modal sheet on the recorder's window;
// closing it with Return focuses the recorder again.
TEST_F(X11Recorder, MenuConflictShowsAWindowModalSheet) {
    QMenu menu;
    QAction* quit = menu.addAction(QStringLiteral("Quit Mirelon"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    setApplicationMenu(&menu);
    setAlertHandler({});  // the real alert

    QString message;
    bool windowModal = false;
    bool onOurWindow = false;
    bool painted = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        poll.stop();
        settle(300);
        message = box->text();
        windowModal = box->windowModality() == Qt::WindowModal;
        onOurWindow = box->parentWidget() && box->parentWidget()->window() == window.get();
        // The sheet is on screen: its centre is not the empty root's black.
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const QPoint centre = box->geometry().center();
        painted = screen.pixelColor(centre) != QColor(Qt::black);
        const QString shots = qEnvironmentVariable("MIRELON_SHORTCUTS_SCREENSHOTS");
        if (!shots.isEmpty()) {
            screen.save(shots + QStringLiteral("/menu-conflict-alert.png"));
        }
        QProcess::execute(QStringLiteral("xdotool"), {"key", "Return"});
    });
    poll.start();
    xdotool({"key", "ctrl+q"});
    ASSERT_TRUE(waitFor([&] { return !message.isEmpty(); }, 5000));
    EXPECT_TRUE(message.contains(QStringLiteral("Quit Mirelon")));
    EXPECT_TRUE(windowModal);
    EXPECT_TRUE(onOurWindow);
    EXPECT_TRUE(painted);
    EXPECT_TRUE(waitFor([] { return QApplication::activeModalWidget() == nullptr; }));
    EXPECT_TRUE(waitFor([&] { return field->isRecording(); })) << "recording again after the alert";
    EXPECT_FALSE(userDefaultsContains(name));
    setApplicationMenu(nullptr);
}

}  // namespace
}  // namespace mirelon::GlobalShortcuts
