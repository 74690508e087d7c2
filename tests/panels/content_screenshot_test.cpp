// Panels composed over light and dark desktops, as a user sees them. With
// MIRELON_CONTENT_SHOTS=<folder> the pictures are also written there as PNGs.

#include "capture/CameraStatusViews.h"
#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "panels/content/ContentView.h"
#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace mirelon {
namespace {

// The pixel at a point in the panel's own coordinates, whatever the device
// pixel ratio of the picture.
QColor at(const QImage& image, QPointF point) {
    return image.pixelColor((point * image.devicePixelRatio()).toPoint());
}

class StillCamera : public ContentCameraSource {
public:
    QImage frame;
    CameraModelState modelState{true, true, std::nullopt};
    CameraModelState state() const override { return modelState; }
    void startCamera() override {}
    void stopCamera() override {}
    VideoFrame latestFrame() const override { return frame; }
};

// A 16:9 test picture: colour bars on top, a grey ramp below, and a large
// "F" on the left so that mirroring shows.
QImage testPicture() {
    QImage image(640, 360, QImage::Format_RGB32);
    QPainter p(&image);
    const QColor bars[] = {Qt::white,   Qt::yellow, Qt::cyan, Qt::green,
                           Qt::magenta, Qt::red,    Qt::blue, Qt::black};
    for (int i = 0; i < 8; ++i) {
        p.fillRect(i * 80, 0, 80, 240, bars[i]);
    }
    for (int x = 0; x < 640; ++x) {
        p.fillRect(x, 240, 1, 120, QColor::fromHsv(0, 0, x * 255 / 639));
    }
    p.fillRect(140, 60, 30, 160, QColor(20, 20, 20));
    p.fillRect(140, 60, 100, 30, QColor(20, 20, 20));
    p.fillRect(140, 125, 70, 28, QColor(20, 20, 20));
    return image;
}

class ContentScreenshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        defaults = std::make_unique<UserDefaults>(dir.filePath("defaults.json"), center);
        store = std::make_unique<CameraDeviceSettingsStore>(
            *defaults,
            [] {
                return QList<AvailableCameraDevice>{{"cam", "Desk Camera", true}};
            },
            center);
        camera.frame = testPicture();
    }

    // The panel over a plain desktop colour.
    QImage shoot(const QString& name, QColor desktop) {
        ContentView view("cam", &camera, *store, *defaults, &input, nullptr, center);
        view.setStatusCardFactory([](StatusCard card, double size, const QString& cameraName,
                                     std::function<void()> action, QWidget* parent) -> QWidget* {
            if (card == StatusCard::unavailable) {
                return new CameraUnavailableView(size, cameraName, std::move(action), parent);
            }
            return new CameraPermissionView(size, std::move(action), parent);
        });
        const QImage panel = view.grab().toImage();
        QImage out(panel.size(), QImage::Format_ARGB32_Premultiplied);
        out.setDevicePixelRatio(panel.devicePixelRatio());
        out.fill(desktop);
        QPainter(&out).drawImage(QPointF(0, 0), panel);
        frame = view.cameraFrameRect();
        text = view.textRect();
        const QByteArray folder = qgetenv("MIRELON_CONTENT_SHOTS");
        if (!folder.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(folder));
            out.save(QDir(QString::fromLocal8Bit(folder)).filePath(name + ".png"));
        }
        return out;
    }
    template <typename T>
    void set(T CameraAppearanceSettings::*field, T value) {
        store->updateAppearance("cam", field, value);
    }

    QTemporaryDir dir;
    NotificationCenter center;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<CameraDeviceSettingsStore> store;
    ScopedManualScheduler clock;
    StillCamera camera;
    ContentInputState input;
    QRectF frame;
    QRectF text;
};

