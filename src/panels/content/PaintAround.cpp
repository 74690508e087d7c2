// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/PaintAround.h"

#include <cmath>

namespace mirelon {
namespace {

// The part of `image`, drawn at `at`, that lies under r.
QRectF imagePart(const QImage& image, const QPointF& at, const QRect& r) {
    const double dpr = image.devicePixelRatio();
    return {(r.x() - at.x()) * dpr, (r.y() - at.y()) * dpr, r.width() * dpr, r.height() * dpr};
}

}  // namespace

bool onPixelGrid(const QPointF& point, double dpr) {
    auto whole = [](double v) { return std::abs(v - std::round(v)) < 1e-6; };
    return whole(point.x() * dpr) && whole(point.y() * dpr);
}

std::array<QRect, 4> rectsAround(const QRect& all, const QRect& inside) {
    return {
        QRect(QPoint(all.left(), all.top()), QPoint(all.right(), inside.top() - 1)),
        QRect(QPoint(all.left(), inside.bottom() + 1), QPoint(all.right(), all.bottom())),
        QRect(QPoint(all.left(), inside.top()), QPoint(inside.left() - 1, inside.bottom())),
        QRect(QPoint(inside.right() + 1, inside.top()), QPoint(all.right(), inside.bottom())),
    };
}

void drawImageAround(QPainter& p, const QImage& image, const QPointF& at, const QRect& inside) {
    const QRect all = QRectF(at, QSizeF(image.size()) / image.devicePixelRatio()).toAlignedRect();
    for (const QRect& r : rectsAround(all, inside & all)) {
        if (!r.isEmpty()) {
            p.drawImage(QRectF(r), image, imagePart(image, at, r));
        }
    }
}

void drawImageCopyingInside(QPainter& p, const QImage& image, const QRectF& target,
                            const QRect& inside) {
    const QRect all = target.toAlignedRect();
    const QRect copied = inside & all;
    if (copied.isEmpty() || !onPixelGrid(target.topLeft(), image.devicePixelRatio())) {
        p.drawImage(target, image);
        return;
    }
    drawImageAround(p, image, target.topLeft(), copied);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QRectF(copied), image, imagePart(image, target.topLeft(), copied));
    p.restore();
}

}  // namespace mirelon
