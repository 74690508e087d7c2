// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/VideoFrame.h"

#include <QRectF>
#include <QSize>

#include <cstddef>
#include <memory>
#include <vector>

namespace mirelon {

// Decodes the JPEG frames of an MJPEG camera, at full size or reduced by 2, 4
// or 8 in the DCT (much cheaper than decoding everything and scaling down).
// A whole frame goes straight into YCbCr planes; when only a part of the
// picture is shown (a zoomed or cropped panel), only that part's rows and
// columns are decoded and converted, into BGRx, and the decoding stops after
// its last row. Used on one streaming thread. Frames that are corrupt or
// truncated (cameras send some) decode to a null frame: they are dropped,
// never shown half-decoded.
class JpegFrameDecoder {
public:
    JpegFrameDecoder();
    ~JpegFrameDecoder();
    JpegFrameDecoder(const JpegFrameDecoder&) = delete;
    JpegFrameDecoder& operator=(const JpegFrameDecoder&) = delete;

    // The largest reduction (8, 4, 2, else 1) whose result covers `wanted`
    // in both directions, give or take a quarter (shown enlarged by at most
    // 1.25); 1 when nothing is wanted yet.
    static int scaleDenominator(QSize frame, QSize wanted);

    // Decodes one frame at 1/denominator of its size (1, 2, 4 or 8).
    VideoFrame decode(const unsigned char* data, std::size_t size, int denominator);
    // Decodes the part `region` (fractions of the frame, widened by a few
    // pixels and to the JPEG's blocks) at 1/denominator: a windowed frame.
    VideoFrame decodeWindow(const unsigned char* data, std::size_t size, int denominator,
                            QRectF region);
    // Decodes at the reduction `wanted` allows, only `region` when that is
    // clearly less than the whole frame (null region: all of it). With
    // nothing wanted yet, at the smallest reduction (1/8).
    VideoFrame decodeFor(const unsigned char* data, std::size_t size, QSize wanted,
                         QRectF region = {});
    // Whether decodeFor() decodes a window for `region` rather than all.
    static bool decodesWindow(QRectF region);

    // Frame size of the last frame whose header could be read.
    QSize lastFullSize() const { return lastFullSize_; }
    QSize lastDecodedSize() const { return lastDecodedSize_; }
    // Bytes the reused buffers hold, in use or free. A free buffer much
    // larger than the next frame needs is released rather than kept.
    std::size_t pooledBytes() const;

private:
    std::shared_ptr<std::vector<unsigned char>> buffer(std::size_t bytes);
    VideoFrame decodeOnce(const unsigned char* data, std::size_t size, int denominator);

    struct Cropper;  // the decompressor for windows, with its error handling
    std::unique_ptr<Cropper> cropper_;
    void* handle_ = nullptr;
    // Reused plane buffers: one is free again once no frame refers to it.
    std::vector<std::shared_ptr<std::vector<unsigned char>>> pool_;
    QSize lastFullSize_;
    QSize lastDecodedSize_;
};

}  // namespace mirelon
