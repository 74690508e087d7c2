// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FloatingWindow.h"
#include "platform/MoveMode.h"
#include "platform/PlatformLoader.h"
#include "platform/qt/ManualScheduler.h"
#include "platform/wayland/OverlayGeometry.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

namespace mirelon {
namespace {

using OverlayGeometry::OutputRect;

const QList<OutputRect> twoOutputs = {{"HEADLESS-1", QRect(0, 0, 1280, 720)},
                                      {"HEADLESS-2", QRect(1280, 0, 1024, 768)}};

TEST(OverlayPlacement, APanelBelongsToTheOutputHoldingItsCentre) {
    // Straddling the edge: the centre decides.
    EXPECT_EQ(OverlayGeometry::outputFor(QRect(1150, 100, 300, 300), twoOutputs)->name,
              "HEADLESS-2");
    EXPECT_EQ(OverlayGeometry::outputFor(QRect(1000, 100, 300, 300), twoOutputs)->name,
              "HEADLESS-1");
    // Below the shorter output (y 730 exists only on the taller one's side):
    // the nearest output by centre takes it.
    EXPECT_EQ(OverlayGeometry::outputFor(QRect(100, 700, 100, 80), twoOutputs)->name, "HEADLESS-1");
    EXPECT_FALSE(OverlayGeometry::outputFor(QRect(0, 0, 10, 10), {}).has_value());
}

TEST(OverlayPlacement, MarginsAreTheFrameRelativeToItsOutput) {
    const QMargins m =
        OverlayGeometry::panelMargins(QRect(1400, 50, 200, 200), twoOutputs[1].logical);
    EXPECT_EQ(m.left(), 120);
    EXPECT_EQ(m.top(), 50);
    // Partly off the output to the left: a negative margin, not a clamp.
    EXPECT_EQ(OverlayGeometry::panelMargins(QRect(-30, 10, 200, 200), twoOutputs[0].logical).left(),
              -30);
}

QImage canvas(QSize size = QSize(64, 48)) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

TEST(OverlayDamage, OnlyTheChangedPixelsAreDamaged) {
    QImage a = canvas();
    QImage b = a.copy();
    EXPECT_TRUE(OverlayGeometry::changedRect(a, b).isEmpty());  // equal: nothing to commit
    b.setPixel(10, 5, qRgba(255, 0, 0, 255));
    b.setPixel(40, 30, qRgba(0, 0, 255, 255));
    EXPECT_EQ(OverlayGeometry::changedRect(a, b), QRect(QPoint(10, 5), QPoint(40, 30)));
    // A change in the last column and row is found too.
    QImage c = a.copy();
    c.setPixel(63, 47, qRgba(1, 1, 1, 255));
    EXPECT_EQ(OverlayGeometry::changedRect(a, c), QRect(63, 47, 1, 1));
}

TEST(OverlayDamage, IncomparableFramesAreDamagedWhole) {
    const QImage next = canvas();
    EXPECT_EQ(OverlayGeometry::changedRect(QImage(), next), next.rect());
    EXPECT_EQ(OverlayGeometry::changedRect(canvas(QSize(10, 10)), next), next.rect());
    EXPECT_EQ(OverlayGeometry::changedRect(next.convertToFormat(QImage::Format_RGB16), next),
              next.rect());
    EXPECT_TRUE(OverlayGeometry::changedRect(next, QImage()).isEmpty());
}

TEST(OverlayDamage, OnlyTheChangedRowsOfTheAskedRegionAreDamaged) {
    const QImage a = canvas();
    QImage b = a.copy();
    const QRegion asked(4, 4, 20, 20);
    EXPECT_TRUE(OverlayGeometry::changedRows(a, b, asked).isEmpty());
    // The rows from the first to the last change, as wide as asked.
    b.setPixel(10, 8, qRgba(255, 0, 0, 255));
    b.setPixel(20, 15, qRgba(255, 0, 0, 255));
    // Outside what was asked: not looked at.
    b.setPixel(60, 2, qRgba(0, 255, 0, 255));
    EXPECT_EQ(OverlayGeometry::changedRows(a, b, asked), QRegion(4, 8, 20, 8));
    // The first and the last row count too.
    b.setPixel(4, 4, qRgba(0, 0, 255, 255));
    b.setPixel(23, 23, qRgba(0, 0, 255, 255));
    EXPECT_EQ(OverlayGeometry::changedRows(a, b, asked), asked);
    // Frames that cannot be compared: all that was asked, within the frame.
    EXPECT_EQ(OverlayGeometry::changedRows(canvas(QSize(8, 8)), b, asked), asked);
    EXPECT_EQ(OverlayGeometry::changedRows(canvas(QSize(8, 8)), b, QRegion(50, 40, 30, 30)),
              QRegion(50, 40, 14, 8));
}

TEST(OverlayDamage, ARegionOfManyRectanglesIsDamagedOnlyWhereItChanged) {
    const QImage a = canvas();
    QImage b = a.copy();
    const QRegion asked = QRegion(4, 4, 20, 20) + QRegion(40, 10, 10, 30);
    b.setPixel(10, 8, qRgba(255, 0, 0, 255));
    b.setPixel(45, 30, qRgba(255, 0, 0, 255));
    b.setPixel(60, 2, qRgba(0, 255, 0, 255));  // not asked
    const QRegion changed = OverlayGeometry::changedRows(a, b, asked);
    EXPECT_TRUE(changed.contains(QPoint(10, 8)));
    EXPECT_TRUE(changed.contains(QPoint(45, 30)));
    EXPECT_TRUE((changed - asked).isEmpty());
    // Rows without a change are left out.
    EXPECT_FALSE(changed.contains(QPoint(10, 20)));
    EXPECT_FALSE(changed.contains(QPoint(45, 12)));
}

TEST(OverlayDamage, ABufferCatchesUpByCopyingAndClearingOnlyItsRegion) {
    QImage shown = canvas();
    shown.fill(qRgba(10, 20, 30, 255));
    QImage lagging = canvas();
    lagging.fill(qRgba(200, 0, 0, 255));
    OverlayGeometry::copyPixels(shown, lagging, QRegion(0, 0, 64, 10) + QRegion(60, 40, 10, 10));
    EXPECT_EQ(lagging.pixel(63, 9), qRgba(10, 20, 30, 255));
    EXPECT_EQ(lagging.pixel(63, 47), qRgba(10, 20, 30, 255));
    EXPECT_EQ(lagging.pixel(0, 10), qRgba(200, 0, 0, 255));
    EXPECT_EQ(lagging.pixel(59, 47), qRgba(200, 0, 0, 255));
    OverlayGeometry::clearPixels(lagging, QRegion(2, 20, 3, 2) + QRegion(62, 46, 9, 9));
    EXPECT_EQ(lagging.pixel(2, 20), 0u);
    EXPECT_EQ(lagging.pixel(4, 21), 0u);
    EXPECT_EQ(lagging.pixel(5, 21), qRgba(200, 0, 0, 255));
    EXPECT_EQ(lagging.pixel(1, 20), qRgba(200, 0, 0, 255));
    EXPECT_EQ(lagging.pixel(63, 47), 0u);
    EXPECT_EQ(lagging.pixel(61, 47), qRgba(10, 20, 30, 255));
    // Images of another size are left alone.
    QImage small = canvas(QSize(4, 4));
    OverlayGeometry::copyPixels(shown, small, QRegion(0, 0, 4, 4));
    EXPECT_EQ(small.pixel(0, 0), 0u);
}

TEST(OverlayDamage, PictureBoundsLeaveTheSoftShadowOut) {
    QImage image = canvas(QSize(100, 80));
    QPainter p(&image);
    p.fillRect(QRect(0, 0, 100, 80), QColor(0, 0, 0, 60));  // shadow all round
    p.fillRect(QRect(20, 10, 50, 40), Qt::red);             // the picture
    p.end();
    EXPECT_EQ(OverlayGeometry::opaqueBounds(image), QRect(20, 10, 50, 40));
    EXPECT_TRUE(OverlayGeometry::opaqueBounds(canvas()).isEmpty());
}

TEST(OverlayScale, FractionalBuffersAreTheLogicalSizeTimesTheScaleRounded) {
    // 120ths: 180 = 1.5, 150 = 1.25, 120 = 1.
    EXPECT_EQ(OverlayGeometry::scaledBufferSize(QSize(300, 301), 180), QSize(450, 452));
    EXPECT_EQ(OverlayGeometry::scaledBufferSize(QSize(1280, 720), 150), QSize(1600, 900));
    EXPECT_EQ(OverlayGeometry::scaledBufferSize(QSize(1, 3), 150), QSize(1, 4));  // 3.75 rounds up
    EXPECT_EQ(OverlayGeometry::scaledBufferSize(QSize(2, 2), 150), QSize(3, 3));  // 2.5: half away
    EXPECT_EQ(OverlayGeometry::scaledBufferSize(QSize(333, 77), 120), QSize(333, 77));
    EXPECT_EQ(OverlayGeometry::scaledBufferSize(QSize(0, 10), 180), QSize(1, 15));
    EXPECT_EQ(OverlayGeometry::scaledBufferSize(QSize(100, 100), 0), QSize(1, 1));
}

TEST(OverlayScale, LogicalRegionsBecomeTheBufferPixelsTheyTouch) {
    const QRegion logical = QRegion(10, 5, 20, 10) + QRegion(0, 30, 3, 3);
    EXPECT_EQ(OverlayGeometry::scaledRegion(logical, 1), logical);
    EXPECT_EQ(OverlayGeometry::scaledRegion(logical, 2),
              QRegion(20, 10, 40, 20) + QRegion(0, 60, 6, 6));
    // Fractional: rounded outwards and grown by a pixel, kept in the image.
    EXPECT_EQ(OverlayGeometry::coveredPixels(QRegion(10, 5, 20, 10), 1.25, QSize(100, 100)),
              QRegion(11, 5, 28, 15));
    EXPECT_EQ(OverlayGeometry::coveredPixels(QRegion(0, 0, 4, 4), 1.5, QSize(5, 5)),
              QRegion(0, 0, 5, 5));
}

TEST(OverlayScale, BufferPixelsMapBackToTheLogicalPixelsTheyCover) {
    EXPECT_EQ(OverlayGeometry::logicalRect(QRect(30, 15, 450, 300), 1.5), QRect(20, 10, 300, 200));
    // A ragged edge keeps to whole logical pixels inside it.
    EXPECT_EQ(OverlayGeometry::logicalRect(QRect(31, 15, 449, 301), 1.5), QRect(21, 10, 299, 200));
    EXPECT_EQ(OverlayGeometry::logicalRect(QRect(20, 10, 100, 50), 2.0), QRect(10, 5, 50, 25));
    EXPECT_EQ(OverlayGeometry::logicalRect(QRect(7, 7, 9, 9), 1.0), QRect(7, 7, 9, 9));
    EXPECT_TRUE(OverlayGeometry::logicalRect(QRect(1, 1, 1, 1), 1.5).isEmpty());
    EXPECT_TRUE(OverlayGeometry::logicalRect(QRect(), 1.5).isEmpty());
}

TEST(MoveMode, EndsAfterThirtySecondsWithoutADrag) {
    ScopedManualScheduler clock;
    MoveMode mode(true);
    std::vector<bool> changes;
    QObject::connect(&mode, &MoveMode::activeChanged, [&](bool on) { changes.push_back(on); });
    mode.setActive(true);
    clock.scheduler.advance(20);
    mode.noteDrag();  // the period starts again
    clock.scheduler.advance(29);
    EXPECT_TRUE(mode.isActive());
    clock.scheduler.advance(1.5);
    EXPECT_FALSE(mode.isActive());
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
}

TEST(MoveMode, TogglesOffByTheSameSwitchAndCancelsItsTimer) {
    ScopedManualScheduler clock;
    MoveMode mode(true);
    mode.toggle();
    EXPECT_TRUE(mode.isActive());
    mode.toggle();
    EXPECT_FALSE(mode.isActive());
    EXPECT_EQ(clock.scheduler.pendingCount(), 0u);
    // A drag while off does not start a period.
    mode.noteDrag();
    EXPECT_EQ(clock.scheduler.pendingCount(), 0u);
}

TEST(MoveMode, SessionsWithTheSuperDragHaveNone) {
    ScopedManualScheduler clock;
    MoveMode mode(false);
    int changes = 0;
    QObject::connect(&mode, &MoveMode::activeChanged, [&] { ++changes; });
    mode.toggle();
    EXPECT_FALSE(mode.isActive());
    EXPECT_EQ(changes, 0);
}

TEST(DisplaySession, EveryModeDescribesItselfAndNativeModeHidesNoPointer) {
    const DisplayMode saved = DisplaySession::mode();
    PlatformLoader::setModeForTesting(DisplayMode::WaylandNative);
    EXPECT_FALSE(FloatingWindow::canFollowPointer());
    EXPECT_TRUE(DisplaySession::describe(DisplayMode::WaylandNative).contains("moveCameraPanels"));
    PlatformLoader::setModeForTesting(DisplayMode::XWayland);
    EXPECT_TRUE(FloatingWindow::canFollowPointer());
    EXPECT_TRUE(DisplaySession::describe(DisplayMode::XWayland).contains("XWayland"));
    PlatformLoader::setModeForTesting(saved);
}

// Sets environment variables for one scope and puts the old values back.
class ScopedEnv {
public:
    void set(const char* name, const QByteArray& value) {
        remember(name);
        qputenv(name, value);
    }
    void unset(const char* name) {
        remember(name);
        qunsetenv(name);
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                qputenv(name, *value);
            } else {
                qunsetenv(name);
            }
        }
        PlatformLoader::setModeForTesting(DisplayMode::X11);
    }

private:
    void remember(const char* name) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                      ? std::optional<QByteArray>(qgetenv(name))
                                      : std::nullopt);
    }
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

