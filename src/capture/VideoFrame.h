// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QMetaType>
#include <QRect>
#include <QSize>

#include <array>
#include <chrono>
#include <memory>

namespace mirelon {

// How a camera's YUV values turn into RGB: the luma weights of red and blue
// (BT.601: 0.299/0.114, BT.709: 0.2126/0.0722) and whether the values use the
// full 0...255 range (JPEG) or the video range (16...235, chroma 16...240).
struct YuvColorimetry {
    double kr = 0.299;
    double kb = 0.114;
    bool fullRange = false;

    bool operator==(const YuvColorimetry&) const = default;
    // RGB (0...1) = m * (Y, U, V) (0...1 each) + offset, row by row:
    // {m00, m01, m02, o0, m10, ..., o2}.
    std::array<double, 12> toRgb() const;
};

// One camera frame as it arrived: RGB (a QImage, 0xffRRGGBB words) or the
// camera's own YUV layout, read in place from the buffer that holds it (kept
// alive for as long as any copy of the frame exists). Copies are cheap.
class VideoFrame {
public:
    enum class Layout {
        none,
        rgb,         // image()
        planar,      // Y, U, V planes; chroma subsampled by the shifts (I420, 4:2:2, 4:4:4)
        semiPlanar,  // Y plane and one plane of U, V pairs (NV12)
        packed422,   // Y0 U Y1 V per two pixels in one plane (YUY2)
    };

    VideoFrame() = default;
    VideoFrame(QImage image);  // NOLINT: an RGB frame stands for its image

    // An RGB frame of which only a part was decoded: `pixels` covers
    // `window` of a frame of `fullSize` (the rest was not needed by anyone
    // showing it). A window not inside the frame gives a null frame.
    static VideoFrame windowed(QImage pixels, QSize fullSize, QPoint windowOrigin);

    // A YUV frame. `owner` keeps the planes' memory alive.
    static VideoFrame yuv(Layout layout, QSize size, std::array<const uchar*, 3> planes,
                          std::array<int, 3> strides, int chromaShiftX, int chromaShiftY,
                          YuvColorimetry colorimetry, std::shared_ptr<const void> owner);

    bool isNull() const { return layout_ == Layout::none; }
    Layout layout() const { return layout_; }
    bool isYuv() const { return layout_ != Layout::none && layout_ != Layout::rgb; }
    // The whole frame's size, also when only a window of it is held.
    QSize size() const { return size_; }
    int width() const { return size_.width(); }
    int height() const { return size_.height(); }
    // The part of the frame the pixels cover (the whole frame unless the
    // frame was made with windowed()).
    QRect window() const { return window_; }
    bool isWindowed() const { return window_.size() != size_; }

    // RGB frames: the image (the window's pixels); null for YUV frames.
    const QImage& image() const { return image_; }

    const uchar* plane(int i) const { return planes_[std::size_t(i)]; }
    int stride(int i) const { return strides_[std::size_t(i)]; }
    int chromaShiftX() const { return chromaShiftX_; }
    int chromaShiftY() const { return chromaShiftY_; }
    const YuvColorimetry& colorimetry() const { return colorimetry_; }

    // When the camera delivered the frame (before it waited anywhere in the
    // program, and before any decoding); unset (time_point{}) for frames
    // made otherwise.
    std::chrono::steady_clock::time_point arrival() const { return arrival_; }
    void setArrival(std::chrono::steady_clock::time_point at) { arrival_ = at; }

    // The frame as an RGB image (converted for YUV frames, with plain code:
    // meant for previews and checks, not for the panels' per-frame path).
    // A windowed frame gives its window only.
    QImage toImage() const;

private:
    Layout layout_ = Layout::none;
    QSize size_;
    QRect window_;
    QImage image_;
    std::array<const uchar*, 3> planes_{};
    std::array<int, 3> strides_{};
    int chromaShiftX_ = 0;
    int chromaShiftY_ = 0;
    YuvColorimetry colorimetry_;
    std::chrono::steady_clock::time_point arrival_;
    std::shared_ptr<const void> owner_;
};

}  // namespace mirelon

Q_DECLARE_METATYPE(mirelon::VideoFrame)
