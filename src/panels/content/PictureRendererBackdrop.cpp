// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer's backdrop: what shows through the block where it is not
// opaque, composed into the templates each row starts from. Every pixel's
// template becomes the border over the backdrop, with as much of the
// backdrop taken out as the picture covers, so that a row's picture added
// to it gives the block over its backdrop, and the block can be copied into
// place rather than blended.

#include "panels/content/PictureKernels.h"
#include "panels/content/PictureRenderer.h"

#include <algorithm>

namespace mirelon {

void PictureRenderer::setBackdrop(const QImage& image, QPoint offset) {
    QImage next;
    if (!image.isNull() &&
        QRect(QPoint(0, 0), image.size()).contains(QRect(offset, block_.size()))) {
        next = image.format() == QImage::Format_ARGB32_Premultiplied
                   ? image
                   : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    if (next.isNull() && backdrop_.isNull()) {
        return;
    }
    backdrop_ = next;
    backdropOffset_ = offset;
    composedValid_ = false;
    if (backdrop_.isNull()) {
        composed_ = {};
    }
    drawnSpans_.clear();  // each row's template is written anew
}

const std::uint32_t* PictureRenderer::rowTemplates() {
    if (backdrop_.isNull()) {
        return border_.data();
    }
    if (!composedValid_) {
        composeBackdrop();
    }
    return composed_.data();
}

void PictureRenderer::composeBackdrop() {
    const int bw = block_.width();
    const int bh = block_.height();
    composed_.resize(std::size_t(bw) * std::size_t(bh));
    std::vector<std::uint8_t> rest(static_cast<std::size_t>(bw));
    for (int y = 0; y < bh; ++y) {
        const std::size_t base = std::size_t(y) * std::size_t(bw);
        for (int x = 0; x < bw; ++x) {
            // Coverage and border alpha never add up to more than 255.
            const int shown = int(border_[base + std::size_t(x)] >> 24) + pictureCoverage(x, y);
            rest[std::size_t(x)] = std::uint8_t(std::max(0, 255 - shown));
        }
        const auto* under = reinterpret_cast<const std::uint32_t*>(
                                backdrop_.constScanLine(backdropOffset_.y() + y)) +
                            backdropOffset_.x();
        PictureKernels::composeUnder(composed_.data() + base, border_.data() + base, under,
                                     rest.data(), bw);
    }
    composedValid_ = true;
    drawnSpans_.clear();
}

}  // namespace mirelon
