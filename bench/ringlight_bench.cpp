// SPDX-License-Identifier: GPL-3.0-or-later
// Ring light drawing costs: a full band rebuild (what a settings change costs),
// one pointer-move repaint near an edge, and, as the peer, the same frame drawn
// naively with everything redrawn and re-blurred (QGraphicsBlurEffect).
#include "platform/qt/ManualScheduler.h"
#include "ringlight/RingLightBandImage.h"
#include "ringlight/RingLightOverlayView.h"

#include <QApplication>
#include <QGraphicsBlurEffect>
#include <QGraphicsPathItem>
#include <QGraphicsScene>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <benchmark/benchmark.h>

using namespace mirelon;

namespace {

RingLightOverlayView::Configuration configFor(int w, int h, double width = 44) {
    RingLightOverlayView::Configuration c;
    c.screenFrame = QRectF(0, 0, w, h);
    c.settings = {true, 0.5, width, 0.5};
    return c;
}

// A settings change: the band and glow rendered again and the whole display
// painted into a window-sized buffer.
void BM_FullBandRender(benchmark::State& state) {
    const int w = int(state.range(0));
    const int h = int(state.range(1));
    ScopedManualScheduler clock;
    RingLightOverlayView view(configFor(w, h));
    QImage backing(w, h, QImage::Format_ARGB32_Premultiplied);
    double width = 40;
    for (auto _ : state) {
        width = width == 40 ? 44 : 40;  // a new record each time: no cache hit
        view.setConfiguration(configFor(w, h, width));
        backing.fill(Qt::transparent);
        view.render(&backing, QPoint(), QRegion(0, 0, w, h), {});
        benchmark::DoNotOptimize(backing.constBits());
    }
    state.counters["band_renders"] = view.bandRenderCount();
}
BENCHMARK(BM_FullBandRender)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// The band alone, blurred over the whole display instead of the compact image.
void BM_FullResolutionBlurRender(benchmark::State& state) {
    const int w = int(state.range(0));
    const int h = int(state.range(1));
    const auto m = RingLightMetrics::make({true, 0.5, 44, 0.5}, QSizeF(w, h), 88, 24);
    for (auto _ : state) {
        auto band = RingLightBandImage::render(m, 1.0, false, false);
        benchmark::DoNotOptimize(band.pieces().data());
    }
}
BENCHMARK(BM_FullResolutionBlurRender)
    ->Args({3840, 2160})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// The pointer moving along the top edge: only the old and new hole
// rectangles are painted, from the cached band and hole sprite.
void BM_PointerMoveRepaint(benchmark::State& state) {
    const int w = int(state.range(0));
    const int h = int(state.range(1));
    ScopedManualScheduler clock;
    RingLightOverlayView view(configFor(w, h));
    QImage backing(w, h, QImage::Format_ARGB32_Premultiplied);
    backing.fill(Qt::transparent);
    view.render(&backing, QPoint(), QRegion(0, 0, w, h), {});  // first frame, cache built
    int x = 400;
    qint64 pixels = 0;
    for (auto _ : state) {
        x = x >= w - 400 ? 400 : x + 7;
        view.setPointerLocation(QPointF(x, h - 15));  // y up: 15 points below the top
        clock.scheduler.advance(RingLightOverlayView::kMinimumRepaintInterval);
        const QRegion region = view.lastRepaintRegion();
        view.render(&backing, region.boundingRect().topLeft(), region, {});
        pixels += qint64(region.boundingRect().width()) * region.boundingRect().height();
        benchmark::DoNotOptimize(backing.constBits());
    }
    state.counters["band_renders"] = view.bandRenderCount();
    state.counters["px_per_repaint"] =
        benchmark::Counter(double(pixels), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PointerMoveRepaint)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// The peer: every frame builds the band and glow shapes, blurs them with
// QGraphicsBlurEffect over the whole display, composites them and erases the
// hole (an unblurred gradient disc, so the peer is if anything flattered).
void BM_NaiveFrame(benchmark::State& state) {
    const int w = int(state.range(0));
    const int h = int(state.range(1));
    const auto m = RingLightMetrics::make({true, 0.5, 44, 0.5}, QSizeF(w, h), 88, 24);
    const QColor ring =
        QColor::fromRgbF(float(m.color.red), float(m.color.green), float(m.color.blue));
    QImage backing(w, h, QImage::Format_ARGB32_Premultiplied);
    int x = 400;
    for (auto _ : state) {
        x = x >= w - 400 ? 400 : x + 7;
        QGraphicsScene scene(0, 0, w, h);
        QPainterPath bandPath;
        bandPath.setFillRule(Qt::OddEvenFill);
        bandPath.addRect(0, 0, w, h);
        bandPath.addRoundedRect(m.innerRect, m.innerCornerRadius, m.innerCornerRadius);
        auto* band = scene.addPath(bandPath, Qt::NoPen, ring);
        band->setOpacity(m.bandOpacity);
        auto* bandBlur = new QGraphicsBlurEffect;
        bandBlur->setBlurRadius(m.bandBlurRadius);
        band->setGraphicsEffect(bandBlur);

        QPainterPath innerPath;
        innerPath.addRoundedRect(m.innerRect, m.innerCornerRadius, m.innerCornerRadius);
        QPen pen(ring, m.glowLineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        auto* glow = scene.addPath(innerPath, pen);
        glow->setOpacity(m.glowOpacity);
        auto* glowBlur = new QGraphicsBlurEffect;
        glowBlur->setBlurRadius(m.glowBlurRadius);
        glow->setGraphicsEffect(glowBlur);

        backing.fill(Qt::transparent);
        QPainter p(&backing);
        scene.render(&p, QRectF(0, 0, w, h), QRectF(0, 0, w, h));
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        const QPointF c(x, 15);
        QRadialGradient g(c, m.holeRadius);
        g.setColorAt(0, Qt::black);
        g.setColorAt(1, Qt::transparent);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(c, m.holeRadius, m.holeRadius);
        p.end();
        benchmark::DoNotOptimize(backing.constBits());
    }
}
BENCHMARK(BM_NaiveFrame)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
