// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WidgetRepaintTap.h"

#include <QChildEvent>
#include <QPaintEvent>
#include <QWidget>

namespace mirelon {

WidgetRepaintTap::WidgetRepaintTap(QWidget* window) : QObject(window), window_(window) {
    watch(window);
}

void WidgetRepaintTap::watch(QWidget* widget) {
    // Installing twice keeps one filter: a widget seen again is harmless.
    widget->installEventFilter(this);
    for (QObject* child : widget->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && !w->isWindow()) {
            watch(w);
        }
    }
}

void WidgetRepaintTap::unwatch(QWidget* widget) {
    widget->removeEventFilter(this);
    for (QObject* child : widget->children()) {
        if (auto* w = qobject_cast<QWidget*>(child)) {
            unwatch(w);
        }
    }
}

QRegion WidgetRepaintTap::takeDamage() {
    QRegion taken;
    std::swap(taken, damage_);
    return taken;
}

bool WidgetRepaintTap::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::UpdateRequest:
            if (watched == window_ && !syncing_) {
                // Qt's repaint pass over the window, run here so that its
                // paint events are known to be that pass's.
                syncing_ = true;
                static_cast<QObject*>(window_.data())->event(event);  // public there
                syncing_ = false;
                Q_EMIT repaintRequested();
                return true;
            }
            break;
        case QEvent::Paint:
            if (syncing_) {
                auto* widget = static_cast<QWidget*>(watched);
                const QRegion region = static_cast<QPaintEvent*>(event)->region();
                damage_ += widget == window_ ? region
                                             : region.translated(widget->mapTo(window_, QPoint()));
                ++swallowed_;
                return true;
            }
            break;
        case QEvent::ChildAdded:
            if (auto* w = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
                w && !w->isWindow()) {
                watch(w);
            }
            break;
        case QEvent::ChildRemoved:
            if (auto* w = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) {
                unwatch(w);
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace mirelon
