// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/Recorder.h"

#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/GlobalShortcutsInternal.h"
#include "shortcuts/GlobalShortcutsTesting.h"
#include "shortcuts/ShortcutTexts.h"

#include <QAction>
#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

#include <utility>

namespace mirelon::GlobalShortcuts {
namespace {

constexpr int kForceResponse = 1001;

std::function<void()>& beepHandler() {
    static std::function<void()> handler;
    return handler;
}

std::function<int(QWidget*, const Alert&)>& alertHandler() {
    static std::function<int(QWidget*, const Alert&)> handler;
    return handler;
}

void beep() {
    if (beepHandler()) {
        beepHandler()();
    } else {
        QApplication::beep();
    }
}

// A warning alert: a sheet (window-modal) on the window when there is one,
// application-modal otherwise. Returns 1000 + the index of the chosen button.
int runAlert(QWidget* window, const Alert& alert) {
    if (alertHandler()) {
        return alertHandler()(window, alert);
    }
    QMessageBox box(window);
    box.setIcon(QMessageBox::Warning);
    box.setText(alert.message);
    box.setInformativeText(alert.informativeText);
    box.setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    std::vector<QAbstractButton*> buttons;
    for (int i = 0; i < alert.buttons.size(); ++i) {
        buttons.push_back(box.addButton(
            alert.buttons[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    }
    if (!buttons.empty()) {
        box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
    }
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) {
            return 1000 + static_cast<int>(i);
        }
    }
    return 1000;
}

bool isModifierKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
        case Qt::Key_ScrollLock:
        case Qt::Key_Mode_switch:
            return true;
        default:
            return false;
    }
}

constexpr Qt::KeyboardModifiers kAnyModifier =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
constexpr Qt::KeyboardModifiers kAnyButShift =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

// The action's title without mnemonic markers and shortcut text.
QString plainTitle(const QAction& action) {
    QString title = action.text().section(QLatin1Char('\t'), 0, 0);
    title.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    title.remove(QLatin1Char('&'));
    title.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return title;
}

}  // namespace

void setBeepHandler(std::function<void()> handler) {
    beepHandler() = std::move(handler);
}

void setAlertHandler(std::function<int(QWidget*, const Alert&)> handler) {
    alertHandler() = std::move(handler);
}

// ---- RecorderField ---------------------------------------------------------------

RecorderField::RecorderField(const Name& name, ChangeHandler onChange, QWidget* parent)
    : QLineEdit(parent), name_(name), onChange_(std::move(onChange)) {
    setPlaceholderText(localizedText(QStringLiteral("record_shortcut")));
    setAlignment(Qt::AlignCenter);
    // Typed characters never reach the text, and a read-only field shows no caret.
    setReadOnly(true);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setObjectName(QStringLiteral("GlobalShortcutsRecorder"));
    clearAction_ = addAction(style()->standardIcon(QStyle::SP_LineEditClearButton),
                             QLineEdit::TrailingPosition);
    clearAction_->setObjectName(QStringLiteral("clearShortcut"));
    connect(clearAction_, &QAction::triggered, this, [this] { clearPressed(); });
    showStoredShortcut();
    nameChangeObserver_ =
        EventBus::shared().addObserver(shortcutByNameDidChange, [this](const Notification& n) {
            if (n.object.toString() == name_.rawValue()) {
                showStoredShortcut();
            }
        });
    desktopTriggersObserver_ =
        EventBus::shared().addObserver(desktopTriggersDidChange, [this](const Notification&) {
            if (!recording_) {
                showStoredShortcut();
            }
        });
}

RecorderField::~RecorderField() {
    if (recording_) {
        endRecording();
    }
}

void RecorderField::setShortcutName(const Name& name) {
    if (name.rawValue() == name_.rawValue()) {
        return;
    }
    name_ = name;
    showStoredShortcut();
}

bool RecorderField::isClearButtonShown() const {
    return clearAction_->isVisible();
}

QSize RecorderField::sizeHint() const {
    return QSize(minimumWidth, QLineEdit::sizeHint().height());
}

QSize RecorderField::minimumSizeHint() const {
    return sizeHint();
}

void RecorderField::setClearButtonShown(bool shown) {
    clearAction_->setVisible(shown);
}

