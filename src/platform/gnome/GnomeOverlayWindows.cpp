// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomeOverlayWindows.h"

#include "platform/MoveMode.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace mirelon {

GnomeOverlayWindows::GnomeOverlayWindows(std::unique_ptr<FloatingWindow::Presenter> x11)
    : x11_(std::move(x11)) {
    connect(&MoveMode::shared(), &MoveMode::activeChanged, this,
            &GnomeOverlayWindows::moveModeChanged);
}

void GnomeOverlayWindows::prepare(QWidget* window, FloatingWindow::Role role) {
    x11_->prepare(window, role);
    const bool known = std::any_of(windows_.begin(), windows_.end(),
                                   [window](const Entry& e) { return e.window == window; });
    if (!known) {
        windows_.push_back({window, role});
        window->installEventFilter(this);
        connect(window, &QObject::destroyed, this, [this, window] {
            acceptsPointer_.erase(window);
            changed();
        });
    }
    changed();
}

void GnomeOverlayWindows::setAcceptsPointer(QWidget* window, bool accepts) {
    acceptsPointer_[window] = accepts;
    x11_->setAcceptsPointer(window, accepts);
    if (!accepts && MoveMode::shared().isActive()) {
        applyInput(window);
    }
}

void GnomeOverlayWindows::applyInput(QWidget* window) {
    const bool isPanel = std::any_of(windows_.begin(), windows_.end(), [window](const Entry& e) {
        return e.window == window && e.role == FloatingWindow::Role::cameraPanel;
    });
    if (!isPanel) {
        return;
    }
    const auto wish = acceptsPointer_.find(window);
    const bool accepts =
        MoveMode::shared().isActive() || (wish != acceptsPointer_.end() && wish->second);
    if (QWindow* handle = window->windowHandle()) {
        handle->setFlag(Qt::WindowTransparentForInput, !accepts);
    } else {
        window->setWindowFlag(Qt::WindowTransparentForInput, !accepts);
    }
}

void GnomeOverlayWindows::moveModeChanged(bool) {
    for (const Entry& entry : windows_) {
        if (entry.window && acceptsPointer_.count(entry.window)) {
            applyInput(entry.window);
        }
    }
}

void GnomeOverlayWindows::keepComposited(QWidget* window) {
    x11_->keepComposited(window);
}

QList<quint64> GnomeOverlayWindows::windowIds() const {
    QList<quint64> ids;
    for (const Entry& entry : windows_) {
        const QWidget* window = entry.window;
        if (window && window->windowHandle() && window->windowHandle()->handle()) {
            ids.append(static_cast<quint64>(window->windowHandle()->winId()));
        }
    }
    return ids;
}

QList<QRect> GnomeOverlayWindows::panelFrames() const {
    QList<QRect> frames;
    for (const Entry& entry : windows_) {
        if (entry.window && entry.role == FloatingWindow::Role::cameraPanel &&
            entry.window->isVisible()) {
            frames.append(entry.window->geometry());
        }
    }
    return frames;
}

bool GnomeOverlayWindows::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WinIdChange:
            changed();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void GnomeOverlayWindows::changed() {
    if (changePending_) {
        return;
    }
    changePending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            changePending_ = false;
            windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                          [](const Entry& e) { return e.window.isNull(); }),
                           windows_.end());
            if (onChange_) {
                onChange_();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace mirelon
