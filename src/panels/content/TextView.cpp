// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/TextView.h"

#include "config/ColorCodec.h"
#include "panels/content/PanelGeometry.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace mirelon {
namespace {
constexpr double maxCaptionSide = 4096.0;  // points
}  // namespace

CaptionStyle CaptionStyle::from(const CameraAppearanceSettings& appearance, bool textVisible) {
    CaptionStyle s;
    s.text = appearance.text;
    s.fontFamily = appearance.font;
    s.fontSize = AppearanceBounds::fontSize(appearance.fontSize);
    s.textColor = storedColor(appearance.fontColor);
    s.backgroundColor = storedColor(appearance.backgroundColor);
    s.backgroundRadius = AppearanceBounds::backgroundRadius(appearance.backgroundRadius);
    s.padding = AppearanceBounds::textPadding(appearance.textPadding);
    s.shown = appearance.textEnabled && textVisible;
    return s;
}

QFont captionFont(const QString& family, double size) {
    QFont font;
    static const QStringList installed = QFontDatabase::families();
    if (!family.isEmpty() && installed.contains(family, Qt::CaseInsensitive)) {
        font.setFamily(family);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPixelSize(std::max(1, int(std::lround(size))));
    return font;
}

QPainterPath continuousRoundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    const double e = std::min({radius * 1.528, rect.width() / 2, rect.height() / 2});
    if (!(e > 0.01)) {
        path.addRect(rect);
        return path;
    }
    constexpr double exponent = 5.0;
    constexpr int steps = 24;
    constexpr double halfPi = 1.5707963267948966;
    // Corner centres and the quadrant each corner's curve runs through.
    struct Corner {
        QPointF centre;
        double startAngle;
    };
    const Corner corners[4] = {
        {{rect.right() - e, rect.top() + e}, -halfPi},    // top-right
        {{rect.right() - e, rect.bottom() - e}, 0.0},     // bottom-right
        {{rect.left() + e, rect.bottom() - e}, halfPi},   // bottom-left
        {{rect.left() + e, rect.top() + e}, 2 * halfPi},  // top-left
    };
    const double p = 2.0 / exponent;
    bool first = true;
    for (const Corner& c : corners) {
        for (int i = 0; i <= steps; ++i) {
            const double a = c.startAngle + halfPi * i / steps;
            const double ca = std::cos(a);
            const double sa = std::sin(a);
            const double x = c.centre.x() + e * std::copysign(std::pow(std::abs(ca), p), ca);
            const double y = c.centre.y() + e * std::copysign(std::pow(std::abs(sa), p), sa);
            if (first) {
                path.moveTo(x, y);
                first = false;
            } else {
                path.lineTo(x, y);
            }
        }
    }
    path.closeSubpath();
    return path;
}

TextView::TextView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    relayout();
}

void TextView::setCaptionStyle(const CaptionStyle& style) {
    if (style == style_) {
        return;
    }
    style_ = style;
    relayout();
}

void TextView::setContentOpacity(double opacity) {
    opacity = std::isfinite(opacity) ? std::clamp(opacity, 0.0, 1.0) : 1.0;
    if (opacity == contentOpacity_) {
        return;
    }
    contentOpacity_ = opacity;
    update();
}

double TextView::effectiveOpacity() const {
    return style_.shown ? contentOpacity_ : 0.0;
}

void TextView::relayout() {
    const QFontMetricsF metrics(captionFont(style_.fontFamily, style_.fontSize));
    // Line breaks in the text break lines; nothing wraps otherwise.
    const QRectF bounds =
        metrics.boundingRect(QRectF(0, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, style_.text);
    const double pad = style_.padding;
    // A caption never wraps or truncates to fit the panel; only a hand-edited
    // record with a huge text is cut at a size no screen shows anyway, so it
    // cannot become a huge window or buffer.
    const double w = std::min(maxCaptionSide, std::ceil(bounds.width() + 2 * pad));
    const double h =
        std::min(maxCaptionSide, std::ceil(std::max(bounds.height(), metrics.height()) + 2 * pad));
    naturalSize_ = QSizeF(w, h);
    textRect_ = QRectF(pad, pad, w - 2 * pad, h - 2 * pad);
    plate_ = QImage();
    plateRatio_ = 0;
    updateGeometry();
    resize(sizeHint());
    update();
}

QSize TextView::sizeHint() const {
    return QSize(int(std::ceil(naturalSize_.width())), int(std::ceil(naturalSize_.height())));
}

const QImage& TextView::plateImage(double devicePixelRatio) const {
    if (!plate_.isNull() && plateRatio_ == devicePixelRatio) {
        return plate_;
    }
    plateRatio_ = devicePixelRatio;
    const QSize size = sizeHint();
    plate_ = QImage((QSizeF(size) * devicePixelRatio).toSize().expandedTo(QSize(1, 1)),
                    QImage::Format_ARGB32_Premultiplied);
    plate_.setDevicePixelRatio(devicePixelRatio);
    plate_.fill(Qt::transparent);
    QPainter p(&plate_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF box(0, 0, naturalSize_.width(), naturalSize_.height());
    p.fillPath(continuousRoundedRect(box, style_.backgroundRadius), style_.backgroundColor);
    p.setClipPath(continuousRoundedRect(box, style_.backgroundRadius));
    p.setFont(captionFont(style_.fontFamily, style_.fontSize));
    p.setPen(style_.textColor);
    p.drawText(textRect_, Qt::AlignLeft | Qt::AlignTop, style_.text);
    return plate_;
}

void TextView::paintEvent(QPaintEvent*) {
    const double opacity = effectiveOpacity();
    if (opacity <= 0) {
        return;
    }
    QPainter p(this);
    p.setOpacity(opacity);
    p.drawImage(QPointF(0, 0), plateImage(devicePixelRatioF()));
}

}  // namespace mirelon