TEST_F(ContentScreenshotTest, ShapesWithBorderAndCaption) {
    set(&CameraAppearanceSettings::textEnabled, true);
    set(&CameraAppearanceSettings::borderThickness, 4.0);
    set(&CameraAppearanceSettings::borderColor, QStringLiteral("#ffffffff"));
    set(&CameraAppearanceSettings::aspectRatio, AppSettings::AspectRatio::sixteenbynine);
    for (auto shape : AppSettings::allCases<AppSettings::CameraShape>()) {
        set(&CameraAppearanceSettings::cameraShape, shape);
        set(&CameraAppearanceSettings::cornerRadius, 12.0);
        const QString raw = AppSettings::rawValue(shape);
        for (const auto& [bg, desktop] :
             {std::pair{"light", QColor(235, 235, 240)}, std::pair{"dark", QColor(30, 32, 40)}}) {
            const QImage shot = shoot(QStringLiteral("shape-%1-%2").arg(raw, bg), desktop);
            // The desktop shows in the far corner of the padding.
            EXPECT_EQ(at(shot, QPointF(1, 1)), desktop) << raw.toStdString();
            // The border is white on the outline's right midpoint.
            const QPoint right(int(frame.right() - 1), int(frame.center().y()));
            EXPECT_GT(at(shot, right).lightness(), 240) << raw.toStdString();
            // The caption plate (default purple) sits below the frame.
            const QColor plate = at(shot, QPoint(int(text.left() + 3), int(text.center().y())));
            EXPECT_GT(plate.blue(), plate.green() + 40) << raw.toStdString();
        }
    }
}

TEST_F(ContentScreenshotTest, ShadowDarkensTheDesktopAroundTheFrame) {
    const QImage shot = shoot(QStringLiteral("shadow-light"), QColor(240, 240, 240));
    const QPoint below(int(frame.center().x()), int(frame.bottom() + 4));
    EXPECT_LT(at(shot, below).lightness(), 200);
    set(&CameraAppearanceSettings::shadowRadius, 0.0);
    const QImage flat = shoot(QStringLiteral("noshadow-light"), QColor(240, 240, 240));
    EXPECT_GT(at(flat, below).lightness(), 235);
}

TEST_F(ContentScreenshotTest, FiltersMirroringZoomAndTilt) {
    set(&CameraAppearanceSettings::aspectRatio, AppSettings::AspectRatio::fourbythree);
    set(&CameraAppearanceSettings::cameraMirroringEnabled, false);
    const QImage plain = shoot(QStringLiteral("plain"), QColor(235, 235, 240));
    set(&CameraAppearanceSettings::cameraMirroringEnabled, true);
    const QImage mirrored = shoot(QStringLiteral("mirrored"), QColor(235, 235, 240));
    // The dark "F" on the left (the 4:3 frame shows the picture's middle
    // 480 columns) moves to the right; the blue bar takes its place.
    auto point = [&](double fx, double fy) {
        return QPoint(int(frame.left() + fx * frame.width()),
                      int(frame.top() + fy * frame.height()));
    };
    EXPECT_LT(at(plain, point(0.156, 0.4)).lightness(), 40);
    EXPECT_GT(at(mirrored, point(0.156, 0.4)).lightness(), 90);
    EXPECT_LT(at(mirrored, point(1 - 0.156, 0.4)).lightness(), 40);

    set(&CameraAppearanceSettings::zoom, 2.0);
    shoot(QStringLiteral("mirrored-zoom2"), QColor(30, 32, 40));
    set(&CameraAppearanceSettings::zoom, 1.0);
    set(&CameraAppearanceSettings::saturation, 0.0);
    const QImage grey = shoot(QStringLiteral("saturation0"), QColor(235, 235, 240));
    const QColor g = at(grey, frame.center().toPoint());
    EXPECT_NEAR(g.red(), g.green(), 2);
    EXPECT_NEAR(g.green(), g.blue(), 2);
    set(&CameraAppearanceSettings::saturation, 1.5);
    set(&CameraAppearanceSettings::hueRotation, 90.0);
    set(&CameraAppearanceSettings::colorMultiply, AppSettings::ColorMultiply::yellow);
    shoot(QStringLiteral("filters"), QColor(235, 235, 240));

    set(&CameraAppearanceSettings::saturation, 1.0);
    set(&CameraAppearanceSettings::hueRotation, 0.0);
    set(&CameraAppearanceSettings::colorMultiply, AppSettings::ColorMultiply::white);
    set(&CameraAppearanceSettings::borderThickness, 3.0);
    set(&CameraAppearanceSettings::xAngle, 10.0);
    set(&CameraAppearanceSettings::yAngle, -10.0);
    set(&CameraAppearanceSettings::zAngle, 5.0);
    set(&CameraAppearanceSettings::textEnabled, true);
    const QImage tilted = shoot(QStringLiteral("tilt"), QColor(30, 32, 40));
    EXPECT_EQ(frame.top(), 65);  // 55 plus the largest angle
    // The tilted block still covers its centre and leaves the padding corner alone.
    EXPECT_NE(at(tilted, frame.center().toPoint()), QColor(30, 32, 40));
    EXPECT_EQ(at(tilted, QPointF(2, 2)), QColor(30, 32, 40));
}

