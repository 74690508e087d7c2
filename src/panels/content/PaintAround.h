// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

#include <array>

namespace mirelon {

// Drawing a panel's layers without blending what an opaque picture hides.
// Each draws plain rectangles: a clip region would take the painter off its
// fast path for the whole image. Rectangles are in the painter's points.

// The four rectangles of `all` around `inside` (which lies within it).
std::array<QRect, 4> rectsAround(const QRect& all, const QRect& inside);

// `image` drawn at `at`, except under `inside`, which is left as it is.
void drawImageAround(QPainter& p, const QImage& image, const QPointF& at, const QRect& inside);

// Whether a point (in points) lies on the device pixel grid.
bool onPixelGrid(const QPointF& point, double dpr);

// `image` drawn into `target` (at the image's own scale), blended around
// `inside` and copied under it, where the image is opaque: the same pixels as
// blending it all, for less work. Blends all of it when `target` does not
// lie on the device pixel grid.
void drawImageCopyingInside(QPainter& p, const QImage& image, const QRectF& target,
                            const QRect& inside);

}  // namespace mirelon
