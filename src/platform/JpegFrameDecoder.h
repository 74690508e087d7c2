// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/VideoFrame.h"

#include <QSize>

#include <cstddef>
#include <memory>
#include <vector>

namespace mirelon {

// Decodes the JPEG frames of an MJPEG camera straight into YCbCr planes, at
// full size or reduced by 2, 4 or 8 in the DCT (much cheaper than decoding
// everything and scaling down). Used on one streaming thread. Frames that are
// corrupt or truncated (cameras send some) decode to a null frame: they are
// dropped, never shown half-decoded.
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
    // Decodes at the reduction `wanted` allows.
    VideoFrame decodeFor(const unsigned char* data, std::size_t size, QSize wanted);

    // Frame size of the last frame whose header could be read.
    QSize lastFullSize() const { return lastFullSize_; }
    QSize lastDecodedSize() const { return lastDecodedSize_; }

private:
    std::shared_ptr<std::vector<unsigned char>> buffer(std::size_t bytes);
    VideoFrame decodeOnce(const unsigned char* data, std::size_t size, int denominator);

    void* handle_ = nullptr;
    // Reused plane buffers: one is free again once no frame refers to it.
    std::vector<std::shared_ptr<std::vector<unsigned char>>> pool_;
    QSize lastFullSize_;
    QSize lastDecodedSize_;
};

}  // namespace mirelon