TEST_F(ContentScreenshotTest, MoveHintOverTheFadedPicture) {
    set(&CameraAppearanceSettings::textEnabled, true);
    ContentView view("cam", &camera, *store, *defaults, &input, nullptr, center);
    input.setPointerPosition(view.cameraFrameRect().center());
    clock.scheduler.advance(0.3);
    ASSERT_TRUE(view.derived().hintShown);
    const QImage panel = view.grab().toImage();
    QImage out(panel.size(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(panel.devicePixelRatio());
    out.fill(QColor(30, 32, 40));
    QPainter(&out).drawImage(QPointF(0, 0), panel);
    const QByteArray folder = qgetenv("MIRELON_CONTENT_SHOTS");
    if (!folder.isEmpty()) {
        out.save(QDir(QString::fromLocal8Bit(folder)).filePath("hint.png"));
    }
    // White hint text over the picture faded to 0.3 on a dark desktop.
    int bright = 0;
    const QRect r = view.cameraFrameRect().toAlignedRect();
    for (int y = r.top(); y < r.bottom(); ++y) {
        for (int x = r.left(); x < r.right(); ++x) {
            bright += at(out, QPoint(x, y)).lightness() > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(bright, 50);
}

TEST_F(ContentScreenshotTest, ShimmerSweepsBeforeTheFirstFrame) {
    camera.frame = QImage();  // running, but no picture yet
    ContentView view("cam", &camera, *store, *defaults, &input, nullptr, center);
    EXPECT_TRUE(view.derived().shimmerShown);
    clock.scheduler.advance(0.35);  // faded in
    EXPECT_DOUBLE_EQ(view.shimmerOpacity(), 1.0);
    const QPoint probe = view.cameraFrameRect().center().toPoint();
    const QImage a = view.grab().toImage();
    clock.scheduler.advance(0.25);
    const QImage b = view.grab().toImage();
    const QColor ca = at(a, probe);
    const QColor cb = at(b, probe);
    EXPECT_GT(ca.alpha(), 60);  // the placeholder is there, translucent
    EXPECT_LT(ca.alpha(), 200);
    EXPECT_NE(ca, cb);  // and the band moves
    // Hovering removes it (a faded picture shows the desktop, not the shimmer).
    input.setPointerPosition(view.cameraFrameRect().center());
    EXPECT_FALSE(view.derived().shimmerShown);
    clock.scheduler.advance(0.35);
    EXPECT_EQ(view.shimmerOpacity(), 0.0);
}

TEST_F(ContentScreenshotTest, StatusCardsSitInsideTheShape) {
    set(&CameraAppearanceSettings::borderThickness, 3.0);
    camera.modelState = {true, false, QStringLiteral("Camera could not be started.")};
    const QImage unavailable = shoot(QStringLiteral("card-unavailable"), QColor(235, 235, 240));
    // The card covers the frame, inside the outline: the padding stays clear.
    EXPECT_NE(at(unavailable, frame.center().toPoint()), QColor(235, 235, 240));
    const QColor corner = at(unavailable, QPoint(int(frame.left() + 3), int(frame.top() + 3)));
    EXPECT_NEAR(corner.red(), 235, 4);  // only the faint edge of the shadow
    EXPECT_NEAR(corner.blue(), 240, 4);
    camera.modelState = {false, false, std::nullopt};
    set(&CameraAppearanceSettings::cameraSize, 1.5);
    shoot(QStringLiteral("card-permission"), QColor(30, 32, 40));
}

}  // namespace
}  // namespace mirelon
