// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/window/WindowAccessor.h"

#include <QEvent>

namespace mirelon {

WindowObserverView::WindowObserverView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(0, 0);
}

QWidget* WindowObserverView::hostingWindow() const {
    if (!parentWidget()) {
        return nullptr;
    }
    // A parent chain that has no native window yet is not in a window.
    QWidget* top = window();
    return top->windowHandle() ? top : nullptr;
}

bool WindowObserverView::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    switch (event->type()) {
        case QEvent::ParentChange:
        case QEvent::Show:
        case QEvent::ShowToParent:
            report();
            break;
        default:
            break;
    }
    return handled;
}

void WindowObserverView::report() {
    QWidget* current = hostingWindow();
    if (hasReported_ && current == reported_.data()) {
        return;
    }
    hasReported_ = true;
    reported_ = current;
    if (onWindowChange) {
        onWindowChange(current);
    }
}

WindowAccessor::WindowAccessor(std::function<void(QWidget*)> callback, QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(0, 0);
    view_ = new WindowObserverView();
    view_->onWindowChange = std::move(callback);
    view_->setParent(this);
}

}  // namespace mirelon
