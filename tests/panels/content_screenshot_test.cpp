// SPDX-License-Identifier: GPL-3.0-or-later
// Panels composed over light and dark desktops, as a user sees them. With
// MIRELON_CONTENT_SHOTS=<folder> the pictures are also written there as PNGs.

#include "capture/CameraStatusViews.h"
#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "panels/content/ContentView.h"
#include "panels/content/TiltProjection.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/ManualScheduler.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
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
        defaults = std::make_unique<PreferencesFile>(dir.filePath("defaults.json"), center);
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
    EventBus center;
    std::unique_ptr<PreferencesFile> defaults;
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

namespace mirelon {
namespace {

// A status card in one flat colour with one button in its middle.
class FlatCard final : public QWidget {
public:
    FlatCard(std::function<void()> action, QWidget* parent) : QWidget(parent) {
        setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(200, 30, 30));
        setPalette(palette);
        button = new QPushButton(QStringLiteral("Open"), this);
        QObject::connect(button, &QPushButton::clicked, button, std::move(action));
    }
    QPushButton* button;

protected:
    void resizeEvent(QResizeEvent*) override {
        button->setGeometry(
            QRect(QPoint(), QSize(60, 30)).translated(rect().center() - QPoint(30, 15)));
    }
};

TEST_F(ContentScreenshotTest, StatusCardsTurnWithTheTiltedBlock) {
    set(&CameraAppearanceSettings::shadowRadius, 0.0);
    set(&CameraAppearanceSettings::borderThickness, 0.0);
    set(&CameraAppearanceSettings::cameraShape, AppSettings::CameraShape::rectangle);
    set(&CameraAppearanceSettings::cornerRadius, 100.0);
    set(&CameraAppearanceSettings::yAngle, 40.0);  // the right edge tips away
    camera.modelState = {true, false, QStringLiteral("Camera could not be started.")};
    int opened = 0;
    ContentView view("cam", &camera, *store, *defaults, &input, nullptr, center);
    view.setOpenSettings([&] { ++opened; });
    view.setStatusCardFactory(
        [](StatusCard, double, const QString&, std::function<void()> action,
           QWidget* parent) -> QWidget* { return new FlatCard(std::move(action), parent); });
    const QColor desktop(235, 235, 240);
    const QImage panel = view.grab().toImage();
    QImage out(panel.size(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(panel.devicePixelRatio());
    out.fill(desktop);
    QPainter(&out).drawImage(QPointF(0, 0), panel);
    const QByteArray folder = qgetenv("MIRELON_CONTENT_SHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(folder));
        out.save(QDir(QString::fromLocal8Bit(folder)).filePath("card-tilted.png"));
    }
    const QRectF upright = view.cameraFrameRect();
    const QPolygonF outline = view.cameraOutline();
    const QRectF tilted = outline.boundingRect();
    const QColor card(200, 30, 30);
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
               std::abs(a.blue() - b.blue()) < 12;
    };
    // The tipped-away right edge is nearer the middle: the upright frame's
    // right strip is desktop, the card stays inside the turned outline.
    ASSERT_LT(tilted.right(), upright.right() - 20);
    const QPointF rightStrip(upright.right() - 8, upright.center().y());
    EXPECT_TRUE(near(at(out, rightStrip), desktop)) << at(out, rightStrip).name().toStdString();
    // The near (left) edge grows past the upright frame, and the card with it.
    ASSERT_LT(tilted.left(), upright.left() - 6);
    const QPointF leftGrowth(upright.left() - 4, upright.center().y());
    EXPECT_TRUE(near(at(out, leftGrowth), card)) << at(out, leftGrowth).name().toStdString();
    // Above the top edge near the right, outside the outline: desktop.
    const QPointF aboveRight(tilted.right() - 6, upright.top() + 4);
    ASSERT_FALSE(outline.containsPoint(aboveRight, Qt::OddEvenFill));
    EXPECT_TRUE(near(at(out, aboveRight), desktop)) << at(out, aboveRight).name().toStdString();

    // The program's own card, the same way.
    set(&CameraAppearanceSettings::borderThickness, 4.0);
    const QImage real = shoot(QStringLiteral("card-unavailable-tilted"), desktop);
    EXPECT_TRUE(near(at(real, rightStrip), desktop)) << at(real, rightStrip).name().toStdString();
    EXPECT_FALSE(near(at(real, leftGrowth), desktop));

    // The card's button is where it is drawn: a click there opens the settings.
    const QTransform tilt = tiltTransform(upright, 0, 40, 0);
    ASSERT_EQ(tilt.map(upright.topRight()), outline[1]);
    const QPointF buttonCentre = tilt.map(upright.center());
    QMouseEvent press(QEvent::MouseButtonPress, buttonCentre, view.mapToGlobal(buttonCentre),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    EXPECT_TRUE(press.isAccepted());
    QMouseEvent release(QEvent::MouseButtonRelease, buttonCentre, view.mapToGlobal(buttonCentre),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &release);
    EXPECT_EQ(opened, 1);
    // Outside the button, a press is left to the window (a drag).
    const QPointF corner = tilt.map(upright.topLeft() + QPointF(12, 12));
    QMouseEvent elsewhere(QEvent::MouseButtonPress, corner, view.mapToGlobal(corner),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &elsewhere);
    EXPECT_FALSE(elsewhere.isAccepted());
}

}  // namespace
}  // namespace mirelon
