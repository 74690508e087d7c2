// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer's YUV side: camera frames sampled in their own planes, the
// conversion to RGB folded into the colour matrix.
//
// The picture (a flat block's, or a tilted block's copy of the frame) is
// made in whole rows: per row, each channel's two source rows are
// blended once over the columns the row reads (at full precision), then
// every pixel takes its two neighbouring values from that blended row
// through per-column tables: the bilinear sample, without a gather per
// channel and pixel.

#include "panels/content/PictureKernels.h"
#include "panels/content/PictureRenderer.h"
#include "panels/content/PictureRendererRows.h"

#include <algorithm>
#include <array>
#include <limits>

namespace mirelon {

using namespace PictureKernels;

namespace {

// A channel's position along one axis (1/256 pixel of the luma window) in
// its own plane: halved with centred siting where the plane is subsampled,
// clamped so that the next sample exists.
inline int channelPosition(int position, bool halved, int max) {
    return std::clamp(halved ? (position - 128) >> 1 : position, 0, max);
}

}  // namespace

void PictureRenderer::updateYuvColor(const VideoFrame& frame) {
    if (yuvColorValid_ && yuvColorimetry_ == frame.colorimetry()) {
        return;
    }
    const auto m = frame.colorimetry().toRgb();
    ColorMatrix toRgb;
    for (std::size_t r = 0; r < 3; ++r) {
        toRgb.m[r] = {m[r * 4], m[r * 4 + 1], m[r * 4 + 2]};
        toRgb.offset[r] = m[r * 4 + 3];
    }
    yuvColor_ = FixedColorMatrix::from(style_.color.after(toRgb));
    yuvColorimetry_ = frame.colorimetry();
    yuvColorValid_ = true;
}

bool PictureRenderer::yuvPlanes(const VideoFrame& frame, Plane planes[3]) {
    const int w = frame.width();
    const int h = frame.height();
    const int cw = (w + frame.chromaShiftX()) >> frame.chromaShiftX();
    const int ch = (h + frame.chromaShiftY()) >> frame.chromaShiftY();
    auto plane = [](const uchar* data, int step, int stride, int width, int height, bool halveX,
                    bool halveY) {
        Plane p;
        p.data = data;
        p.step = step;
        p.stride = stride;
        p.dx = width >= 2 ? step : 0;
        p.dy = height >= 2 ? stride : 0;
        p.halveX = halveX;
        p.halveY = halveY;
        p.maxU = width >= 2 ? (width - 1) * 256 - 1 : 0;
        p.maxV = height >= 2 ? (height - 1) * 256 - 1 : 0;
        return p;
    };
    const bool hx = frame.chromaShiftX() > 0;
    const bool hy = frame.chromaShiftY() > 0;
    switch (frame.layout()) {
        case VideoFrame::Layout::planar:
            planes[0] = plane(frame.plane(0), 1, frame.stride(0), w, h, false, false);
            planes[1] = plane(frame.plane(1), 1, frame.stride(1), cw, ch, hx, hy);
            planes[2] = plane(frame.plane(2), 1, frame.stride(2), cw, ch, hx, hy);
            return true;
        case VideoFrame::Layout::semiPlanar:
            planes[0] = plane(frame.plane(0), 1, frame.stride(0), w, h, false, false);
            planes[1] = plane(frame.plane(1), 2, frame.stride(1), cw, ch, hx, hy);
            planes[2] = plane(frame.plane(1) + 1, 2, frame.stride(1), cw, ch, hx, hy);
            return true;
        case VideoFrame::Layout::packed422:
            planes[0] = plane(frame.plane(0), 2, frame.stride(0), w, h, false, false);
            planes[1] = plane(frame.plane(0) + 1, 4, frame.stride(0), (w + 1) / 2, h, true, false);
            planes[2] = plane(frame.plane(0) + 3, 4, frame.stride(0), (w + 1) / 2, h, true, false);
            return true;
        default:
            return false;
    }
}

namespace {

// Channels interleaved in one plane (YUY2's Y, U and V; NV12's U and V)
// share their rows: one blend of the row serves them all.
bool sharesRows(const Plane& a, const Plane& b) {
    const std::ptrdiff_t gap = b.data - a.data;
    return gap > -4 && gap < 4 && a.stride == b.stride && a.halveY == b.halveY && a.maxV == b.maxV;
}

}  // namespace

void PictureRenderer::buildFlatYuvColumns(const Plane planes[3]) {
    const int bw = tableWidth_;
    for (std::size_t k = 0; k < 3; ++k) {
        FlatYuvChannel& channel = flatYuv_[k];
        channel.rows = k;
        for (std::size_t j = 0; j < k; ++j) {
            if (sharesRows(planes[j], planes[k])) {
                channel.rows = flatYuv_[j].rows;
                break;
            }
        }
    }
    // Byte offsets from each row owner's data; the owner blends the union
    // of what its channels read.
    std::array<int, 3> first{}, last{};
    std::array<bool, 3> any{};
    for (std::size_t k = 0; k < 3; ++k) {
        const Plane& plane = planes[k];
        FlatYuvChannel& channel = flatYuv_[k];
        const std::size_t owner = channel.rows;
        const int shift = int(plane.data - planes[owner].data);
        channel.offset.assign(std::size_t(bw), 0);
        channel.weight.assign(std::size_t(bw), 0);
        channel.samples.assign(std::size_t(bw), 0);
        for (int o = validX0_; o < validX1_; ++o) {
            const int position = sx_[std::size_t(o)] * 256 + wx_[std::size_t(o)];
            const int c = channelPosition(position, plane.halveX, plane.maxU);
            const int offset = shift + (c >> 8) * plane.step;
            const std::size_t b = std::size_t(o + tableOffset_);
            channel.offset[b] = offset;
            channel.weight[b] = std::uint16_t(c & 0xFF);
            first[owner] = any[owner] ? std::min(first[owner], offset) : offset;
            last[owner] = std::max(any[owner] ? last[owner] : 0, offset + plane.dx + 1);
            any[owner] = true;
        }
    }
    for (std::size_t k = 0; k < 3; ++k) {
        FlatYuvChannel& channel = flatYuv_[k];
        const std::size_t owner = channel.rows;
        for (int o = validX0_; o < validX1_; ++o) {
            channel.offset[std::size_t(o + tableOffset_)] -= first[owner];
        }
        channel.first = first[k];
        // One value of padding: the row sampler reads values in pairs.
        channel.blended.assign(owner == k ? std::size_t(std::max(0, last[k] - first[k])) + 1 : 0,
                               0);
    }
}

void PictureRenderer::fillYuvRow(const Plane planes[3], std::uint32_t* row, int fy, int x0,
                                 int x1) {
    const int n = x1 - x0;
    const int position = sy_[std::size_t(fy)] * 256 + wy_[std::size_t(fy)];
    // The bytes of each blended row that [x0, x1) reads (positions run
    // monotonically along a row, forwards or mirrored).
    std::array<int, 3> lo{}, hi{};
    lo.fill(std::numeric_limits<int>::max());
    for (std::size_t k = 0; k < 3; ++k) {
        const FlatYuvChannel& channel = flatYuv_[k];
        const int a = channel.offset[std::size_t(x0)];
        const int b = channel.offset[std::size_t(x1 - 1)];
        lo[channel.rows] = std::min(lo[channel.rows], std::min(a, b));
        hi[channel.rows] = std::max(hi[channel.rows], std::max(a, b) + planes[k].dx + 1);
    }
    for (std::size_t k = 0; k < 3; ++k) {
        FlatYuvChannel& channel = flatYuv_[k];
        if (channel.rows != k || hi[k] <= lo[k]) {
            continue;
        }
        const Plane& plane = planes[k];
        const int c = channelPosition(position, plane.halveY, plane.maxV);
        const std::uint8_t* upper = plane.data + (c >> 8) * plane.stride + channel.first + lo[k];
        lerpBytes(channel.blended.data() + lo[k], upper, upper + plane.dy, hi[k] - lo[k],
                  std::uint32_t(c & 0xFF));
        if (std::size_t(fy) + 1 < sy_.size()) {
            const int next =
                channelPosition(sy_[std::size_t(fy) + 1] * 256 + wy_[std::size_t(fy) + 1],
                                plane.halveY, plane.maxV);
            const std::uint8_t* ahead =
                plane.data + (next >> 8) * plane.stride + channel.first + lo[k];
            prefetchRows(ahead, ahead + plane.dy, hi[k] - lo[k]);
        }
    }
    for (std::size_t k = 0; k < 3; ++k) {
        FlatYuvChannel& channel = flatYuv_[k];
        sampleRow(channel.samples.data() + x0, flatYuv_[channel.rows].blended.data(),
                  channel.offset.data() + x0, channel.weight.data() + x0, planes[k].dx, n);
    }
    packChannels(row + x0, flatYuv_[0].samples.data() + x0, flatYuv_[1].samples.data() + x0,
                 flatYuv_[2].samples.data() + x0, n);
}

void PictureRenderer::renderYuv(const VideoFrame& frame) {
    Plane planes[3];
    if (!yuvPlanes(frame, planes)) {
        renderEmpty();
        return;
    }
    updateYuvColor(frame);
    const FlatYuvLayout layout{frame.layout(), frame.chromaShiftX(), frame.chromaShiftY()};
    if (!(layout == flatYuvLayout_)) {
        buildFlatYuvColumns(planes);
        flatYuvLayout_ = layout;
    }
    // The conversion from YUV is part of the colour matrix: always applied.
    auto fill = [&](std::uint32_t* row, int fy, int x0, int x1) {
        fillYuvRow(planes, row, fy, x0, x1);
    };
    if (tilted_) {
        renderTiltedWith(&yuvColor_, fill);
    } else {
        renderFlatRowsWith(&yuvColor_, fill);
    }
    hasPicture_ = true;
}

}  // namespace mirelon
