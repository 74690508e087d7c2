// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The renderer's two row loops, shared by its RGB and YUV sides: each block
// row gets the border template outside the picture's span (once, while the
// span stays), the picture's pixels inside it (from the caller's row filler,
// or tapped from the copy of the frame it filled), the colour matrix (unless
// null), coverage and border.

#include "panels/content/PictureKernels.h"
#include "panels/content/PictureRenderer.h"

#include <cstring>

namespace mirelon {

// Puts the border template around a row's picture span [x0, x1), unless
// the last frame drew the same span (the pixels around it are the border
// already); false when the row has no picture pixel.
inline bool PictureRenderer::placeBorder(int y, std::uint32_t* out, const std::uint32_t* border,
                                         int width, int x0, int x1) {
    if (drawnSpans_.size() != std::size_t(block_.height())) {
        drawnSpans_.assign(std::size_t(block_.height()), RowSpan{-1, -1});
    }
    RowSpan& drawn = drawnSpans_[std::size_t(y)];
    if (x1 <= x0) {
        if (drawn.begin != 0 || drawn.end != 0) {
            std::memcpy(out, border, std::size_t(width) * 4);
            drawn = RowSpan{0, 0};
        }
        return false;
    }
    if (drawn.begin != x0 || drawn.end != x1) {
        std::memcpy(out, border, std::size_t(x0) * 4);
        std::memcpy(out + x1, border + x1, std::size_t(width - x1) * 4);
        drawn = RowSpan{x0, x1};
    }
    return true;
}

// Flat blocks: fill(row, frameRow, x0, x1) writes row[x0, x1) for the frame
// row frameRow, which the sampling tables hold.
template <typename Fill>
void PictureRenderer::renderFlatRowsWith(const FixedColorMatrix* color, Fill fill) {
    const int bw = block_.width();
    const int bh = block_.height();
    const int m = margin_;
    const int px0 = validX0_ + m;
    const int px1 = validX1_ + m;
    uchar* const outBits = block_.bits();
    const qsizetype outStride = block_.bytesPerLine();
    std::uint32_t* const row = rowBuffer_.data();
    const std::uint32_t* const templates = rowTemplates();
    for (int y = 0; y < bh; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(outBits + y * outStride);
        const std::size_t rowBase = std::size_t(y) * std::size_t(bw);
        const std::uint32_t* border = templates + rowBase;
        const int fy = y - m;
        int x0 = spans_[std::size_t(y)].begin;
        int x1 = spans_[std::size_t(y)].end;
        if (fy < validY0_ || fy >= validY1_) {
            x0 = x1 = 0;
        }
        x0 = std::max(x0, px0);
        x1 = std::min(x1, px1);
        if (!placeBorder(y, out, border, bw, x0, x1)) {
            continue;
        }
        fill(row, fy, x0, x1);
        const int n = x1 - x0;
        if (color) {
            PictureKernels::colorRow(row + x0, n, *color);
        }
        PictureKernels::compositeRow(out + x0, row + x0, coverage_.data() + rowBase + x0,
                                     border + x0, n);
    }
}

// Tilted blocks of YUV frames: fill(row, copyRow, x0, x1) writes the row
// copyRow of the frame's RGB copy over [x0, x1) (as for a flat block, without
// shape or border), then each shown pixel takes its tap of the copy.
template <typename Fill>
void PictureRenderer::renderTiltedWith(const FixedColorMatrix* color, Fill fill) {
    std::uint32_t* const flat = frameCopy_.data();
    for (std::size_t fy = 0; fy < copySpans_.size(); ++fy) {
        const RowSpan span = copySpans_[fy];
        if (span.end <= span.begin) {
            continue;
        }
        std::uint32_t* row = flat + fy * std::size_t(copyStride_);
        fill(row, int(fy), span.begin, span.end);
        if (color) {
            PictureKernels::colorRow(row + span.begin, span.end - span.begin, *color);
        }
    }
    renderMappedRowsWith(
        nullptr, [&](std::uint32_t* out, const std::int32_t* u, const std::int32_t* v, int n) {
            PictureKernels::gatherPixels(out, flat, copyStride_, u, v, n);
        });
}

// Tilted blocks: sample(out, u, v, n) fills a row's picture span from the
// per-pixel positions.
template <typename Sample>
void PictureRenderer::renderMappedRowsWith(const FixedColorMatrix* color, Sample sample) {
    const int bw = block_.width();
    const int bh = block_.height();
    uchar* const outBits = block_.bits();
    const qsizetype outStride = block_.bytesPerLine();
    std::uint32_t* const row = rowBuffer_.data();
    const std::uint32_t* const templates = rowTemplates();
    for (int y = 0; y < bh; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(outBits + y * outStride);
        const std::size_t rowBase = std::size_t(y) * std::size_t(bw);
        const std::uint32_t* border = templates + rowBase;
        const RowSpan span = mappedSpans_[std::size_t(y)];
        const int x0 = span.begin;
        const int x1 = span.end;
        if (!placeBorder(y, out, border, bw, x0, x1)) {
            continue;
        }
        const int n = x1 - x0;
        sample(row + x0, u_.data() + rowBase + x0, v_.data() + rowBase + x0, n);
        if (color) {
            PictureKernels::colorRow(row + x0, n, *color);
        }
        PictureKernels::compositeRow(out + x0, row + x0, mappedCoverage_.data() + rowBase + x0,
                                     border + x0, n);
    }
}

}  // namespace mirelon
