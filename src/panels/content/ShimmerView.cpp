// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/ShimmerView.h"

#include "panels/content/FadeAnimation.h"

#include <QLinearGradient>

#include <cmath>

namespace mirelon::ShimmerView {

Points pointsAt(double elapsed) {
    double phase = std::fmod(std::max(0.0, elapsed), sweepDuration) / sweepDuration;
    const double t = FadeAnimation::easeInOut(phase);
    const QPointF start0(-1.8, -1.2), end0(0.0, -0.2);
    const QPointF start1(1.0, 1.0), end1(2.2, 2.2);
    return {start0 + (start1 - start0) * t, end0 + (end1 - end0) * t};
}

void paint(QPainter& painter, const QRectF& rect, double elapsed, double opacity) {
    if (opacity <= 0) {
        return;
    }
    const Points p = pointsAt(elapsed);
    auto at = [&](QPointF u) {
        return QPointF(rect.left() + u.x() * rect.width(), rect.top() + u.y() * rect.height());
    };
    QLinearGradient gradient(at(p.start), at(p.end));
    QColor gray(142, 142, 147);
    gray.setAlphaF(0.4f);
    QColor white(255, 255, 255);
    white.setAlphaF(0.4f);
    gradient.setColorAt(0.0, gray);
    gradient.setColorAt(0.5, white);
    gradient.setColorAt(1.0, gray);
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.fillRect(rect, gradient);
    painter.restore();
}

}  // namespace mirelon::ShimmerView
