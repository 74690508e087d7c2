// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/JpegFrameDecoder.h"

#include "platform/Logging.h"

#include <turbojpeg.h>

#include <algorithm>

namespace mirelon {
namespace {

// Frames larger than this per side are refused (no camera sends them; a
// damaged header may claim them).
constexpr int maxSide = 8192;
constexpr std::size_t poolSize = 4;  // mailbox slot, main thread, one decoding, one spare

int scaled(int dimension, int denominator) {
    return (dimension + denominator - 1) / denominator;
}

}  // namespace

JpegFrameDecoder::JpegFrameDecoder() : handle_(tjInitDecompress()) {}

JpegFrameDecoder::~JpegFrameDecoder() {
    if (handle_) {
        tjDestroy(handle_);
    }
}

int JpegFrameDecoder::scaleDenominator(QSize frame, QSize wanted) {
    if (frame.isEmpty() || wanted.isEmpty()) {
        return 1;
    }
    // A reduced frame may be enlarged by up to a quarter where it is shown
    // (a slight softening nobody sees at panel sizes); beyond that the
    // next larger decode is taken.
    for (const int d : {8, 4, 2}) {
        if (scaled(frame.width(), d) * 5 >= wanted.width() * 4 &&
            scaled(frame.height(), d) * 5 >= wanted.height() * 4) {
            return d;
        }
    }
    return 1;
}

std::shared_ptr<std::vector<unsigned char>> JpegFrameDecoder::buffer(std::size_t bytes) {
    for (auto& b : pool_) {
        if (b.use_count() == 1) {
            b->resize(bytes);
            return b;
        }
    }
    auto fresh = std::make_shared<std::vector<unsigned char>>(bytes);
    if (pool_.size() < poolSize) {
        pool_.push_back(fresh);
    }
    return fresh;
}

VideoFrame JpegFrameDecoder::decodeFor(const unsigned char* data, std::size_t size, QSize wanted) {
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (!handle_ || !data || size < 4 ||
        tjDecompressHeader3(handle_, data, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colorspace) != 0) {
        return {};
    }
    return decode(data, size, scaleDenominator(QSize(width, height), wanted));
}

VideoFrame JpegFrameDecoder::decode(const unsigned char* data, std::size_t size, int denominator) {
    VideoFrame frame = decodeOnce(data, size, denominator);
    if (frame.isNull() && handle_) {
        // A failed decode can leave the decompressor in a state that spoils
        // the next frame: start afresh.
        tjDestroy(handle_);
        handle_ = tjInitDecompress();
    }
    return frame;
}

VideoFrame JpegFrameDecoder::decodeOnce(const unsigned char* data, std::size_t size,
                                        int denominator) {
    if (!handle_ || !data || size < 4) {
        return {};
    }
    // A frame cut short lacks the end-of-image marker.
    if (data[size - 2] != 0xFF || data[size - 1] != 0xD9) {
        return {};
    }
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle_, data, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colorspace) != 0 ||
        width <= 0 || height <= 0 || width > maxSide || height > maxSide) {
        return {};
    }
    lastFullSize_ = QSize(width, height);
    denominator = denominator == 2 || denominator == 4 || denominator == 8 ? denominator : 1;
    const int w = scaled(width, denominator);
    const int h = scaled(height, denominator);
    // (No fast DCT: with it, this libjpeg-turbo gets the chroma of frames
    // reduced by 2 wrong.)
    const int flags = TJFLAG_STOPONWARNING;

    int shiftX = 0, shiftY = 0;
    switch (subsampling) {
        case TJSAMP_444:
        case TJSAMP_GRAY:
            break;
        case TJSAMP_422:
            shiftX = 1;
            break;
        case TJSAMP_420:
            shiftX = shiftY = 1;
            break;
        case TJSAMP_440:
            shiftY = 1;
            break;
        default: {
            // 4:1:1 and the like: decode to RGB instead.
            QImage image(w, h, QImage::Format_RGB32);
            if (image.isNull() ||
                tjDecompress2(handle_, data, static_cast<unsigned long>(size), image.bits(), w,
                              int(image.bytesPerLine()), h, TJPF_BGRX, flags) != 0) {
                return {};
            }
            lastDecodedSize_ = image.size();
            return VideoFrame(std::move(image));
        }
    }
    if (colorspace != TJCS_YCbCr && colorspace != TJCS_GRAY) {
        return {};  // RGB or CMYK JPEGs do not come from cameras
    }
    const bool grey = subsampling == TJSAMP_GRAY;
    if (grey) {
        shiftX = shiftY = 1;  // neutral chroma planes at quarter size
    }
    const int cw = grey ? (w + 1) / 2 : tjPlaneWidth(1, w, subsampling);
    const int ch = grey ? (h + 1) / 2 : tjPlaneHeight(1, h, subsampling);
    const int yw = tjPlaneWidth(0, w, subsampling);
    const int yh = tjPlaneHeight(0, h, subsampling);
    if (cw <= 0 || ch <= 0 || yw < w || yh < h) {
        return {};
    }
    const std::size_t ySize = std::size_t(yw) * std::size_t(yh);
    const std::size_t cSize = std::size_t(cw) * std::size_t(ch);
    auto planes = buffer(ySize + 2 * cSize);
    unsigned char* y = planes->data();
    unsigned char* u = y + ySize;
    unsigned char* v = u + cSize;
    if (grey) {
        std::fill(u, v + cSize, static_cast<unsigned char>(128));
    }
    unsigned char* dst[3] = {y, u, v};
    int strides[3] = {yw, cw, cw};
    if (tjDecompressToYUVPlanes(handle_, data, static_cast<unsigned long>(size), dst, w, strides, h,
                                flags) != 0) {
        return {};
    }
    lastDecodedSize_ = QSize(w, h);
    return VideoFrame::yuv(VideoFrame::Layout::planar, QSize(w, h), {y, u, v}, {yw, cw, cw}, shiftX,
                           shiftY, YuvColorimetry{0.299, 0.114, true}, std::move(planes));
}

}  // namespace mirelon
