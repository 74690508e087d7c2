// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing around what an opaque picture hides must give the very pixels of
// drawing everything, at every scale and offset: no seam, no pixel twice.
#include "panels/content/PaintAround.h"

#include <gtest/gtest.h>

#include <random>

namespace mirelon {
namespace {

// Premultiplied noise of every alpha; opaque inside `opaque` (device pixels).
QImage noise(QSize size, double dpr, const QRect& opaque, std::mt19937& random) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const quint32 a = opaque.contains(x, y) ? 255 : random() % 256;
            const quint32 r = random() % (a + 1), g = random() % (a + 1), b = random() % (a + 1);
            row[x] = a << 24 | r << 16 | g << 8 | b;
        }
    }
    return image;
}

QImage canvas(QSize points, double dpr, std::mt19937& random) {
    return noise((QSizeF(points) * dpr).toSize(), dpr, QRect(), random);
}

TEST(PaintAround, CopyingTheOpaqueMiddleGivesTheBlendedPixels) {
    std::mt19937 random(7);
    for (const double dpr : {1.0, 2.0}) {
        for (const QPointF at : {QPointF(0, 0), QPointF(13, 7), QPointF(5.5, 3)}) {
            SCOPED_TRACE(testing::Message() << "dpr " << dpr << " at " << at.x() << "," << at.y());
            const QSize points(60, 50);
            // The block, opaque over a middle part; `inside` lies within it.
            const QImage block = noise((QSizeF(40, 30) * dpr).toSize(), dpr,
                                       QRect(QPoint(8, 6) * dpr, QSize(24, 18) * dpr), random);
            const QRect inside(QPoint(int(std::ceil(at.x())) + 9, int(std::ceil(at.y())) + 7),
                               QSize(20, 15));
            const QImage background = canvas(points, dpr, random);
            QImage expected = background;
            {
                QPainter p(&expected);
                p.drawImage(QRectF(at, QSizeF(40, 30)), block);
            }
            QImage actual = background;
            {
                QPainter p(&actual);
                drawImageCopyingInside(p, block, QRectF(at, QSizeF(40, 30)), inside);
            }
            EXPECT_EQ(actual, expected);
        }
    }
}

TEST(PaintAround, AroundLeavesTheInsideAsItWasAndDrawsAllElse) {
    std::mt19937 random(3);
    for (const double dpr : {1.0, 2.0}) {
        SCOPED_TRACE(testing::Message() << "dpr " << dpr);
        const QSize points(50, 40);
        const QImage layer = canvas(points, dpr, random);
        const QImage background = canvas(points, dpr, random);
        const QRect inside(11, 9, 23, 17);
        QImage actual = background;
        {
            QPainter p(&actual);
            drawImageAround(p, layer, QPointF(0, 0), inside);
        }
        QImage blended = background;
        {
            QPainter p(&blended);
            p.drawImage(QPointF(0, 0), layer);
        }
        for (int y = 0; y < actual.height(); ++y) {
            for (int x = 0; x < actual.width(); ++x) {
                const bool under = inside.contains(int(x / dpr), int(y / dpr));
                ASSERT_EQ(actual.pixel(x, y), (under ? background : blended).pixel(x, y))
                    << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace mirelon
