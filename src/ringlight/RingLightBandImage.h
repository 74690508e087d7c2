// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ringlight/RingLightMetrics.h"

#include <QImage>
#include <QRect>

#include <vector>

class QPainter;

namespace mirelon {

// The band and its inner glow for one display, rendered once at the display's
// device pixel ratio and kept until the record, the size or the ratio change.
//
// Away from the corners the picture is the same all along each edge, so it is
// computed on a compact image holding the four corners and one middle row and
// column, then spread into four edge strips. The display's middle, far from
// every edge, is transparent and stored nowhere.
class RingLightBandImage {
public:
    struct Piece {
        QRect deviceRect;  // where the piece lies, in device pixels
        QImage image;      // premultiplied ARGB, deviceRect's size
    };

    // opaque: the band for a window without a compositor, flattened onto black
    // at full opacity. compact: false blurs the whole display (for checking the
    // compact path against it).
    static RingLightBandImage render(const RingLightMetrics& metrics, double devicePixelRatio,
                                     bool opaque = false, bool compact = true);

    QSize deviceSize() const { return deviceSize_; }
    const std::vector<Piece>& pieces() const { return pieces_; }
    // Size of the compact image the blur ran on.
    QSize compactSize() const { return compactSize_; }

    // Draws the parts of the band inside deviceRect (device pixels) with the
    // source composition mode, on a painter in logical coordinates.
    void draw(QPainter& painter, const QRect& deviceRect, double devicePixelRatio) const;

    // The whole display's picture in one image (device pixels).
    QImage toImage() const;

private:
    QSize deviceSize_;
    QSize compactSize_;
    std::vector<Piece> pieces_;
};

// The soft pointer hole: a black disc with a radial gradient, blurred,
// drawn with destination-out.
class RingLightHoleSprite {
public:
    static RingLightHoleSprite render(const RingLightMetrics& metrics, double devicePixelRatio);

    const QImage& image() const { return image_; }
    // Device pixel rectangle the sprite covers when centred on a view point.
    QRect deviceRect(const QPointF& center, double devicePixelRatio) const;
    bool isNull() const { return image_.isNull(); }

private:
    QImage image_;
    int half_ = 0;
};

}  // namespace mirelon
