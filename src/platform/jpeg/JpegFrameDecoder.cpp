// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/jpeg/JpegFrameDecoder.h"

#include "platform/qt/Logging.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace mirelon {
namespace {

// Frames larger than this per side are refused (no camera sends them; a
// damaged header may claim them).
constexpr int maxSide = 8192;
constexpr std::size_t poolSize = 4;  // mailbox slot, main thread, one decoding, one spare
// A free buffer more than this many times larger than what a frame needs is
// given back (the panels shrank, or the first frames came before their size).
constexpr std::size_t shrinkFactor = 2;
// Below this a buffer is not worth giving back.
constexpr std::size_t keptAnyway = 64 * 1024;

int scaled(int dimension, int denominator) {
    return (dimension + denominator - 1) / denominator;
}

// Pixels of context kept around a window on each side (bilinear neighbours,
// rounding between the viewer's scale and this one).
constexpr int windowMargin = 2;
// Below this share of the frame's area a window is decoded; above it the
// whole frame into planes costs less.
constexpr double windowShare = 0.75;

}  // namespace

// libjpeg reports errors by calling error_exit, which must not return: it
// jumps back to the call that started the step. Warnings (corrupt data the
// library would skip over) end the frame as well.
struct JpegFrameDecoder::Cropper {
    jpeg_decompress_struct info{};
    struct Errors {
        jpeg_error_mgr manager;
        std::jmp_buf jump;
    } errors{};

    Cropper() {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = [](j_common_ptr c) {
            std::longjmp(reinterpret_cast<Errors*>(c->err)->jump, 1);
        };
        errors.manager.emit_message = [](j_common_ptr c, int level) {
            if (level < 0) {
                std::longjmp(reinterpret_cast<Errors*>(c->err)->jump, 1);
            }
        };
        errors.manager.output_message = [](j_common_ptr) {};
        jpeg_create_decompress(&info);
    }
    ~Cropper() { jpeg_destroy_decompress(&info); }
    Cropper(const Cropper&) = delete;
    Cropper& operator=(const Cropper&) = delete;

    // What start() found: the decoded window, in pixels of the reduced frame.
    struct Window {
        int fullWidth = 0, fullHeight = 0;
        int x = 0, y = 0, width = 0, height = 0;
    };

    // Reads the header and starts decoding the window of `region` at
    // 1/denominator into BGRx. No C++ object with a destructor may live in
    // here: an error jumps out of the middle.
    bool start(const unsigned char* data, std::size_t size, int denominator, QRectF region,
               Window& w) {
        if (setjmp(errors.jump) != 0) {
            jpeg_abort_decompress(&info);
            return false;
        }
        jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
        if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
            jpeg_abort_decompress(&info);
            return false;
        }
        if ((info.jpeg_color_space != JCS_YCbCr && info.jpeg_color_space != JCS_GRAYSCALE) ||
            info.image_width > unsigned(maxSide) || info.image_height > unsigned(maxSide)) {
            jpeg_abort_decompress(&info);  // RGB or CMYK JPEGs do not come from cameras
            return false;
        }
        info.scale_num = 1;
        info.scale_denom = unsigned(denominator);
        info.out_color_space = JCS_EXT_BGRX;
        info.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&info);
        w.fullWidth = int(info.output_width);
        w.fullHeight = int(info.output_height);
        const int x0 = std::clamp(int(std::floor(region.left() * w.fullWidth)) - windowMargin, 0,
                                  w.fullWidth - 1);
        const int x1 = std::clamp(int(std::ceil(region.right() * w.fullWidth)) + windowMargin,
                                  x0 + 1, w.fullWidth);
        const int y0 = std::clamp(int(std::floor(region.top() * w.fullHeight)) - windowMargin, 0,
                                  w.fullHeight - 1);
        const int y1 = std::clamp(int(std::ceil(region.bottom() * w.fullHeight)) + windowMargin,
                                  y0 + 1, w.fullHeight);
        JDIMENSION xoffset = JDIMENSION(x0);
        JDIMENSION width = JDIMENSION(x1 - x0);
        if (width < info.output_width) {
            jpeg_crop_scanline(&info, &xoffset, &width);  // widened to whole blocks
        }
        w.x = int(xoffset);
        w.width = int(width);
        w.y = y0;
        w.height = y1 - y0;
        return true;
    }

    // Decodes the window's rows into `pixels` (stride in bytes), skipping
    // the rows above it and stopping after its last.
    bool readRows(const Window& w, unsigned char* pixels, std::size_t stride) {
        if (setjmp(errors.jump) != 0) {
            jpeg_abort_decompress(&info);
            return false;
        }
        if (w.y > 0 && jpeg_skip_scanlines(&info, JDIMENSION(w.y)) != JDIMENSION(w.y)) {
            jpeg_abort_decompress(&info);
            return false;
        }
        for (int row = 0; row < w.height;) {
            JSAMPROW rows[1] = {pixels + std::size_t(row) * stride};
            const JDIMENSION got = jpeg_read_scanlines(&info, rows, 1);
            if (got != 1) {
                jpeg_abort_decompress(&info);
                return false;
            }
            ++row;
        }
        // The rest of the frame is not needed: dropped undecoded.
        jpeg_abort_decompress(&info);
        return true;
    }
};

