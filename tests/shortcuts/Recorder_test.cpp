// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShortcutsTestSupport.h"

#include "platform/qt/ManualScheduler.h"
#include "shortcuts/Recorder.h"

#include <QApplication>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace mirelon::GlobalShortcuts {
namespace {

using testing::kCtrlK;
using testing::ShortcutsTest;

// X11 key codes (evdev + 8).
constexpr quint32 kX11A = 38, kX11K = 45, kX11Q = 24, kX11F5 = 71, kX11F12 = 96, kX11Escape = 9,
                  kX11Backspace = 22, kX11Tab = 23, kX11Shift = 50;

class RecorderTest : public ShortcutsTest {
protected:
    void SetUp() override {
        ShortcutsTest::SetUp();
        setBeepHandler([this] { ++beeps; });
        setAlertHandler([this](QWidget*, const Alert& alert) {
            alerts.push_back(alert);
            return alertResponse;
        });
        activity = EventBus::shared().addObserver(
            recorderActiveStatusDidChange,
            [this](const Notification& n) { activeStates.push_back(n.object.toBool()); });
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        field = new RecorderField(
            name, [this](const std::optional<Shortcut>& s) { changes.push_back(s); });
        button = new QPushButton(QStringLiteral("Other"));
        layout->addWidget(field);
        layout->addWidget(button);
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
        scheduler.scheduler.runPending();  // the field may take focus from now on
    }
    void TearDown() override {
        window.reset();
        setApplicationMenu(nullptr);
        setBeepHandler({});
        setAlertHandler({});
        activity.reset();
        ShortcutsTest::TearDown();
    }

    void startRecording() {
        field->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(field->isRecording());
    }
    // Sends a key press the way it reaches the focused widget.
    bool press(int key, Qt::KeyboardModifiers modifiers, quint32 x11Code) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : field;
        QKeyEvent override(QEvent::ShortcutOverride, key, modifiers, x11Code, 0, 0);
        QApplication::sendEvent(target, &override);
        QKeyEvent event(QEvent::KeyPress, key, modifiers, x11Code, 0, 0);
        QApplication::sendEvent(target, &event);
        return event.isAccepted();
    }

    ScopedManualScheduler scheduler;
    const Name name{QStringLiteral("toggleMirelon")};
    std::unique_ptr<QWidget> window;
    RecorderField* field = nullptr;
    QPushButton* button = nullptr;
    int beeps = 0;
    int alertResponse = 1000;
    std::vector<Alert> alerts;
    std::vector<std::optional<Shortcut>> changes;
    std::vector<bool> activeStates;
    ObserverToken activity;
};

TEST_F(RecorderTest, IdleFieldShowsPlaceholderAndRecordingPausesShortcuts) {
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Record Shortcut"));
    EXPECT_EQ(field->text(), QString());
    EXPECT_FALSE(field->isClearButtonShown());
    EXPECT_EQ(field->sizeHint().width(), 130);
    startRecording();
    EXPECT_TRUE(isPaused());
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Press Shortcut"));
    EXPECT_EQ(activeStates, std::vector<bool>{true});
}

TEST_F(RecorderTest, ShiftLetterBeepsAndKeepsRecording) {
    startRecording();
    press(Qt::Key_Shift, Qt::ShiftModifier, kX11Shift);  // a modifier alone: silent
    EXPECT_EQ(beeps, 0);
    press(Qt::Key_A, Qt::ShiftModifier, kX11A);
    press(Qt::Key_A, Qt::NoModifier, kX11A);
    EXPECT_EQ(beeps, 2);
    EXPECT_TRUE(field->isRecording());
    EXPECT_FALSE(userDefaultsContains(name));
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(field->text(), QString());  // typed characters never reach the text
}

TEST_F(RecorderTest, FunctionKeyAloneIsStoredAndEndsRecording) {
    startRecording();
    press(Qt::Key_F5, Qt::NoModifier, kX11F5);
    const Shortcut f5(Key::f5, 0);
    EXPECT_EQ(getShortcut(name), f5);
    EXPECT_EQ(field->text(), QStringLiteral("F5"));
    EXPECT_TRUE(field->isClearButtonShown());
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], f5);
    EXPECT_FALSE(field->isRecording());
    EXPECT_FALSE(field->hasFocus());
    EXPECT_FALSE(isPaused());
    EXPECT_TRUE(backend->isGrabbed(f5));
    EXPECT_EQ(activeStates, (std::vector<bool>{true, false}));
    EXPECT_EQ(beeps, 0);
}