void RecorderField::showStoredShortcut() {
    const auto shortcut = getShortcut(name_);
    // Where the desktop binds the shortcuts, what it actually bound is what works.
    const auto bound = desktopTrigger(name_);
    setText(bound ? *bound : shortcut ? shortcut->description() : QString());
    setClearButtonShown(!text().isEmpty());
}

void RecorderField::blur() {
    focusRequested_ = false;
    if (hasFocus()) {
        clearFocus();
    }
    if (recording_) {
        endRecording();
    }
}

void RecorderField::refocus() {
    // The window may only become active again after an alert has gone; the
    // focus it then restores was asked for, not taken by the field itself.
    focusRequested_ = true;
    if (QWidget* top = window(); top != this && !top->isActiveWindow()) {
        top->activateWindow();  // the alert gave the keyboard away
    }
    setFocus(Qt::OtherFocusReason);
}

void RecorderField::startRecording() {
    if (recording_) {
        return;
    }
    recording_ = true;
    setPlaceholderText(localizedText(QStringLiteral("press_shortcut")));
    setClearButtonShown(!text().isEmpty());
    setPaused(true);
    // The program's own hot keys reach the recorder through the paused dispatcher.
    Internal::setPausedKeyDownHandler([this](const Shortcut& shortcut) {
        if (recording_) {
            offer(shortcut);
        }
    });
    EventBus::shared().post(recorderActiveStatusDidChange, true);
    // Application-wide: every key press and mouse release passes through here first.
    qApp->installEventFilter(this);
    update();
}

void RecorderField::endRecording() {
    if (!recording_) {
        return;
    }
    recording_ = false;
    qApp->removeEventFilter(this);
    setPlaceholderText(localizedText(QStringLiteral("record_shortcut")));
    setClearButtonShown(!text().isEmpty());
    setPaused(false);
    Internal::setPausedKeyDownHandler({});
    EventBus::shared().post(recorderActiveStatusDidChange, false);
    update();
}

void RecorderField::clearPressed() {
    if (text().isEmpty()) {
        return;
    }
    setText(QString());
    setShortcut(std::nullopt, name_);
    if (onChange_) {
        onChange_(std::nullopt);
    }
    setClearButtonShown(false);
    refocus();
}

void RecorderField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const bool requested = std::exchange(focusRequested_, false);
    if (!canBecomeKey_ && !requested && event->reason() == Qt::ActiveWindowFocusReason) {
        // The window just opened or came back: the field does not take focus by itself.
        clearFocus();
        return;
    }
    startRecording();
}

void RecorderField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    endRecording();
}

void RecorderField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    // QLineEdit hides a centred placeholder while focused; the recorder shows it.
    if (text().isEmpty() && hasFocus() && !placeholderText().isEmpty()) {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const QRect area = rect()
                               .marginsRemoved(textMargins())
                               .adjusted(4, 0, clearAction_->isVisible() ? -20 : -4, 0);
        painter.drawText(area, Qt::AlignCenter,
                         fontMetrics().elidedText(placeholderText(), Qt::ElideRight, area.width()));
    }
}

bool RecorderField::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ParentChange:
        case QEvent::Show:
            watchWindow();
            break;
        default:
            break;
    }
    return QLineEdit::event(event);
}

void RecorderField::watchWindow() {
    QWidget* top = window();
    if (top == this || top == watchedWindow_) {
        return;
    }
    if (watchedWindow_) {
        watchedWindow_->removeEventFilter(this);
        endRecording();
    }
    watchedWindow_ = top;
    watchedWindow_->installEventFilter(this);
    preventBecomingKey();
}

void RecorderField::preventBecomingKey() {
    canBecomeKey_ = false;
    setFocusPolicy(Qt::NoFocus);
    restoreFocusPolicy_ = Scheduler::main().schedule(0, [this] {
        canBecomeKey_ = true;
        setFocusPolicy(Qt::StrongFocus);
    });
}

bool RecorderField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_) {
        if (event->type() == QEvent::WindowDeactivate) {
            blur();
        } else if (event->type() == QEvent::WindowActivate) {
            preventBecomingKey();
        }
    }
    if (recording_ && watched->isWidgetType() && handleMonitoredEvent(watched, event)) {
        return true;
    }
    return QLineEdit::eventFilter(watched, event);
}

