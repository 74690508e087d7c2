// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PointerWatch.h"

#include <QMetaObject>
#include <QWidget>

#include <functional>

namespace mirelon {

// Watches the command key (Super) system-wide while it sits in a window.
// Every modifier event is reported, also when the command state did not
// change; the state is reported once more whenever the view is attached, so
// it is right from the start. Nothing is reported after the view is removed
// from its parent or destroyed. Reports arrive on the main thread.
class CommandKeyTrackingView : public QWidget {
    Q_OBJECT
public:
    explicit CommandKeyTrackingView(QWidget* parent = nullptr);
    ~CommandKeyTrackingView() override;

    std::function<void(bool)> onCommandChange;

    void startMonitoring();
    void stopMonitoring();
    void notify(bool isPressed);
    bool isMonitoring() const { return static_cast<bool>(monitor_); }

protected:
    bool event(QEvent* event) override;

private:
    QMetaObject::Connection monitor_;
    PointerWatch::Interest keyInterest_;
};

// The embeddable form: owns one tracking view and hands it the current callback.
class CommandKeyMonitor : public QWidget {
    Q_OBJECT
public:
    explicit CommandKeyMonitor(std::function<void(bool)> onChange, QWidget* parent = nullptr);

    // Replaces the callback (the embedding view was updated).
    void setOnChange(std::function<void(bool)> onChange);
    CommandKeyTrackingView* trackingView() const { return view_; }

private:
    CommandKeyTrackingView* view_;
};

}  // namespace mirelon
