// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightOverlayView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace mirelon {

RingLightOverlayView::RingLightOverlayView(const Configuration& configuration, QWidget* parent)
    : QWidget(parent), configuration_(configuration) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    metrics_ =
        RingLightMetrics::make(configuration_.settings, configuration_.screenFrame.size(),
                               configuration_.maxHoverCutoutRadius, configuration_.hoverEdgeSlack);
    resize(configuration_.screenFrame.size().toSize());
}

RingLightOverlayView::~RingLightOverlayView() = default;

void RingLightOverlayView::setConfiguration(const Configuration& configuration) {
    if (configuration == configuration_) {
        return;
    }
    const Configuration old = configuration_;
    const RingLightMetrics oldMetrics = metrics_;
    configuration_ = configuration;
    metrics_ =
        RingLightMetrics::make(configuration_.settings, configuration_.screenFrame.size(),
                               configuration_.maxHoverCutoutRadius, configuration_.hoverEdgeSlack);
    resize(configuration_.screenFrame.size().toSize());

    const bool bandChanged = !metrics_.sameBand(oldMetrics) ||
                             old.devicePixelRatio != configuration_.devicePixelRatio ||
                             old.opaque != configuration_.opaque;
    const bool holeChanged = bandChanged || metrics_.holeRadius != oldMetrics.holeRadius ||
                             metrics_.holeBlurRadius != oldMetrics.holeBlurRadius ||
                             metrics_.holeStops != oldMetrics.holeStops;
    if (bandChanged) {
        band_.reset();
        invalidate(
            QRect(QPoint(0, 0),
                  QSize(std::lround(metrics_.size.width() * configuration_.devicePixelRatio),
                        std::lround(metrics_.size.height() * configuration_.devicePixelRatio))));
    }
    if (holeChanged) {
        hole_.reset();
    }
    // The frame or the thresholds may move or remove the hole.
    const QRect oldHole = holeRect_;
    setPointerLocation(pointer_);
    if (holeChanged && !holeRect_.isNull()) {
        invalidate(oldHole);
        invalidate(holeRect_);
    }
}

void RingLightOverlayView::setPointerLocation(const std::optional<QPointF>& pointer) {
    pointer_ = pointer;
    const auto center = hoverCutoutCenter(pointer, configuration_.screenFrame, metrics_);
    holeCenter_ = center;
    QRect rect;
    if (center) {
        ensureHoleSprite();
        rect = hole_->deviceRect(*center, configuration_.devicePixelRatio);
    }
    if (rect == holeRect_) {
        return;  // the same device pixels: nothing to repaint
    }
    invalidate(holeRect_);
    invalidate(rect);
    holeRect_ = rect;
}

void RingLightOverlayView::invalidate(const QRect& deviceRect) {
    if (deviceRect.isEmpty()) {
        return;
    }
    pendingDevice_ += deviceRect;
    scheduleRepaint();
}

void RingLightOverlayView::scheduleRepaint() {
    if (repaintTask_.isPending()) {
        return;
    }
    Scheduler& scheduler = Scheduler::main();
    const double due = lastRepaintTime_ + kMinimumRepaintInterval;
    const double delay = std::max(0.0, due - scheduler.now());
    repaintTask_ = scheduler.schedule(delay, [this] { flushRepaint(); });
}

void RingLightOverlayView::flushRepaint() {
    if (pendingDevice_.isEmpty()) {
        return;
    }
    QRegion logical;
    for (const QRect& r : pendingDevice_) {
        logical += toLogical(r);
    }
    pendingDevice_ = QRegion();
    lastRepaintTime_ = Scheduler::main().now();
    lastRepaintRegion_ = logical;
    ++repaintRequestCount_;
    if (configuration_.opaque && isWindow()) {
        setMask(opaqueShape());
    } else if (configuration_.opaque && window()) {
        window()->setMask(opaqueShape());
    }
    update(logical);
}

QRect RingLightOverlayView::toDevice(const QRect& logical) const {
    const double dpr = configuration_.devicePixelRatio;
    const int left = int(std::floor(logical.left() * dpr));
    const int top = int(std::floor(logical.top() * dpr));
    const int right = int(std::ceil((logical.x() + logical.width()) * dpr));
    const int bottom = int(std::ceil((logical.y() + logical.height()) * dpr));
    return QRect(left, top, right - left, bottom - top);
}

QRect RingLightOverlayView::toLogical(const QRect& device) const {
    const double dpr = configuration_.devicePixelRatio;
    const int left = int(std::floor(device.left() / dpr));
    const int top = int(std::floor(device.top() / dpr));
    const int right = int(std::ceil((device.x() + device.width()) / dpr));
    const int bottom = int(std::ceil((device.y() + device.height()) / dpr));
    return QRect(left, top, right - left, bottom - top);
}

void RingLightOverlayView::ensureHoleSprite() {
    if (!hole_) {
        hole_ = RingLightHoleSprite::render(metrics_, configuration_.devicePixelRatio);
    }
}

void RingLightOverlayView::ensureCaches() {
    if (!band_) {
        band_ = RingLightBandImage::render(metrics_, configuration_.devicePixelRatio,
                                           configuration_.opaque);
        ++bandRenderCount_;
    }
    ensureHoleSprite();
}

void RingLightOverlayView::paintRegion(QPainter& painter, const QRect& deviceRect) {
    ensureCaches();
    const double dpr = configuration_.devicePixelRatio;
    band_->draw(painter, deviceRect, dpr);
    if (holeCenter_ && holeRect_.intersects(deviceRect)) {
        painter.save();
        painter.setClipRect(QRectF(deviceRect.x() / dpr, deviceRect.y() / dpr,
                                   deviceRect.width() / dpr, deviceRect.height() / dpr),
                            Qt::IntersectClip);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        painter.drawImage(QRectF(holeRect_.x() / dpr, holeRect_.y() / dpr, holeRect_.width() / dpr,
                                 holeRect_.height() / dpr),
                          hole_->image());
        painter.restore();
    }
}

void RingLightOverlayView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (const QRect& r : event->region()) {
        paintRegion(painter, toDevice(r));
    }
}

QImage RingLightOverlayView::renderImage() {
    ensureCaches();
    QImage out(band_->deviceSize(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(configuration_.devicePixelRatio);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    paintRegion(painter, QRect(QPoint(0, 0), band_->deviceSize()));
    painter.end();
    return out;
}

QRegion RingLightOverlayView::opaqueShape() const {
    const QRect all(QPoint(0, 0), metrics_.size.toSize());
    QRegion shape(all);
    if (metrics_.hasInnerRect) {
        QPainterPath inner;
        inner.addRoundedRect(metrics_.innerRect, metrics_.innerCornerRadius,
                             metrics_.innerCornerRadius);
        shape -= QRegion(inner.toFillPolygon().toPolygon());
    }
    if (holeCenter_) {
        // Where the hole erases most of the band, with a hard edge.
        const double r = metrics_.holeRadius * metrics_.holeStops[3].first;
        const QPointF c = *holeCenter_;
        shape -=
            QRegion(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r).toAlignedRect(), QRegion::Ellipse);
    }
    return shape;
}

}  // namespace mirelon
