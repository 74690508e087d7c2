// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraAppearanceSettings.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QWidget>

namespace mirelon {

// Everything the caption plate is drawn from.
struct CaptionStyle {
    QString text;
    QString fontFamily;
    double fontSize = 16.0;
    QColor textColor = Qt::white;
    QColor backgroundColor = Qt::white;
    double backgroundRadius = 10.0;
    double padding = 5.0;
    bool shown = false;  // textEnabled and the global "textVisible"

    bool operator==(const CaptionStyle&) const = default;

    // From a camera's appearance and the global switch. Colours follow the
    // stored-colour rule (8 or more characters that decode, else white);
    // sizes are bounded.
    static CaptionStyle from(const CameraAppearanceSettings& appearance, bool textVisible);
};

// The font a caption is drawn in: the named family when it is installed,
// otherwise the system's sans-serif font, at the given size in points
// (logical pixels).
QFont captionFont(const QString& family, double size);

// A rounded rectangle with continuous-curvature corners: each corner is a
// quarter superellipse reaching 1.528 x radius along both edges (bounded by
// half the side), so the straight edges flow into the curve without a kink.
QPainterPath continuousRoundedRect(const QRectF& rect, double radius);

// The caption: one text label on a padded, rounded, coloured plate. It always
// takes its natural size (never wraps or truncates) and keeps it while
// hidden, at opacity 0, so the panel's size does not jump.
class TextView : public QWidget {
    Q_OBJECT
public:
    explicit TextView(QWidget* parent = nullptr);

    void setCaptionStyle(const CaptionStyle& style);
    const CaptionStyle& captionStyle() const { return style_; }
    // The panel's hover opacity, on top of the caption's own.
    void setContentOpacity(double opacity);
    double contentOpacity() const { return contentOpacity_; }
    // 1 when shown, else 0, times the content opacity.
    double effectiveOpacity() const;

    QSizeF naturalSize() const { return naturalSize_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The plate rendered at a device pixel ratio (cached).
    const QImage& plateImage(double devicePixelRatio) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();

    CaptionStyle style_;
    double contentOpacity_ = 1.0;
    QSizeF naturalSize_;
    QRectF textRect_;
    mutable QImage plate_;
    mutable double plateRatio_ = 0.0;
};

}  // namespace mirelon
