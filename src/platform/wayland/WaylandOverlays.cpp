// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandOverlays.h"

#include "platform/FloatingWindow.h"
#include "platform/MoveMode.h"
#include "platform/PointerWatch.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandMoveCatcher.h"
#include "platform/wayland/WaylandSeat.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <linux/input-event-codes.h>

#include <algorithm>

namespace mirelon {

WaylandOverlays* WaylandOverlays::shared() {
    static WaylandOverlays* overlays = []() -> WaylandOverlays* {
        auto display = WaylandDisplay::connect();
        if (!display) {
            qCWarning(lcWayland) << "No overlay layer: panels and the ring light stay hidden";
            return nullptr;
        }
        return new WaylandOverlays(std::move(display));  // lives for the process
    }();
    return overlays;
}

WaylandOverlays::WaylandOverlays(std::unique_ptr<WaylandDisplay> display)
    : display_(std::move(display)) {
    seat_ = std::make_unique<WaylandSeat>(*display_);
    connect(display_.get(), &WaylandDisplay::outputsChanged, this,
            &WaylandOverlays::outputsChanged);
    connect(seat_.get(), &WaylandSeat::pointerEntered, this, &WaylandOverlays::pointerEntered);
    connect(seat_.get(), &WaylandSeat::pointerMoved, this, &WaylandOverlays::pointerMoved);
    connect(seat_.get(), &WaylandSeat::pointerLeft, this, &WaylandOverlays::pointerLeft);
    connect(seat_.get(), &WaylandSeat::buttonChanged, this, &WaylandOverlays::buttonChanged);
    connect(seat_.get(), &WaylandSeat::keyChanged, this, &WaylandOverlays::keyChanged);
    connect(&MoveMode::shared(), &MoveMode::activeChanged, this, &WaylandOverlays::moveModeChanged);
}

WaylandOverlays::~WaylandOverlays() {
    catchers_.clear();
}

void WaylandOverlays::attach(QWidget* window, WaylandOverlaySurface::Kind kind) {
    if (surfaceFor(window)) {
        return;
    }
    prune();
    auto* surface = new WaylandOverlaySurface(*display_, window, kind);  // owned by the window
    surfaces_.emplace_back(surface);
    connect(surface, &WaylandOverlaySurface::mapped, this,
            [this, surface] { surfaceMapped(surface); });
    connect(surface, &WaylandOverlaySurface::geometryChanged, this, [this] {
        if (!catchers_.empty()) {
            updateInputRegions();
        }
    });
    connect(window, &QObject::destroyed, this, [this, window] { acceptsPointer_.erase(window); });
}

WaylandOverlaySurface* WaylandOverlays::surfaceFor(const QWidget* window) const {
    for (const auto& surface : surfaces_) {
        if (surface && surface->widget() == window) {
            return surface;
        }
    }
    return nullptr;
}

void WaylandOverlays::prune() {
    surfaces_.erase(std::remove_if(surfaces_.begin(), surfaces_.end(),
                                   [](const auto& s) { return s.isNull(); }),
                    surfaces_.end());
}

void WaylandOverlays::setAcceptsPointer(QWidget* window, bool accepts) {
    acceptsPointer_[window] = accepts;
    if (WaylandOverlaySurface* surface = surfaceFor(window)) {
        // In move mode the catchers take the pointer instead.
        surface->setAcceptsPointer(accepts && !MoveMode::shared().isActive());
    }
}

void WaylandOverlays::outputsChanged() {
    prune();
    // Ring lights first, so that panels made afresh land above them.
    for (int pass = 0; pass < 2; ++pass) {
        const auto kind =
            pass == 0 ? WaylandOverlaySurface::Kind::ringLight : WaylandOverlaySurface::Kind::panel;
        for (const auto& surface : surfaces_) {
            if (surface && surface->kind() == kind) {
                surface->updatePlacement();
            }
        }
    }
    updateCatchers();
}

void WaylandOverlays::surfaceMapped(WaylandOverlaySurface* surface) {
    if (surface->kind() != WaylandOverlaySurface::Kind::ringLight) {
        return;
    }
    // Surfaces of one layer stack in the order they were made: keep the
    // panels above the ring light that just appeared.
    for (const auto& other : surfaces_) {
        if (other && other->kind() == WaylandOverlaySurface::Kind::panel &&
            other->outputName() == surface->outputName()) {
            other->remap();
        }
    }
}

void WaylandOverlays::moveModeChanged(bool active) {
    prune();
    for (const auto& surface : surfaces_) {
        if (surface) {
            auto it = acceptsPointer_.find(surface->widget());
            surface->setAcceptsPointer(!active && it != acceptsPointer_.end() && it->second);
        }
    }
    updateCatchers();
}

void WaylandOverlays::updateCatchers() {
    if (!MoveMode::shared().isActive()) {
        if (!catchers_.empty()) {
            catchers_.clear();
            pointerSurface_ = nullptr;
            pressed_.clear();
            if (auto* fed = qobject_cast<FedPointerWatch*>(&PointerWatch::shared())) {
                fed->feedPointerGone();
            }
        }
        return;
    }
    // One catcher per output, made afresh when the outputs changed.
    const QList<const WaylandOutput*> outputs = display_->outputs();
    bool same = outputs.size() == int(catchers_.size());
    for (int i = 0; same && i < outputs.size(); ++i) {
        same = catchers_[std::size_t(i)]->outputName() == outputs[i]->name &&
               catchers_[std::size_t(i)]->outputRect() == outputs[i]->logical;
    }
    if (!same) {
        catchers_.clear();
        pointerSurface_ = nullptr;
        for (const WaylandOutput* output : outputs) {
            catchers_.push_back(std::make_unique<WaylandMoveCatcher>(*display_, *output));
        }
    }
    updateInputRegions();
}

void WaylandOverlays::updateInputRegions() {
    QRegion pictures;
    for (const auto& surface : surfaces_) {
        if (!surface || surface->kind() != WaylandOverlaySurface::Kind::panel ||
            !surface->widget() || !surface->widget()->isVisible()) {
            continue;
        }
        QRect picture = surface->pictureRect();
        if (picture.isEmpty()) {
            picture = surface->widget()->rect();
        }
        pictures += picture.translated(surface->widget()->geometry().topLeft());
    }
    for (const auto& catcher : catchers_) {
        catcher->setInputRegion(pictures);
    }
    qCDebug(lcWayland) << "move mode takes the pointer over" << pictures.boundingRect();
}

void WaylandOverlays::pointerEntered(wl_surface* surface, QPointF local) {
    pointerSurface_ = surface;
    pointerWindow_.clear();
    for (const auto& catcher : catchers_) {
        if (catcher->surface() == surface) {
            pointerOrigin_ = catcher->outputRect().topLeft();
        }
    }
    for (const auto& s : surfaces_) {
        if (s && s->surface() == surface) {
            pointerWindow_ = s->widget();
        }
    }
    qCDebug(lcWayland) << "pointer entered" << (pointerWindow_ ? "a window" : "a move catcher")
                       << local;
    pointerMoved(local);
}

void WaylandOverlays::pointerMoved(QPointF local) {
    if (!pointerSurface_) {
        return;
    }
    if (pointerWindow_) {
        pointerGlobal_ = QPointF(pointerWindow_->geometry().topLeft()) + local;
    } else {
        pointerGlobal_ = QPointF(pointerOrigin_) + local;
    }
    deliverPointer(pointerGlobal_);
}

void WaylandOverlays::pointerLeft(wl_surface* surface) {
    if (surface != pointerSurface_) {
        return;
    }
    pointerSurface_ = nullptr;
    pointerWindow_.clear();
    if (auto* fed = qobject_cast<FedPointerWatch*>(&PointerWatch::shared())) {
        fed->feedPointerGone();
    }
}

void WaylandOverlays::deliverPointer(QPointF global) {
    // The panels follow the pointer through the watch (hover, open hand).
    if (auto* fed = qobject_cast<FedPointerWatch*>(&PointerWatch::shared())) {
        fed->feedPointer(global.toPoint());
    }
    if (pressed_) {
        qCDebug(lcWayland) << "drag to" << global;
        sendMouse(pressed_, QEvent::MouseMove, global, Qt::LeftButton);
    } else if (QWidget* window = pointerWindow_ ? pointerWindow_.data() : panelAt(global)) {
        sendMouse(window, QEvent::MouseMove, global, Qt::NoButton);
    }
    updateCursor();
}

QWidget* WaylandOverlays::panelAt(QPointF global) const {
    for (auto it = surfaces_.rbegin(); it != surfaces_.rend(); ++it) {
        const WaylandOverlaySurface* surface = *it;
        if (!surface || surface->kind() != WaylandOverlaySurface::Kind::panel) {
            continue;
        }
        QWidget* window = surface->widget();
        if (window && window->isVisible() && window->geometry().contains(global.toPoint()) &&
            !FloatingWindow::ignoresMouseEvents(window)) {
            return window;
        }
    }
    return nullptr;
}

void WaylandOverlays::buttonChanged(std::uint32_t button, bool pressed) {
    if (button != BTN_LEFT || !pointerSurface_) {
        return;
    }
    if (pressed) {
        QWidget* window = pointerWindow_ ? pointerWindow_.data() : panelAt(pointerGlobal_);
        qCDebug(lcWayland) << "pointer pressed at" << pointerGlobal_
                           << (window ? "on a window" : "on nothing that takes it");
        if (!window) {
            return;
        }
        pressed_ = window;
        MoveMode::shared().noteDrag();
        sendMouse(window, QEvent::MouseButtonPress, pointerGlobal_, Qt::LeftButton);
    } else if (pressed_) {
        QPointer<QWidget> window = pressed_;
        pressed_.clear();
        sendMouse(window, QEvent::MouseButtonRelease, pointerGlobal_, Qt::NoButton);
        MoveMode::shared().noteDrag();
        if (!catchers_.empty()) {
            updateInputRegions();
        }
    }
    updateCursor();
}

void WaylandOverlays::keyChanged(std::uint32_t key, bool pressed) {
    if (key == KEY_ESC && pressed) {
        MoveMode::shared().setActive(false);
    }
}

void WaylandOverlays::sendMouse(QWidget* window, int type, QPointF global,
                                Qt::MouseButtons buttons) {
    if (!window) {
        return;
    }
    // The deepest child under the pointer, as a window system would pick it;
    // what it ignores goes on to its parents.
    const QPointF inWindow = global - QPointF(window->geometry().topLeft());
    QWidget* receiver = window;
    if (type == QEvent::MouseButtonPress || !pressed_) {
        if (QWidget* child = window->childAt(inWindow.toPoint())) {
            receiver = child;
        }
    }
    const QPointF local =
        receiver == window ? inWindow : QPointF(receiver->mapFrom(window, inWindow));
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(QEvent::Type(type), local, local, global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(receiver, &event);
    if (type != QEvent::MouseMove || pressed_) {
        qCDebug(lcWayland) << "mouse" << type << "to" << receiver->metaObject()->className()
                           << "accepted" << event.isAccepted() << "window at" << window->geometry();
    }
}

void WaylandOverlays::updateCursor() {
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (const QCursor* override = QGuiApplication::overrideCursor()) {
        shape = override->shape();
    } else if (QWidget* window =
                   pressed_ ? pressed_.data()
                            : (pointerWindow_ ? pointerWindow_.data() : panelAt(pointerGlobal_))) {
        const QPoint inWindow = (pointerGlobal_ - QPointF(window->geometry().topLeft())).toPoint();
        QWidget* child = window->childAt(inWindow);
        shape = (child ? child : window)->cursor().shape();
    }
    seat_->setCursor(shape);
}

}  // namespace mirelon
