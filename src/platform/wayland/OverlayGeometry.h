// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QMargins>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>

#include <optional>

namespace mirelon {

// Pure geometry of the overlay surfaces, kept apart from the protocol code.
namespace OverlayGeometry {

struct OutputRect {
    QString name;
    QRect logical;  // y-down global, as Qt's screens
};

// The output a window at `frame` (y-down global) belongs on: the one holding
// its centre, else the nearest one by centre distance. None without outputs.
std::optional<OutputRect> outputFor(const QRect& frame, const QList<OutputRect>& outputs);

// Top and left margins that put a top-left anchored surface at `frame` on `output`.
QMargins panelMargins(const QRect& frame, const QRect& output);

// The buffer size, in pixels, of a surface of `logical` size at a scale given
// in 120ths (as the compositor announces fractional scales): each side
// round(logical × scale), halves away from zero, and at least 1.
QSize scaledBufferSize(QSize logical, int scale120);

// A rectangle of buffer pixels in the surface's logical coordinates at
// `scale`: the logical pixels wholly covered by it.
QRect logicalRect(const QRect& pixels, double scale);

// The smallest rectangle holding every pixel that differs between two images
// of the same size and format; the whole of `next` when they cannot be compared
// (other size or format, or no previous image); empty when they are equal.
QRect changedRect(const QImage& previous, const QImage& next);

// The buffer pixels of a region of logical pixels at an integer scale.
QRegion scaledRegion(const QRegion& logical, int scale);

// The buffer pixels a region of logical pixels touches at any scale: each
// rectangle scaled and rounded outwards, then grown by one pixel for the
// antialiased edges drawn across its border; within the image.
QRegion coveredPixels(const QRegion& logical, double scale, QSize image);

// Sets `pixels` of a 32-bit image to transparent.
void clearPixels(QImage& image, const QRegion& pixels);

// Copies `pixels` of `from` into `to`, two 32-bit images of the same size.
void copyPixels(const QImage& from, QImage& to, const QRegion& pixels);

// The part of `pixels` where `next` differs from `previous`: each rectangle
// of it cut down to the rows between its first and last changed one. A
// rectangle whose content changed throughout (a new camera frame) costs a
// row or two at each end; only an unchanged one is compared whole. All of
// `pixels` when the images cannot be compared (other size or format).
QRegion changedRows(const QImage& previous, const QImage& next, const QRegion& pixels);

// The bounding rectangle of the (nearly) opaque pixels: what of a rendered
// panel is picture or caption rather than shadow and padding. In the image's
// pixels; empty when nothing is opaque.
QRect opaqueBounds(const QImage& image);

}  // namespace OverlayGeometry
}  // namespace mirelon
