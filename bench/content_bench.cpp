// SPDX-License-Identifier: GPL-3.0-or-later
// One camera frame through the panel content: a 1920x1080 BGRx source into a
// 400x400 device-pixel camera block (200 points at device pixel ratio 2),
// composed with shadow, border and caption into the panel, as a repaint
// after a new frame does it. Measured with every effect on and with none,
// against a straightforward implementation that does the same per pixel with
// QColor (sampling, each filter step clamped in turn, the superellipse test)
// and draws border, caption and the kept shadow with QPainter.

#include "config/CameraDeviceSettingsStore.h"
#include "panels/content/ColorMatrix.h"
#include "panels/content/ContentView.h"
#include "panels/content/PanelGeometry.h"
#include "panels/content/ShadowRenderer.h"
#include "panels/content/SquircleShape.h"
#include "panels/content/TextView.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/ManualScheduler.h"

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace mirelon {
namespace {

class BenchCamera : public ContentCameraSource {
public:
    QImage frames[2];
    int next = 0;
    CameraModelState state() const override { return {true, true, std::nullopt}; }
    void startCamera() override {}
    void stopCamera() override {}
    VideoFrame latestFrame() const override { return frames[next]; }
    void advance() {
        next ^= 1;
        Q_EMIT frameChanged();
    }
};

QImage sourceFrame(int seed) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[x] = 0xFF000000u | quint32(((x + seed) & 255) << 16) |
                     quint32(((y * 3 + seed) & 255) << 8) | quint32((x ^ y) & 255);
        }
    }
    return image;
}

void applyEverything(CameraDeviceSettingsStore& store, const QString& id) {
    store.updateAppearance(id, &CameraAppearanceSettings::cameraMirroringEnabled, true);
    store.updateAppearance(id, &CameraAppearanceSettings::saturation, 1.5);
    store.updateAppearance(id, &CameraAppearanceSettings::contrast, 1.2);
    store.updateAppearance(id, &CameraAppearanceSettings::brightness, 0.1);
    store.updateAppearance(id, &CameraAppearanceSettings::hueRotation, 30.0);
    store.updateAppearance(id, &CameraAppearanceSettings::colorMultiply,
                           AppSettings::ColorMultiply::purple);
    store.updateAppearance(id, &CameraAppearanceSettings::zoom, 1.3);
    store.updateAppearance(id, &CameraAppearanceSettings::borderThickness, 4.0);
    store.updateAppearance(id, &CameraAppearanceSettings::shadowRadius, 15.0);
    store.updateAppearance(id, &CameraAppearanceSettings::textEnabled, true);
}

void applyNothing(CameraDeviceSettingsStore& store, const QString& id) {
    store.updateAppearance(id, &CameraAppearanceSettings::cameraMirroringEnabled, false);
    store.updateAppearance(id, &CameraAppearanceSettings::shadowRadius, 0.0);
    store.updateAppearance(id, &CameraAppearanceSettings::textEnabled, false);
}

struct Panel {
    QTemporaryDir dir;
    EventBus center;
    std::unique_ptr<PreferencesFile> defaults;
    std::unique_ptr<CameraDeviceSettingsStore> store;
    ScopedManualScheduler clock;
    BenchCamera camera;
    ContentInputState input;
    std::unique_ptr<ContentView> view;
    QImage target;

