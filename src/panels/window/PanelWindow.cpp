// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/window/PanelWindow.h"

#include "panels/window/WindowPlacement.h"
#include "platform/CompositorWatch.h"
#include "platform/FloatingWindow.h"
#include "platform/MoveMode.h"
#include "platform/WindowStacking.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

namespace mirelon {

PanelWindow::PanelWindow(const QString& identifier) {
    FloatingWindow::prepare(this, identifier);
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(300, 300);
    WindowStacking::shared().setLevel(this, WindowStacking::cameraPanel);
    CompositorWatch& compositor = CompositorWatch::shared();
    compositing_ = compositor.isCompositing();
    connect(&compositor, &CompositorWatch::compositingChanged, this, &PanelWindow::setCompositing);
}

PanelWindow::~PanelWindow() {
    if (dragging_) {
        QGuiApplication::restoreOverrideCursor();
    }
    if (content_ && content_->widget()) {
        delete content_->widget();
    }
    content_ = nullptr;
}

void PanelWindow::setContent(PanelContent* content) {
    if (content_ && content_->widget()) {
        delete content_->widget();
    }
    content_ = content;
    if (content_) {
        QWidget* widget = content_->widget();
        widget->setParent(this);
        widget->move(0, 0);
        widget->show();
        QPointer<PanelWindow> self(this);
        content_->setChangeHandler([self] {
            if (self) {
                self->contentChanged();
            }
        });
        // Take the content's natural size now, so the first placement uses it.
        place();
    }
    scheduleShapeRefresh();
}

QSize PanelWindow::naturalSize() const {
    if (!content_ || !content_->widget()) {
        return size();
    }
    const QSize natural = content_->widget()->sizeHint();
    return natural.isValid() && !natural.isEmpty() ? natural : size();
}

void PanelWindow::place() {
    const QSize natural = naturalSize();
    if (content_ && content_->widget() && content_->widget()->size() != natural) {
        content_->widget()->setGeometry(QRect(QPoint(0, 0), natural));
    }
    std::optional<QRectF> frame;
    if (dragging_) {
        // Held by the pointer: keep the grabbed place.
        frame = QRectF(WindowPlacement::frameOf(this).topLeft(), QSizeF(natural));
    } else if (placement_) {
        frame = placement_(QSizeF(natural));
    }
    if (frame) {
        // Size and position in one request.
        WindowPlacement::setFrame(this, QRectF(frame->topLeft(), QSizeF(natural)));
    } else if (size() != natural) {
        resize(natural);
    }
}

void PanelWindow::contentChanged() {
    if (naturalSize() != size()) {
        place();
    }
    // In the same turn, so that no frame is shown with the old outline.
    if (!compositing_) {
        refreshShape();
    }
}

void PanelWindow::closePanel() {
    if (dragging_) {
        dragging_ = false;
        QGuiApplication::restoreOverrideCursor();
    }
    FloatingWindow::setIgnoresMouseEvents(this, true);
    if (content_) {
        QWidget* widget = content_->widget();
        content_ = nullptr;
        if (widget) {
            widget->hide();
            // Gone at once: the content must not outlive the camera model it shows.
            delete widget;
        }
    }
    hide();
    close();
}

void PanelWindow::orderFront() {
    if (!isVisible()) {
        show();
    } else {
        raise();
        WindowStacking::shared().restack();
    }
}

void PanelWindow::setCompositing(bool compositing) {
    compositing_ = compositing;
    if (compositing_) {
        clearMask();
    } else {
        refreshShape();
    }
}

void PanelWindow::refreshShape() {
    shapeRefreshQueued_ = false;
    if (compositing_) {
        if (!mask().isEmpty()) {
            clearMask();
        }
        return;
    }
    if (!content_ || !content_->widget()) {
        // Nothing to show: an empty shape would be no shape at all for X.
        setMask(QRegion(0, 0, 1, 1));
        return;
    }
    QWidget* widget = content_->widget();
    QRegion region = content_->opaqueRegion().translated(widget->pos());
    if (region.isEmpty()) {
        region = QRegion(0, 0, 1, 1);
    }
    if (region != mask()) {
        setMask(region);
    }
}

void PanelWindow::scheduleShapeRefresh() {
    if (compositing_ || shapeRefreshQueued_) {
        return;
    }
    shapeRefreshQueued_ = true;
    QPointer<PanelWindow> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self) {
            self->refreshShape();
        }
    });
}

bool PanelWindow::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::LayoutRequest:
            // A content that does not announce its changes asked for a new size.
            if (naturalSize() != size()) {
                place();
            }
            scheduleShapeRefresh();
            break;
        case QEvent::Show:
            // A change made while hidden was not announced: take it before the
            // window is mapped.
            if (naturalSize() != size()) {
                place();
            }
            scheduleShapeRefresh();
            break;
        case QEvent::Resize:
            scheduleShapeRefresh();
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void PanelWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    MoveMode::shared().noteDrag();
    pressGlobal_ = event->globalPosition().toPoint();
    pressOrigin_ = pos();
    setCursor(Qt::ClosedHandCursor);
    // The content may have a cursor of its own (the open hand): the closed
    // hand wins for the length of the drag.
    QGuiApplication::setOverrideCursor(Qt::ClosedHandCursor);
    event->accept();
}

void PanelWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    setCursor(Qt::ClosedHandCursor);
    move(pressOrigin_ + (event->globalPosition().toPoint() - pressGlobal_));
    event->accept();
}

void PanelWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    MoveMode::shared().noteDrag();
    QGuiApplication::restoreOverrideCursor();
    setCursor(Qt::ArrowCursor);
    WindowPlacement::keepInVisibleFrame(this);
    event->accept();
    if (onDragEnded) {
        onDragEnded(WindowPlacement::frameOf(this).topLeft());
    }
}

}  // namespace mirelon
