// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/window/PanelContent.h"

#include <QBitmap>
#include <QImage>
#include <QWidget>

namespace mirelon {

QRegion PanelContent::opaqueRegion() {
    QWidget* w = widget();
    if (!w || w->size().isEmpty()) {
        return {};
    }
    QImage image(w->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    w->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    // A hard edge: only pixels that are nearly opaque belong to the shape.
    QImage mask(image.size(), QImage::Format_MonoLSB);
    mask.setColorCount(2);
    mask.setColor(0, qRgb(255, 255, 255));
    mask.setColor(1, qRgb(0, 0, 0));
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = mask.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const bool opaque = qAlpha(line[x]) >= 250;
            if (opaque) {
                out[x >> 3] |= static_cast<uchar>(1u << (x & 7));
            } else {
                out[x >> 3] &= static_cast<uchar>(~(1u << (x & 7)));
            }
        }
    }
    return QRegion(QBitmap::fromImage(mask));
}

}  // namespace mirelon