    explicit Panel(bool everything) {
        defaults = std::make_unique<PreferencesFile>(dir.filePath("defaults.json"), center);
        store = std::make_unique<CameraDeviceSettingsStore>(
            *defaults,
            [] {
                return QList<AvailableCameraDevice>{{"cam", "Camera", true}};
            },
            center);
        everything ? applyEverything(*store, "cam") : applyNothing(*store, "cam");
        camera.frames[0] = sourceFrame(0);
        camera.frames[1] = sourceFrame(77);
        view = std::make_unique<ContentView>("cam", &camera, *store, *defaults, &input, nullptr,
                                             center);
        const double dpr = view->devicePixelRatioF();
        target = QImage(view->size() * dpr, QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(dpr);
    }
    void frame() {
        camera.advance();
        target.fill(Qt::transparent);
        QPainter p(&target);
        view->render(&p);
    }
};

void contentFrame(benchmark::State& state, bool everything) {
    Panel panel(everything);
    panel.frame();  // styles, masks, shadow and caption are made once
    for (auto _ : state) {
        panel.frame();
        benchmark::DoNotOptimize(panel.target.constBits());
    }
    state.counters["block_px"] = panel.view->renderer().block().width();
    state.counters["dpr"] = panel.view->devicePixelRatioF();
}

// ---- the straightforward peer ----

struct NaiveSetup {
    CameraAppearanceSettings appearance = CameraAppearanceSettings::compiledDefault();
    double dpr = 2.0;
    QImage shadow;  // kept, like ours
};

double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

void naiveFrame(const QImage& src, QImage& out, const NaiveSetup& s) {
    const CameraAppearanceSettings& a = s.appearance;
    const QSizeF frame = frameSize(a);
    const int w = int(frame.width() * s.dpr);
    const int h = int(frame.height() * s.dpr);
    QImage picture(w, h, QImage::Format_ARGB32_Premultiplied);
    const double scale = std::max(double(w) / src.width(), double(h) / src.height()) * a.zoom;
    const double n = shapeExponent(a);
    const ColorMatrix sat = ColorMatrix::saturation(a.saturation);
    const ColorMatrix hue = ColorMatrix::hueRotation(a.hueRotation);
    const QColor tint = namedMultiplyColor(a.colorMultiply);
    auto apply = [](const ColorMatrix& m, double& r, double& g, double& b) {
        const double nr = m.m[0][0] * r + m.m[0][1] * g + m.m[0][2] * b;
        const double ng = m.m[1][0] * r + m.m[1][1] * g + m.m[1][2] * b;
        const double nb = m.m[2][0] * r + m.m[2][1] * g + m.m[2][2] * b;
        r = clamp01(nr);
        g = clamp01(ng);
        b = clamp01(nb);
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double nx = (x + 0.5 - w / 2.0) / (w / 2.0);
            const double ny = (y + 0.5 - h / 2.0) / (h / 2.0);
            if (std::pow(std::abs(nx), n) + std::pow(std::abs(ny), n) > 1.0) {
                picture.setPixelColor(x, y, Qt::transparent);
                continue;
            }
            const int xx = a.cameraMirroringEnabled ? w - 1 - x : x;
            const int sx = std::clamp(int((xx + 0.5 - w / 2.0) / scale + src.width() / 2.0), 0,
                                      src.width() - 1);
            const int sy = std::clamp(int((y + 0.5 - h / 2.0) / scale + src.height() / 2.0), 0,
                                      src.height() - 1);
            const QColor c = src.pixelColor(sx, sy);
            double r = c.redF(), g = c.greenF(), b = c.blueF();
            apply(sat, r, g, b);
            r = clamp01((r - 0.5) * a.contrast + 0.5);
            g = clamp01((g - 0.5) * a.contrast + 0.5);
            b = clamp01((b - 0.5) * a.contrast + 0.5);
            r = clamp01(r + a.brightness);
            g = clamp01(g + a.brightness);
            b = clamp01(b + a.brightness);
            apply(hue, r, g, b);
            r *= tint.redF();
            g *= tint.greenF();
            b *= tint.blueF();
            picture.setPixelColor(x, y, QColor::fromRgbF(float(r), float(g), float(b)));
        }
    }
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawImage(0, 0, s.shadow);
    const double pad = contentPadding(a);
    const QRectF frameRect(pad, pad, frame.width(), frame.height());
    p.drawImage(frameRect, picture);
    if (a.borderThickness > 0) {
        QPen pen(QColor(0, 255, 0), a.borderThickness, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        p.strokePath(SquircleShape{n}.path(frameRect), pen);
    }
    if (a.textEnabled) {
        const QFont font = captionFont(a.font, a.fontSize);
        p.setFont(font);
        const QRectF plate(frameRect.center().x() - 40, frameRect.bottom() + 8, 80, 30);
        p.fillPath(continuousRoundedRect(plate, a.backgroundRadius), QColor(0x75, 0x64, 0xe7));
        p.setPen(Qt::white);
        p.drawText(plate, Qt::AlignCenter, a.text);
    }
}

void naivePeer(benchmark::State& state, bool everything) {
    Panel panel(everything);  // for the same appearance record and panel size
    NaiveSetup setup;
    setup.appearance = panel.store->configuration("cam")->appearance;
    setup.dpr = panel.view->devicePixelRatioF();
    setup.shadow = QImage(panel.target.size(), QImage::Format_ARGB32_Premultiplied);
    setup.shadow.fill(QColor(0, 0, 0, 60));
    QImage out(panel.target.size(), QImage::Format_ARGB32_Premultiplied);
    int i = 0;
    for (auto _ : state) {
        naiveFrame(panel.camera.frames[i ^= 1], out, setup);
        benchmark::DoNotOptimize(out.constBits());
    }
}

void BM_Content_AllEffects(benchmark::State& state) {
    contentFrame(state, true);
}
void BM_Content_NoEffects(benchmark::State& state) {
    contentFrame(state, false);
}
void BM_StraightforwardQColor_AllEffects(benchmark::State& state) {
    naivePeer(state, true);
}
void BM_StraightforwardQColor_NoEffects(benchmark::State& state) {
    naivePeer(state, false);
}
BENCHMARK(BM_Content_AllEffects)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Content_NoEffects)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_StraightforwardQColor_AllEffects)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_StraightforwardQColor_NoEffects)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();

}  // namespace
}  // namespace mirelon

int main(int argc, char** argv) {
    // Offscreen, at device pixel ratio 2: a 200-point frame is 400 device pixels.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
        qputenv("QT_SCALE_FACTOR", "2");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
