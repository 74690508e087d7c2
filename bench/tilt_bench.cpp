// SPDX-License-Identifier: GPL-3.0-or-later
// One tilted camera block per frame: a 1280x720 source into a 200-point
// frame at device pixel ratio 2 (400 device pixels), border and colour
// steps on, tilted 20/-25/10 degrees, drawn into a panel-sized image.
//
//   PaintedTilt: the flat block rendered, then drawn through the painter's
//                perspective transform (smooth), as the panel used to.
//   MappedTilt:  the renderer maps every tilted pixel to the source once
//                per geometry and samples it directly; drawn untransformed.

#include "panels/content/ColorMatrix.h"
#include "panels/content/PictureRenderer.h"
#include "panels/content/TiltProjection.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace mirelon {
namespace {

QImage sourceFrame(int seed) {
    QImage image(1280, 720, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[x] = 0xFF000000u | quint32(((x + seed) & 255) << 16) |
                     quint32(((y * 3 + seed) & 255) << 8) | quint32((x ^ y) & 255);
        }
    }
    return image;
}

constexpr double xAngle = 20, yAngle = -25, zAngle = 10;
const QRectF visible(-75, -75, 350, 350);

PictureStyle flatStyle() {
    auto a = CameraAppearanceSettings::compiledDefault();
    a.saturation = 1.5;
    a.contrast = 1.2;
    a.hueRotation = 30;
    PictureStyle s;
    s.frameSize = QSizeF(200, 200);
    s.devicePixelRatio = 2.0;
    s.zoom = 1.3;
    s.mirrored = true;
    s.borderThickness = 4;
    s.color = ColorMatrix::forAppearance(a);
    return s;
}

QImage target() {
    QImage image((visible.size() * 2).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    return image;
}

void BM_PaintedTilt(benchmark::State& state) {
    const QImage frames[2] = {sourceFrame(0), sourceFrame(77)};
    PictureRenderer r;
    r.setStyle(flatStyle());
    QImage out = target();
    const QTransform tilt = tiltTransform(QRectF(0, 0, 200, 200), xAngle, yAngle, zAngle);
    int i = 0;
    for (auto _ : state) {
        r.render(frames[i ^= 1]);
        out.fill(Qt::transparent);
        QPainter p(&out);
        p.translate(-visible.topLeft());
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setRenderHint(QPainter::Antialiasing);
        p.setTransform(tilt, true);
        p.drawImage(r.blockRect(), r.block());
        p.end();
        benchmark::DoNotOptimize(out.constBits());
    }
}

void BM_MappedTilt(benchmark::State& state) {
    const QImage frames[2] = {sourceFrame(0), sourceFrame(77)};
    PictureStyle s = flatStyle();
    s.xAngle = xAngle;
    s.yAngle = yAngle;
    s.zAngle = zAngle;
    s.visibleArea = visible;
    PictureRenderer r;
    r.setStyle(s);
    QImage out = target();
    int i = 0;
    for (auto _ : state) {
        r.render(frames[i ^= 1]);
        out.fill(Qt::transparent);
        QPainter p(&out);
        p.translate(-visible.topLeft());
        p.drawImage(r.blockRect(), r.block());
        p.end();
        benchmark::DoNotOptimize(out.constBits());
    }
}

// What a geometry change costs (angles, size, zoom, screen scale).
void BM_MappedTiltGeometryChange(benchmark::State& state) {
    const QImage frame = sourceFrame(0);
    PictureStyle s = flatStyle();
    s.xAngle = xAngle;
    s.yAngle = yAngle;
    s.visibleArea = visible;
    PictureRenderer r;
    int i = 0;
    for (auto _ : state) {
        s.zAngle = zAngle + (i ^= 1);
        r.setStyle(s);
        r.render(frame);
        benchmark::DoNotOptimize(r.block().constBits());
    }
}

BENCHMARK(BM_PaintedTilt)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_MappedTilt)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_MappedTiltGeometryChange)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace mirelon

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