TEST_F(RecorderTest, ShiftFunctionKeyPassesTheModifierRule) {
    startRecording();
    press(Qt::Key_F5, Qt::ShiftModifier, kX11F5);
    EXPECT_EQ(getShortcut(name), Shortcut(Key::f5, ModifierFlag::shift));
    EXPECT_EQ(field->text(), QStringLiteral("Shift+F5"));
}

TEST_F(RecorderTest, EscapeCancels) {
    setShortcut(kCtrlK, name);
    startRecording();
    press(Qt::Key_Escape, Qt::NoModifier, kX11Escape);
    EXPECT_FALSE(field->isRecording());
    EXPECT_FALSE(isPaused());
    EXPECT_EQ(getShortcut(name), kCtrlK);
    EXPECT_EQ(field->text(), kCtrlK.description());
    EXPECT_TRUE(changes.empty());
}

TEST_F(RecorderTest, BackspaceClearsAndKeepsRecording) {
    setShortcut(kCtrlK, name);
    EXPECT_TRUE(field->isClearButtonShown());
    startRecording();
    press(Qt::Key_Backspace, Qt::NoModifier, kX11Backspace);
    EXPECT_FALSE(userDefaultsContains(name));  // no default: the key disappears
    EXPECT_FALSE(backend->isGrabbed(kCtrlK));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_FALSE(changes[0].has_value());
    EXPECT_EQ(field->text(), QString());
    EXPECT_FALSE(field->isClearButtonShown());
    EXPECT_TRUE(field->isRecording());
}

TEST_F(RecorderTest, ClearButtonRemovesTheShortcutAndStartsRecording) {
    setShortcut(kCtrlK, name);
    auto* clear = field->findChild<QAction*>(QStringLiteral("clearShortcut"));
    ASSERT_TRUE(clear);
    clear->trigger();
    EXPECT_FALSE(getShortcut(name));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_TRUE(field->isRecording());
}

TEST_F(RecorderTest, TwoRecordersOfOneNameShowANewShortcutAtOnce) {
    RecorderField second(name);
    startRecording();
    press(Qt::Key_K, Qt::ControlModifier, kX11K);
    EXPECT_EQ(field->text(), kCtrlK.description());
    EXPECT_EQ(second.text(), kCtrlK.description());
    EXPECT_TRUE(second.isClearButtonShown());
    setShortcut(std::nullopt, name);  // changes made elsewhere too
    EXPECT_EQ(field->text(), QString());
    EXPECT_EQ(second.text(), QString());
    // Switching the name shows that name's shortcut.
    const Name other(QStringLiteral("toggleText"));
    setShortcut(Shortcut(Key::f5, 0), other);
    second.setShortcutName(other);
    EXPECT_EQ(second.text(), QStringLiteral("F5"));
}