bool RecorderField::handleMonitoredEvent(QObject* receiver, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton) {
                return false;
            }
            // The clear button sits inside the field and must get its click.
            if (receiver != this && static_cast<QWidget*>(receiver)->parentWidget() == this) {
                return false;
            }
            const QRect area = rect().adjusted(-3, -3, 3, 3);
            if (!area.contains(mapFromGlobal(mouse->globalPosition().toPoint()))) {
                blur();
                return false;
            }
            return true;
        }
        case QEvent::ShortcutOverride:
            // Every key goes to the recorder, none to a window's shortcuts.
            event->accept();
            return true;
        case QEvent::InputMethod:
            return true;
        case QEvent::KeyPress:
            return handleKeyPress(static_cast<QKeyEvent*>(event));
        default:
            return false;
    }
}

bool RecorderField::handleKeyPress(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool plain = !(modifiers & kAnyModifier);
    if (isModifierKey(key)) {
        return true;  // a modifier alone is not a shortcut yet
    }
    if (plain && key == Qt::Key_Tab) {
        return false;  // focus moves on, which ends recording
    }
    if (plain && key == Qt::Key_Escape) {
        blur();
        return true;
    }
    if (plain && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
        clearPressed();
        return true;
    }
    const bool functionKey = key >= Qt::Key_F1 && key <= Qt::Key_F35;
    if (!(modifiers & kAnyButShift) && !functionKey) {
        beep();
        return true;
    }
    const auto shortcut = Shortcut::fromEvent(*event);
    if (!shortcut) {
        beep();
        return true;
    }
    offer(*shortcut);
    return true;
}

void RecorderField::offer(const Shortcut& candidate) {
    const Shortcut shortcut = candidate;  // the caller's copy may go with an alert's event loop
    if (QAction* item = applicationMenuItemWithMatchingShortcut(shortcut)) {
        blur();
        runAlert(window(), {localizedText(QStringLiteral("keyboard_shortcut_used_by_menu_item"))
                                .arg(plainTitle(*item)),
                            QString(),
                            {localizedText(QStringLiteral("ok"))}});
        refocus();
        return;
    }
    const bool plainF12 = shortcut.key() == Key::f12 && shortcut.carbonModifiers == 0;
    if (!plainF12 && isReservedBySystem(shortcut)) {
        blur();
        const int response =
            runAlert(window(), {localizedText(QStringLiteral("keyboard_shortcut_used_by_system")),
                                localizedText(QStringLiteral("keyboard_shortcuts_can_be_changed")),
                                {localizedText(QStringLiteral("ok")),
                                 localizedText(QStringLiteral("force_use_shortcut"))}});
        refocus();
        if (response != kForceResponse) {
            return;
        }
    }
    store(shortcut);
}

void RecorderField::store(const Shortcut& shortcut) {
    setText(shortcut.description());
    setClearButtonShown(true);
    userDefaultsSet(name_, shortcut);
    if (onChange_) {
        onChange_(shortcut);
    }
    blur();
}

// ---- Recorder ----------------------------------------------------------------------

Recorder::Recorder(const QString& title, const Name& name, ChangeHandler onChange, QWidget* parent)
    : QWidget(parent), field_(new RecorderField(name, std::move(onChange), this)) {
    build(new QLabel(title, this));
}

Recorder::Recorder(QWidget* label, const Name& name, ChangeHandler onChange, QWidget* parent)
    : QWidget(parent), field_(new RecorderField(name, std::move(onChange), this)) {
    build(label);
}

Recorder::Recorder(const Name& name, ChangeHandler onChange, QWidget* parent)
    : QWidget(parent), field_(new RecorderField(name, std::move(onChange), this)) {
    build(nullptr);
}

void Recorder::build(QWidget* label) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    label_ = label;
    if (label_) {
        label_->setParent(this);
        layout->addWidget(label_);
        layout->addStretch(1);
        if (auto* text = qobject_cast<QLabel*>(label_)) {
            text->setBuddy(field_);
        }
    }
    layout->addWidget(field_);
}

RecorderField* Recorder::addFormRow(QFormLayout& form, const QString& title, const Name& name,
                                    ChangeHandler onChange) {
    auto* field = new RecorderField(name, std::move(onChange));
    auto* label = new QLabel(title);
    label->setBuddy(field);
    form.addRow(label, field);
    return field;
}

}  // namespace mirelon::GlobalShortcuts
