// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/OverlayGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mirelon::OverlayGeometry {

std::optional<OutputRect> outputFor(const QRect& frame, const QList<OutputRect>& outputs) {
    const QPoint centre = frame.center();
    const OutputRect* nearest = nullptr;
    qint64 best = -1;
    for (const OutputRect& output : outputs) {
        if (output.logical.contains(centre)) {
            return output;
        }
        const QPoint d = output.logical.center() - centre;
        const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (best < 0 || distance < best) {
            best = distance;
            nearest = &output;
        }
    }
    if (!nearest) {
        return std::nullopt;
    }
    return *nearest;
}

QMargins panelMargins(const QRect& frame, const QRect& output) {
    return QMargins(frame.x() - output.x(), frame.y() - output.y(), 0, 0);
}

QSize scaledBufferSize(QSize logical, int scale120) {
    // Integer arithmetic: (a × s + 60) / 120 rounds halves up for positive a.
    auto side = [scale120](int length) {
        const qint64 scaled = (qint64(std::max(length, 0)) * std::max(scale120, 1) + 60) / 120;
        return int(std::max<qint64>(scaled, 1));
    };
    return QSize(side(logical.width()), side(logical.height()));
}

QRect logicalRect(const QRect& pixels, double scale) {
    if (pixels.isEmpty() || !(scale > 0)) {
        return {};
    }
    const int left = int(std::ceil(pixels.x() / scale - 1e-9));
    const int top = int(std::ceil(pixels.y() / scale - 1e-9));
    const int right = int(std::floor((pixels.x() + pixels.width()) / scale + 1e-9));
    const int bottom = int(std::floor((pixels.y() + pixels.height()) / scale + 1e-9));
    if (right <= left || bottom <= top) {
        return {};
    }
    return QRect(left, top, right - left, bottom - top);
}

QRect changedRect(const QImage& previous, const QImage& next) {
    if (next.isNull()) {
        return {};
    }
    if (previous.isNull() || previous.size() != next.size() || previous.format() != next.format() ||
        previous.depth() != 32) {
        return next.rect();
    }
    const int width = next.width();
    const std::size_t rowBytes = std::size_t(width) * 4;
    int top = -1, bottom = -1, left = width, right = -1;
    for (int y = 0; y < next.height(); ++y) {
        const auto* a = reinterpret_cast<const quint32*>(previous.constScanLine(y));
        const auto* b = reinterpret_cast<const quint32*>(next.constScanLine(y));
        if (std::memcmp(a, b, rowBytes) == 0) {
            continue;
        }
        if (top < 0) {
            top = y;
        }
        bottom = y;
        int x0 = 0;
        while (x0 < left && a[x0] == b[x0]) {
            ++x0;
        }
        left = std::min(left, x0);
        int x1 = width - 1;
        while (x1 > right && a[x1] == b[x1]) {
            --x1;
        }
        right = std::max(right, x1);
    }
    if (top < 0) {
        return {};
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect opaqueBounds(const QImage& image) {
    if (image.isNull() || image.depth() != 32) {
        return {};
    }
    int top = -1, bottom = -1, left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x0 = 0;
        while (x0 < image.width() && qAlpha(line[x0]) < 250) {
            ++x0;
        }
        if (x0 == image.width()) {
            continue;
        }
        int x1 = image.width() - 1;
        while (x1 > x0 && qAlpha(line[x1]) < 250) {
            --x1;
        }
        if (top < 0) {
            top = y;
        }
        bottom = y;
        left = std::min(left, x0);
        right = std::max(right, x1);
    }
    if (top < 0) {
        return {};
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace mirelon::OverlayGeometry