TEST_F(RecorderTest, MenuConflictAlertsAndStoresNothing) {
    QMenu menu;
    QAction* quit = menu.addAction(QStringLiteral("&Quit Mirelon"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    setApplicationMenu(&menu);
    startRecording();
    press(Qt::Key_Q, Qt::ControlModifier, kX11Q);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].message.contains(QStringLiteral("“Quit Mirelon”")))
        << alerts[0].message.toStdString();
    EXPECT_EQ(alerts[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_FALSE(userDefaultsContains(name));
    EXPECT_TRUE(field->isRecording());  // focused again after the alert
}

TEST_F(RecorderTest, SystemConflictAlertsAndCanBeForced) {
    const Shortcut ctrlAltK(Key::k, ModifierFlag::control | ModifierFlag::option);
    backend->heldByOthers.insert({static_cast<std::uint32_t>(ctrlAltK.carbonKeyCode),
                                  static_cast<std::uint32_t>(ctrlAltK.carbonModifiers)});
    startRecording();
    press(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, kX11K);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Use Anyway")}));
    EXPECT_FALSE(alerts[0].informativeText.isEmpty());
    EXPECT_FALSE(userDefaultsContains(name));
    EXPECT_TRUE(field->isRecording());

    alertResponse = 1001;
    ::testing::internal::CaptureStdout();
    press(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, kX11K);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(getShortcut(name), ctrlAltK);  // stored although the grab fails
    EXPECT_EQ(out, "Error registering hotkey Ctrl+Alt+K: 10\n");
    EXPECT_EQ(field->text(), ctrlAltK.description());
}

TEST_F(RecorderTest, PlainF12IsNeverCheckedAgainstTheSystem) {
    startRecording();
    press(Qt::Key_F12, Qt::NoModifier, kX11F12);
    EXPECT_EQ(backend->trialGrabs, 0);
    EXPECT_EQ(getShortcut(name), Shortcut(Key::f12, 0));
    startRecording();
    press(Qt::Key_F5, Qt::ControlModifier, kX11F5);
    EXPECT_EQ(backend->trialGrabs, 1);
}

// The X server hands presses of the program's own hot keys to the hot-key
// connection, never to the focused field: they arrive through the paused dispatcher.
TEST_F(RecorderTest, RecordsACombinationTheProgramAlreadyHolds) {
    const Name other(QStringLiteral("toggleText"));
    setShortcut(kCtrlK, other);
    int ran = 0;
    onKeyDown(other, [&] { ++ran; });
    onKeyUp(other, [&] { ++ran; });
    startRecording();
    ASSERT_TRUE(backend->press(kCtrlK));
    EXPECT_FALSE(isPaused());  // stored on the press
    ASSERT_TRUE(backend->release(kCtrlK));
    EXPECT_EQ(ran, 0);  // nor on its release
    EXPECT_EQ(getShortcut(name), kCtrlK);
    EXPECT_EQ(getShortcut(other), kCtrlK);
    EXPECT_EQ(backend->trialGrabs, 0);
    EXPECT_FALSE(field->isRecording());
    // Once recording has ended the hot key runs actions again.
    ASSERT_TRUE(backend->click(kCtrlK));
    EXPECT_EQ(ran, 2);
}

TEST_F(RecorderTest, TabMovesOnAndEndsRecording) {
    startRecording();
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, kX11Tab, 0, 0);
    QApplication::sendEvent(field, &tab);
    EXPECT_TRUE(button->hasFocus());
    EXPECT_FALSE(field->isRecording());
    EXPECT_FALSE(isPaused());
    EXPECT_EQ(beeps, 0);
}

TEST_F(RecorderTest, ClickOutsideEndsRecordingAndClickInsideIsSwallowed) {
    startRecording();
    const QPointF inside = QPointF(field->rect().center());
    QMouseEvent insideUp(QEvent::MouseButtonRelease, inside, field->mapToGlobal(inside),
                         Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(field, &insideUp);
    EXPECT_TRUE(field->isRecording());
    const QPointF far(button->rect().center());
    QMouseEvent outsideUp(QEvent::MouseButtonRelease, far, button->mapToGlobal(far), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button, &outsideUp);
    EXPECT_FALSE(field->isRecording());
    EXPECT_FALSE(isPaused());
}

TEST_F(RecorderTest, LosingTheWindowEndsRecording) {
    startRecording();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(window.get(), &deactivate);
    EXPECT_FALSE(field->isRecording());
    EXPECT_FALSE(isPaused());
    EXPECT_EQ(activeStates, (std::vector<bool>{true, false}));
}

TEST_F(RecorderTest, DestroyingARecordingFieldUnpauses) {
    startRecording();
    window.reset();
    EXPECT_FALSE(isPaused());
    EXPECT_EQ(activeStates.back(), false);
}

TEST_F(RecorderTest, TheFieldDoesNotTakeFocusWhenItsWindowOpens) {
    QWidget other;
    auto* layout = new QFormLayout(&other);
    RecorderField* first = Recorder::addFormRow(*layout, QStringLiteral("Toggle"), name);
    layout->addRow(QStringLiteral("Button"), new QPushButton(QStringLiteral("B")));
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    EXPECT_FALSE(first->hasFocus());
    EXPECT_FALSE(first->isRecording());
    scheduler.scheduler.runPending();
    first->setFocus(Qt::MouseFocusReason);  // a click records
    EXPECT_TRUE(first->isRecording());
}

TEST_F(RecorderTest, LabelledRecorderRow) {
    Recorder row(QStringLiteral("Toggle Mirelon"), name);
    ASSERT_TRUE(row.label());
    EXPECT_EQ(qobject_cast<QLabel*>(row.label())->text(), QStringLiteral("Toggle Mirelon"));
    EXPECT_EQ(row.field()->shortcutName(), name);
    Recorder bare(name);
    EXPECT_EQ(bare.label(), nullptr);
}

}  // namespace
}  // namespace mirelon::GlobalShortcuts
