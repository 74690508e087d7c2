// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/window/CommandKeyMonitor.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>

namespace mirelon {

CommandKeyTrackingView::CommandKeyTrackingView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(0, 0);
    // Constructed straight into a parent: no ParentChange reaches this class.
    if (parent) {
        startMonitoring();
    }
}

CommandKeyTrackingView::~CommandKeyTrackingView() {
    stopMonitoring();
}

bool CommandKeyTrackingView::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange) {
        if (parentWidget()) {
            startMonitoring();
        } else {
            stopMonitoring();
        }
    }
    return handled;
}

void CommandKeyTrackingView::startMonitoring() {
    PointerWatch& watch = PointerWatch::shared();
    if (!monitor_) {
        keyInterest_ = watch.keyInterest();
        monitor_ = connect(&watch, &PointerWatch::modifiersChanged, this,
                           [this](bool down) { notify(down); });
    }
    notify(watch.currentCommandKeyDown());
}

void CommandKeyTrackingView::stopMonitoring() {
    if (monitor_) {
        disconnect(monitor_);
        monitor_ = {};
    }
    keyInterest_.reset();
}

void CommandKeyTrackingView::notify(bool isPressed) {
    if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
        if (onCommandChange) {
            onCommandChange(isPressed);
        }
        return;
    }
    QPointer<CommandKeyTrackingView> self(this);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, isPressed] {
            if (self && self->onCommandChange) {
                self->onCommandChange(isPressed);
            }
        },
        Qt::QueuedConnection);
}

CommandKeyMonitor::CommandKeyMonitor(std::function<void(bool)> onChange, QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(0, 0);
    view_ = new CommandKeyTrackingView();
    view_->onCommandChange = std::move(onChange);
    // Attaching it now starts the monitors and reports the current state.
    view_->setParent(this);
}

void CommandKeyMonitor::setOnChange(std::function<void(bool)> onChange) {
    view_->onCommandChange = std::move(onChange);
}

}  // namespace mirelon
