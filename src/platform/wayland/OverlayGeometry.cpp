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

QRegion scaledRegion(const QRegion& logical, int scale) {
    if (scale == 1) {
        return logical;
    }
    QRegion pixels;
    for (const QRect& r : logical) {
        pixels += QRect(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
    }
    return pixels;
}

QRegion coveredPixels(const QRegion& logical, double scale, QSize image) {
    QRegion pixels;
    const QRect bounds(QPoint(), image);
    for (const QRect& r : logical) {
        const int left = int(std::floor(r.x() * scale)) - 1;
        const int top = int(std::floor(r.y() * scale)) - 1;
        const int right = int(std::ceil((r.x() + r.width()) * scale)) + 1;
        const int bottom = int(std::ceil((r.y() + r.height()) * scale)) + 1;
        pixels += QRect(left, top, right - left, bottom - top) & bounds;
    }
    return pixels;
}

void clearPixels(QImage& image, const QRegion& pixels) {
    if (image.depth() != 32) {
        return;
    }
    for (const QRect& r : pixels& image.rect()) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            std::memset(image.scanLine(y) + std::size_t(r.x()) * 4, 0, std::size_t(r.width()) * 4);
        }
    }
}

void copyPixels(const QImage& from, QImage& to, const QRegion& pixels) {
    if (from.size() != to.size() || from.depth() != 32 || to.depth() != 32) {
        return;
    }
    for (const QRect& r : pixels& to.rect()) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            std::memcpy(to.scanLine(y) + std::size_t(r.x()) * 4,
                        from.constScanLine(y) + std::size_t(r.x()) * 4, std::size_t(r.width()) * 4);
        }
    }
}

QRegion changedRows(const QImage& previous, const QImage& next, const QRegion& pixels) {
    const QRegion within = pixels & next.rect();
    if (previous.size() != next.size() || previous.format() != next.format() ||
        next.depth() != 32) {
        return within;
    }
    QRegion changed;
    for (const QRect& r : within) {
        const std::size_t offset = std::size_t(r.x()) * 4;
        const std::size_t bytes = std::size_t(r.width()) * 4;
        auto differs = [&](int y) {
            return std::memcmp(previous.constScanLine(y) + offset, next.constScanLine(y) + offset,
                               bytes) != 0;
        };
        int top = r.top();
        while (top <= r.bottom() && !differs(top)) {
            ++top;
        }
        if (top > r.bottom()) {
            continue;
        }
        int bottom = r.bottom();
        while (bottom > top && !differs(bottom)) {
            --bottom;
        }
        changed += QRect(r.x(), top, r.width(), bottom - top + 1);
    }
    return changed;
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
