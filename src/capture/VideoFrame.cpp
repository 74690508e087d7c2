// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/VideoFrame.h"

#include <algorithm>
#include <cmath>

namespace mirelon {

std::array<double, 12> YuvColorimetry::toRgb() const {
    // Values in 0...1 (byte / 255). Luma scale and offset, chroma scale.
    const double ys = fullRange ? 1.0 : 255.0 / 219.0;
    const double yo = fullRange ? 0.0 : -16.0 / 219.0;
    const double cs = fullRange ? 1.0 : 255.0 / 224.0;
    const double co = 128.0 / 255.0;
    const double kg = 1.0 - kr - kb;
    // R = Y' + 2(1-kr) Pr, B = Y' + 2(1-kb) Pb,
    // G = Y' - 2 kb (1-kb)/kg Pb - 2 kr (1-kr)/kg Pr, with Pb, Pr centred on 0.
    const double rv = 2 * (1 - kr) * cs;
    const double bu = 2 * (1 - kb) * cs;
    const double gu = -2 * kb * (1 - kb) / kg * cs;
    const double gv = -2 * kr * (1 - kr) / kg * cs;
    return {ys, 0, rv, yo - rv * co, ys, gu, gv, yo - (gu + gv) * co, ys, bu, 0, yo - bu * co};
}

VideoFrame::VideoFrame(QImage image) {
    if (image.isNull()) {
        return;
    }
    layout_ = Layout::rgb;
    size_ = image.size();
    window_ = QRect(QPoint(0, 0), size_);
    image_ = std::move(image);
}

VideoFrame VideoFrame::windowed(QImage pixels, QSize fullSize, QPoint windowOrigin) {
    const QRect window(windowOrigin, pixels.size());
    if (pixels.isNull() || !QRect(QPoint(0, 0), fullSize).contains(window)) {
        return {};
    }
    VideoFrame f(std::move(pixels));
    f.size_ = fullSize;
    f.window_ = window;
    return f;
}

VideoFrame VideoFrame::yuv(Layout layout, QSize size, std::array<const uchar*, 3> planes,
                           std::array<int, 3> strides, int chromaShiftX, int chromaShiftY,
                           YuvColorimetry colorimetry, std::shared_ptr<const void> owner) {
    VideoFrame f;
    if (layout == Layout::none || layout == Layout::rgb || size.isEmpty() || !planes[0]) {
        return f;
    }
    f.layout_ = layout;
    f.size_ = size;
    f.window_ = QRect(QPoint(0, 0), size);
    f.planes_ = planes;
    f.strides_ = strides;
    f.chromaShiftX_ = std::clamp(chromaShiftX, 0, 1);
    f.chromaShiftY_ = std::clamp(chromaShiftY, 0, 1);
    f.colorimetry_ = colorimetry;
    f.owner_ = std::move(owner);
    return f;
}

QImage VideoFrame::toImage() const {
    if (layout_ == Layout::rgb || layout_ == Layout::none) {
        return image_;
    }
    const int w = size_.width();
    const int h = size_.height();
    QImage out(size_, QImage::Format_RGB32);
    const auto m = colorimetry_.toRgb();
    const int cw = (w + chromaShiftX_) >> chromaShiftX_;
    const int ch = (h + chromaShiftY_) >> chromaShiftY_;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<quint32*>(out.scanLine(y));
        const int cy = std::min(ch - 1, y >> chromaShiftY_);
        for (int x = 0; x < w; ++x) {
            const int cx = std::min(cw - 1, x >> chromaShiftX_);
            int Y = 0, U = 128, V = 128;
            switch (layout_) {
                case Layout::planar:
                    Y = planes_[0][y * strides_[0] + x];
                    U = planes_[1][cy * strides_[1] + cx];
                    V = planes_[2][cy * strides_[2] + cx];
                    break;
                case Layout::semiPlanar:
                    Y = planes_[0][y * strides_[0] + x];
                    U = planes_[1][cy * strides_[1] + 2 * cx];
                    V = planes_[1][cy * strides_[1] + 2 * cx + 1];
                    break;
                case Layout::packed422: {
                    const uchar* p = planes_[0] + y * strides_[0] + (x / 2) * 4;
                    Y = p[(x & 1) * 2];
                    U = p[1];
                    V = p[3];
                    break;
                }
                default:
                    break;
            }
            const double yf = Y / 255.0, uf = U / 255.0, vf = V / 255.0;
            int c[3];
            for (int k = 0; k < 3; ++k) {
                const double v =
                    m[k * 4] * yf + m[k * 4 + 1] * uf + m[k * 4 + 2] * vf + m[k * 4 + 3];
                c[k] = int(std::lround(std::clamp(v, 0.0, 1.0) * 255));
            }
            row[x] = 0xFF000000u | quint32(c[0] << 16) | quint32(c[1] << 8) | quint32(c[2]);
        }
    }
    return out;
}

}  // namespace mirelon
