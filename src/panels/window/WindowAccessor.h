// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

namespace mirelon {

// Tells its owner which top-level window hosts it: the window (or none) is
// reported each time the view is attached to or detached from a window, and
// when that window is shown. Repeated reports of the same window are dropped.
class WindowObserverView : public QWidget {
    Q_OBJECT
public:
    explicit WindowObserverView(QWidget* parent = nullptr);

    std::function<void(QWidget*)> onWindowChange;

    // The top-level window this view is in, or none while it has no parent
    // or its top-level has no native window yet.
    QWidget* hostingWindow() const;

protected:
    bool event(QEvent* event) override;

private:
    void report();
    QPointer<QWidget> reported_;
    bool hasReported_ = false;
};

// The embeddable form: a zero-sized view whose window changes go to `callback`.
class WindowAccessor : public QWidget {
    Q_OBJECT
public:
    explicit WindowAccessor(std::function<void(QWidget*)> callback, QWidget* parent = nullptr);

private:
    WindowObserverView* view_;
};

}  // namespace mirelon
