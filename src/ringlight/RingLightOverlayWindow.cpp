// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightOverlayWindow.h"

#include "platform/FloatingWindow.h"
#include "platform/WindowStacking.h"
#include "ringlight/RingLightOverlayView.h"

#include <QGuiApplication>
#include <QWindow>

namespace mirelon {

static_assert(RingLightOverlayWindow::windowLevel == WindowStacking::ringLightOverlay);

RingLightOverlayWindow::RingLightOverlayWindow(const QRect& geometry) : QWidget(nullptr) {
    // Every attribute is set before the first show: changing flags later hides the window.
    FloatingWindow::prepare(this, windowIdentifier, FloatingWindow::Role::ringLight);
    FloatingWindow::setIgnoresMouseEvents(this, true);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);
    WindowStacking::shared().setLevel(this, windowLevel);
    setGeometry(geometry);
}

RingLightOverlayWindow::~RingLightOverlayWindow() = default;

void RingLightOverlayWindow::setContent(RingLightOverlayView* view) {
    if (view == content_) {
        return;
    }
    removeContent();
    content_ = view;
    if (content_) {
        content_->setParent(this);
        content_->setGeometry(rect());
        content_->show();
    }
}

void RingLightOverlayWindow::removeContent() {
    if (content_) {
        RingLightOverlayView* old = content_;
        content_ = nullptr;
        old->hide();
        old->setParent(nullptr);
        delete old;
    }
}

void RingLightOverlayWindow::setFrame(const QRect& geometry) {
    if (geometry != this->geometry()) {
        setGeometry(geometry);
    }
    if (content_) {
        content_->setGeometry(rect());
    }
}

void RingLightOverlayWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (content_) {
        content_->setGeometry(rect());
    }
}

void RingLightOverlayWindow::applyPlatformProperties() {
    QWindow* handle = windowHandle();
    if (!handle) {
        return;
    }
    // Clicks go to whatever lies below: an empty input shape.
    FloatingWindow::setIgnoresMouseEvents(this, true);
    FloatingWindow::keepComposited(this);
}

void RingLightOverlayWindow::orderFront() {
    if (!windowHandle()) {
        winId();  // creates the native window so its properties exist before mapping
        applyPlatformProperties();
    }
    if (!isVisible()) {
        show();  // the level service restacks the shown window
    }
}

void RingLightOverlayWindow::closeWindow() {
    removeContent();
    hide();
    close();
}

}  // namespace mirelon
