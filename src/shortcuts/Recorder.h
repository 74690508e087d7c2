// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/EventBus.h"
#include "platform/qt/Scheduler.h"
#include "shortcuts/Name.h"
#include "shortcuts/Shortcut.h"

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QFormLayout;
class QLabel;

namespace mirelon::GlobalShortcuts {

using ChangeHandler = std::function<void(const std::optional<Shortcut>&)>;

// The control with which the user records the shortcut of one name. It looks
// like a small search field: centred text showing the name's shortcut (Ctrl+Alt+Super+K),
// a placeholder when there is none and a clear button while it holds one.
//
// Clicking it (or tabbing into it) starts recording: global shortcuts are
// paused and menu texts of shortcuts hidden until recording ends. The next
// acceptable combination is checked against the application's menu and the
// combinations other X clients hold, then stored for the name. Tab moves on,
// Escape cancels, Backspace/Delete clears. The field never takes focus by
// itself when its window opens, and stops recording when the window loses focus.
class RecorderField : public QLineEdit {
    Q_OBJECT
public:
    // onChange is called after the user stores (with the shortcut) or clears (with none).
    explicit RecorderField(const Name& name, ChangeHandler onChange = {},
                           QWidget* parent = nullptr);
    ~RecorderField() override;

    const Name& shortcutName() const { return name_; }
    // Switching to another name shows that name's shortcut.
    void setShortcutName(const Name& name);

    bool isRecording() const { return recording_; }
    // Whether the clear button is shown.
    bool isClearButtonShown() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int minimumWidth = 130;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showStoredShortcut();
    void setClearButtonShown(bool shown);
    void startRecording();
    void endRecording();
    void blur();
    void refocus();
    void clearPressed();
    void watchWindow();
    void preventBecomingKey();
    // Returns true when the event is swallowed.
    bool handleMonitoredEvent(QObject* receiver, QEvent* event);
    bool handleKeyPress(QKeyEvent* event);
    // The checks and the store step for an acceptable combination.
    void offer(const Shortcut& shortcut);
    void store(const Shortcut& shortcut);

    Name name_;
    ChangeHandler onChange_;
    bool canBecomeKey_ = true;
    bool focusRequested_ = false;  // refocus() after an alert or a clear
    bool recording_ = false;
    QAction* clearAction_ = nullptr;
    QPointer<QWidget> watchedWindow_;
    ObserverToken nameChangeObserver_;
    ObserverToken desktopTriggersObserver_;
    TaskHandle restoreFocusPolicy_;
};

// A recorder with an optional label, laid out as one row: the label, then the
// field. In a QFormLayout use addFormRow so the label lands in the label column.
class Recorder : public QWidget {
    Q_OBJECT
public:
    Recorder(const QString& title, const Name& name, ChangeHandler onChange = {},
             QWidget* parent = nullptr);
    Recorder(QWidget* label, const Name& name, ChangeHandler onChange = {},
             QWidget* parent = nullptr);
    explicit Recorder(const Name& name, ChangeHandler onChange = {}, QWidget* parent = nullptr);

    RecorderField* field() const { return field_; }
    QWidget* label() const { return label_; }

    // Adds a row "title | recorder field" to a form; returns the field.
    static RecorderField* addFormRow(QFormLayout& form, const QString& title, const Name& name,
                                     ChangeHandler onChange = {});

private:
    void build(QWidget* label);
    RecorderField* field_ = nullptr;
    QWidget* label_ = nullptr;
};

}  // namespace mirelon::GlobalShortcuts