JpegFrameDecoder::JpegFrameDecoder()
    : cropper_(std::make_unique<Cropper>()), handle_(tjInitDecompress()) {}

JpegFrameDecoder::~JpegFrameDecoder() {
    if (handle_) {
        tjDestroy(handle_);
    }
}

bool JpegFrameDecoder::decodesWindow(QRectF region) {
    region = region.intersected(QRectF(0, 0, 1, 1));
    return !region.isEmpty() && region.width() * region.height() <= windowShare;
}

VideoFrame JpegFrameDecoder::decodeWindow(const unsigned char* data, std::size_t size,
                                          int denominator, QRectF region) {
    // A frame cut short lacks the end-of-image marker.
    if (!data || size < 4 || data[size - 2] != 0xFF || data[size - 1] != 0xD9) {
        return {};
    }
    region = region.intersected(QRectF(0, 0, 1, 1));
    if (region.isEmpty()) {
        region = QRectF(0, 0, 1, 1);
    }
    denominator = denominator == 2 || denominator == 4 || denominator == 8 ? denominator : 1;
    Cropper::Window w;
    if (!cropper_->start(data, size, denominator, region, w) || w.width <= 0 || w.height <= 0) {
        return {};
    }
    const std::size_t stride = std::size_t(w.width) * 4;
    auto pixels = buffer(stride * std::size_t(w.height));
    if (!cropper_->readRows(w, pixels->data(), stride)) {
        return {};
    }
    lastFullSize_ = QSize(int(cropper_->info.image_width), int(cropper_->info.image_height));
    lastDecodedSize_ = QSize(w.width, w.height);
    auto* keep = new std::shared_ptr<std::vector<unsigned char>>(pixels);
    QImage image(
        pixels->data(), w.width, w.height, qsizetype(stride), QImage::Format_RGB32,
        [](void* p) { delete static_cast<std::shared_ptr<std::vector<unsigned char>>*>(p); }, keep);
    return VideoFrame::windowed(std::move(image), QSize(w.fullWidth, w.fullHeight),
                                QPoint(w.x, w.y));
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
    // Free buffers far larger than needed now are released, all of them at
    // once: the memory goes back as soon as the frames need less.
    const std::size_t tooLarge = std::max(bytes * shrinkFactor, keptAnyway);
    std::shared_ptr<std::vector<unsigned char>> chosen;
    for (auto& b : pool_) {
        if (b.use_count() != 1) {
            continue;
        }
        if (b->capacity() > tooLarge) {
            b = std::make_shared<std::vector<unsigned char>>();
        }
        if (!chosen) {
            chosen = b;
        }
    }
    if (chosen) {
        if (chosen->capacity() < bytes) {
            // Grown to exactly what is needed: a vector growing by itself
            // may take up to twice that, and keep it.
            std::vector<unsigned char>().swap(*chosen);
            chosen->reserve(bytes);
        }
        chosen->resize(bytes);
        return chosen;
    }
    auto fresh = std::make_shared<std::vector<unsigned char>>(bytes);
    if (pool_.size() < poolSize) {
        pool_.push_back(fresh);
    }
    return fresh;
}

std::size_t JpegFrameDecoder::pooledBytes() const {
    std::size_t total = 0;
    for (const auto& b : pool_) {
        total += b->capacity();
    }
    return total;
}

VideoFrame JpegFrameDecoder::decodeFor(const unsigned char* data, std::size_t size, QSize wanted,
                                       QRectF region) {
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (!handle_ || !data || size < 4 ||
        tjDecompressHeader3(handle_, data, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colorspace) != 0) {
        return {};
    }
    // Until the viewers state their size the frames go out at the smallest
    // reduction: enough for a first picture, a fraction of the memory.
    const int denominator = wanted.isEmpty() ? 8 : scaleDenominator(QSize(width, height), wanted);
    if (decodesWindow(region)) {
        return decodeWindow(data, size, denominator, region);
    }
    return decode(data, size, denominator);
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
