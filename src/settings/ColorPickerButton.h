// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPointer>
#include <QToolButton>

#include <QColorDialog>

namespace mirelon {

// A small colour swatch that opens the colour dialog (with alpha) and applies
// the colour live while the user picks. Only the user's picks are announced:
// setColor() (a refresh from the store) never emits colorPicked, so refreshing
// a picker never rewrites the stored string.
class ColorPickerButton : public QToolButton {
    Q_OBJECT
public:
    explicit ColorPickerButton(const QString& accessibleName, QWidget* parent = nullptr);

    QColor color() const { return color_; }
    void setColor(const QColor& color);

    // Applies a colour as if the user had picked it (the dialog's live path).
    void pick(const QColor& color);
    QColorDialog* dialog() const { return dialog_; }

Q_SIGNALS:
    void colorPicked(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void openDialog();

    QColor color_;
    QPointer<QColorDialog> dialog_;
};

}  // namespace mirelon