TEST(DisplaySession, DetectsTheModeFromTheSessionAndTheForcedBackend) {
    ScopedEnv env;
    env.set("QT_QPA_PLATFORM", "offscreen");  // the user's choice is kept
    env.unset("MIRELON_DISPLAY_BACKEND");
    env.unset("WAYLAND_DISPLAY");
    EXPECT_EQ(PlatformLoader::detectDisplay(), DisplayMode::X11);
    // A Wayland session whose compositor cannot be reached offers no layer
    // shell: the X11 code through XWayland, without a crash or a hang.
    env.set("WAYLAND_DISPLAY", "mirelon-no-such-compositor");
    EXPECT_EQ(PlatformLoader::detectDisplay(), DisplayMode::XWayland);
    // Forcing native mode where the compositor offers no layer shell would
    // show nothing: it runs through XWayland all the same (and says so).
    env.set("MIRELON_DISPLAY_BACKEND", "wayland");
    EXPECT_EQ(PlatformLoader::detectDisplay(), DisplayMode::XWayland);
    EXPECT_EQ(DisplaySession::mode(), DisplayMode::XWayland);
    env.set("MIRELON_DISPLAY_BACKEND", " X11 ");
    EXPECT_EQ(PlatformLoader::detectDisplay(), DisplayMode::XWayland);
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "offscreen");
}

}  // namespace
}  // namespace mirelon
