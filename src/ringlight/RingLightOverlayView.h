// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/Scheduler.h"
#include "ringlight/RingLightBandImage.h"
#include "ringlight/RingLightDisplaySettings.h"
#include "ringlight/RingLightMetrics.h"

#include <QRegion>
#include <QWidget>

#include <optional>

namespace mirelon {

// Draws the ring light over one whole display: the blurred band along the
// edges, the inner glow, and the soft hole that follows the pointer near the
// edges.
//
// The band and glow are rendered once into a cached image (per clamped
// record, display size and pixel ratio). A pointer move repaints only the
// old and new hole rectangles; nothing is repainted while nothing changes,
// and repaints come at most 30 times a second.
class RingLightOverlayView : public QWidget {
    Q_OBJECT
public:
    struct Configuration {
        QRectF screenFrame;  // global, y up: (minX, minY, width, height)
        RingLightDisplaySettings settings;
        double maxHoverCutoutRadius = 88;
        double hoverEdgeSlack = 24;
        double devicePixelRatio = 1;
        bool opaque = false;  // no compositor: opaque band in a shaped window
        bool operator==(const Configuration&) const = default;
    };

    static constexpr double kMinimumRepaintInterval = 1.0 / 30.0;

    explicit RingLightOverlayView(const Configuration& configuration, QWidget* parent = nullptr);
    ~RingLightOverlayView() override;

    const Configuration& configuration() const { return configuration_; }
    // Applies new values. Keeps the cached band when the clamped record, the
    // size and the pixel ratio are unchanged; repaints only what changed.
    void setConfiguration(const Configuration& configuration);

    // The global pointer location (y up), or none when it is unknown.
    void setPointerLocation(const std::optional<QPointF>& pointer);
    std::optional<QPointF> holeCenter() const { return holeCenter_; }

    const RingLightMetrics& metrics() const { return metrics_; }

    // The whole display as drawn, in device pixels.
    QImage renderImage();

    // Device pixel rectangle of the hole, empty when there is none.
    QRect holeDeviceRect() const { return holeRect_; }

    // Counters for checking the repaint discipline.
    int bandRenderCount() const { return bandRenderCount_; }
    int repaintRequestCount() const { return repaintRequestCount_; }
    QRegion lastRepaintRegion() const { return lastRepaintRegion_; }

    // The window shape for the opaque mode (logical coordinates): the band
    // without the hole.
    QRegion opaqueShape() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ensureCaches();
    void ensureHoleSprite();
    void paintRegion(QPainter& painter, const QRect& deviceRect);
    void invalidate(const QRect& deviceRect);
    void scheduleRepaint();
    void flushRepaint();
    QRect toDevice(const QRect& logical) const;
    QRect toLogical(const QRect& device) const;

    Configuration configuration_;
    RingLightMetrics metrics_;
    std::optional<RingLightBandImage> band_;
    std::optional<RingLightHoleSprite> hole_;
    std::optional<QPointF> pointer_;
    std::optional<QPointF> holeCenter_;
    QRect holeRect_;
    QRegion pendingDevice_;
    TaskHandle repaintTask_;
    double lastRepaintTime_ = -1e9;
    int bandRenderCount_ = 0;
    int repaintRequestCount_ = 0;
    QRegion lastRepaintRegion_;
};

}  // namespace mirelon
