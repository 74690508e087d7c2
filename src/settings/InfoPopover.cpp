// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/InfoPopover.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace mirelon {

InfoPopover::InfoPopover(QWidget* parent) : QFrame(parent, Qt::Popup) {
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(12, 12, 12, 12);
    layout_->setSpacing(2);
}

void InfoPopover::showAt(QWidget* anchor, Edge edge) {
    adjustSize();
    const QPoint anchorTopLeft = anchor->mapToGlobal(QPoint(0, 0));
    const int x = anchorTopLeft.x() + anchor->width() / 2 - width() / 2;
    const int y = edge == Edge::below ? anchorTopLeft.y() + anchor->height() + 4
                                      : anchorTopLeft.y() - height() - 4;
    QPoint position(x, y);
    if (const QScreen* screen = anchor->screen()) {
        const QRect area = screen->availableGeometry();
        position.setX(
            std::clamp(position.x(), area.left(), std::max(area.left(), area.right() - width())));
        position.setY(
            std::clamp(position.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    }
    move(position);
    show();
}

}  // namespace mirelon
