// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ColorPickerButton.h"

#include <QColorDialog>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace mirelon {

ColorPickerButton::ColorPickerButton(const QString& accessibleName, QWidget* parent)
    : QToolButton(parent), color_(Qt::white) {
    setAccessibleName(accessibleName);
    setToolTip(accessibleName);
    setFixedSize(44, 24);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QToolButton::clicked, this, &ColorPickerButton::openDialog);
}

void ColorPickerButton::setColor(const QColor& color) {
    if (color_ == color) {
        return;
    }
    color_ = color;
    update();
}

void ColorPickerButton::pick(const QColor& color) {
    if (!color.isValid() || color == color_) {
        return;
    }
    setColor(color);
    Q_EMIT colorPicked(color);
}

void ColorPickerButton::openDialog() {
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    auto* d = new QColorDialog(color_, window());
    d->setOption(QColorDialog::ShowAlphaChannel, true);
    d->setWindowTitle(accessibleName());
    d->setAttribute(Qt::WA_DeleteOnClose);
    const QColor original = color_;
    connect(d, &QColorDialog::currentColorChanged, this, &ColorPickerButton::pick);
    // Cancel takes back what was applied live while the dialog was open.
    connect(d, &QDialog::rejected, this, [this, original] { pick(original); });
    dialog_ = d;
    d->show();
}

void ColorPickerButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);

    const QRectF swatch = QRectF(rect()).adjusted(5, 5, -5, -5);
    QPainterPath path;
    path.addRoundedRect(swatch, 3, 3);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(path);
    if (color_.alpha() < 255) {
        // A checkerboard under a translucent colour shows its opacity.
        const int cell = 5;
        for (int y = 0; y * cell < swatch.height(); ++y) {
            for (int x = 0; x * cell < swatch.width(); ++x) {
                painter.fillRect(
                    QRectF(swatch.left() + x * cell, swatch.top() + y * cell, cell, cell),
                    (x + y) % 2 ? QColor(200, 200, 200) : QColor(255, 255, 255));
            }
        }
    }
    painter.fillRect(swatch, color_);
    painter.setClipping(false);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawPath(path);
}

}  // namespace mirelon
