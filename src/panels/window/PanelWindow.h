// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panels/window/PanelContent.h"

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <optional>

namespace mirelon {

// A floating camera panel: override-redirect, translucent, never focused,
// kept at the camera panel level, clipped to its content's shape while no
// compositor runs. It hosts one PanelContent filling it and takes the
// content's natural size together with the place its placement gives for that
// size, in one geometry change: a panel is never shown at a new size in the
// place meant for the old one.
//
// When it accepts mouse events, a press that no child takes starts a drag:
// the panel follows the pointer with the closed-hand cursor and, on release,
// keeps itself inside a visible frame and reports its new y-up origin.
class PanelWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString panelIdentifier = QStringLiteral("MirelonPanel");

    explicit PanelWindow(const QString& identifier = panelIdentifier);
    ~PanelWindow() override;

    // Hosts `content` (the panel takes ownership of its widget).
    void setContent(PanelContent* content);
    PanelContent* content() const { return content_; }

    // Where the panel goes at a given size: its y-up frame, or none to keep
    // its place. Without a placement the panel keeps its top-left corner.
    using Placement = std::function<std::optional<QRectF>(const QSizeF& size)>;
    void setPlacement(Placement placement) { placement_ = std::move(placement); }
    // Takes the content's natural size at the place the placement gives for it.
    void place();
    // The content's natural size (the panel's size once placed).
    QSize naturalSize() const;

    // Closing, the same everywhere: ignore mouse events, detach (and delete)
    // the content, order out, close.
    void closePanel();

    // Called after a drag ended, with the panel's y-up origin.
    std::function<void(QPointF)> onDragEnded;

    bool isDragging() const { return dragging_; }

    // Switches between translucency (compositor) and a shape mask (none).
    void setCompositing(bool compositing);
    bool isCompositing() const { return compositing_; }
    // Recomputes the shape mask from the content (when no compositor runs).
    void refreshShape();

    // Brings the panel to the front without activating anything.
    void orderFront();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void scheduleShapeRefresh();
    void contentChanged();

    PanelContent* content_ = nullptr;
    Placement placement_;
    bool compositing_ = true;
    bool dragging_ = false;
    bool shapeRefreshQueued_ = false;
    QPoint pressGlobal_;
    QPoint pressOrigin_;
};

}  // namespace mirelon
