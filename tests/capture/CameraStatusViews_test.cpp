// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraStatusViews.h"
#include "capture/CameraAccessHelp.h"
#include "platform/files/CameraAccessDiagnosis.h"
#include "platform/files/CameraPermission.h"
#include "platform/qt/IconRegistry.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

QString screenshotDir() {
    const QString base = qEnvironmentVariable("MIRELON_BUILD_DIR", QDir::tempPath());
    const QString dir = base + QStringLiteral("/screenshots/capture");
    QDir().mkpath(dir);
    return dir;
}

// Counts pixels close to a colour.
int countNear(const QImage& image, const QColor& color, int tolerance = 40) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) + std::abs(c.green() - color.green()) +
                    std::abs(c.blue() - color.blue()) <
                tolerance) {
                ++n;
            }
        }
    }
    return n;
}

// The card as a translucent panel shows it: over nothing.
QImage renderOverTransparency(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST(CameraStatusViewsTest, CardsScaleWithSize) {
    CameraUnavailableView half(0.5, "Desk Camera", {});
    EXPECT_DOUBLE_EQ(half.symbolPointSize(), 13);
    EXPECT_DOUBLE_EQ(half.buttonCornerRadius(), 10);
    CameraUnavailableView twice(2.0, "Desk Camera", {});
    EXPECT_DOUBLE_EQ(twice.symbolPointSize(), 52);
    EXPECT_EQ(twice.message(), "Desk Camera is unavailable.");
    EXPECT_EQ(twice.buttonLabel(), "Open camera settings");
    EXPECT_EQ(twice.symbolName(), "video.slash.fill");
    // The laid-out content grows with the size.
    EXPECT_GT(twice.sizeHint().width(), half.sizeHint().width() * 2);
    EXPECT_GT(twice.button()->sizeHint().height(), half.button()->sizeHint().height() * 3);

    CameraPermissionView permission(1.0, {});
    EXPECT_EQ(permission.message(), "Camera permission is not granted.");
    EXPECT_EQ(permission.buttonLabel(), "Grant access");
    EXPECT_EQ(permission.symbolName(), "exclamationmark.triangle.fill");
}

TEST(CameraStatusViewsTest, ButtonRunsTheActionAndTheCardIsDrawn) {
    int opened = 0;
    CameraPermissionView card(1.0, [&] { ++opened; });
    card.resize(240, 240);
    card.show();
    card.button()->click();
    EXPECT_EQ(opened, 1);

    for (const double size : {0.5, 1.0, 2.0}) {
        const int side = static_cast<int>(240 * size);
        CameraPermissionView p(size, {});
        p.resize(side, side);
        CameraUnavailableView u(size, "Desk Camera", {});
        u.resize(side, side);
        const QImage pImage = renderOverTransparency(p);
        const QImage uImage = renderOverTransparency(u);
        pImage.save(screenshotDir() + QStringLiteral("/permission-%1.png").arg(size));
        uImage.save(screenshotDir() + QStringLiteral("/unavailable-%1.png").arg(size));
        for (const QImage& image : {pImage, uImage}) {
            // Backdrop in the corner, a blue pill button and white symbol/text.
            EXPECT_LT(qAlpha(image.pixel(1, 1)), 255);
            EXPECT_GT(qAlpha(image.pixel(1, 1)), 0);
            EXPECT_GT(countNear(image, QColor(10, 132, 255)), 40 * size * size);
            EXPECT_GT(countNear(image, Qt::white), 40 * size * size);
        }
    }
}

TEST(CameraStatusViewsTest, AccessIndicatorDrawsTwoLevelSymbol) {
    AccessIndicatorView granted("Granted", "checkmark.circle.fill", Qt::green);
    const QColor secondary = granted.secondaryColor();
    // Ten per cent toward white: lighter, still green.
    EXPECT_GT(secondary.red(), 0);
    EXPECT_GT(secondary.green(), 250);
    EXPECT_LT(secondary.red(), 120);
    EXPECT_EQ(AccessIndicatorView::mixPerceptual(Qt::red, Qt::white, 0).name(),
              QColor(Qt::red).name());
    EXPECT_EQ(AccessIndicatorView::mixPerceptual(Qt::red, Qt::white, 1).name(), "#ffffff");

    granted.resize(granted.sizeHint());
    const QImage image = granted.grab().toImage();
    image.save(screenshotDir() + "/access-granted.png");
    EXPECT_GT(countNear(image, secondary, 60), 10);

    AccessIndicatorView denied("Not Granted", "x.circle.fill", Qt::red);
    denied.resize(denied.sizeHint());
    EXPECT_GT(denied.sizeHint().width(), granted.sizeHint().width());
    denied.grab().save(screenshotDir() + "/access-denied.png");
}

}  // namespace

namespace {

TEST(CameraStatusViewsTest, PrivacySettingsOpenTheCameraAccessHelp) {
    Utils::openCameraPrivacySettings();
    Utils::openCameraPrivacySettings();  // a second request reuses the window
    int shown = 0;
    CameraAccessHelpDialog* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<CameraAccessHelpDialog*>(w); d && d->isVisible()) {
            ++shown;
            help = d;
        }
    }
    ASSERT_EQ(shown, 1);
    // It tells what is true for this machine's devices.
    EXPECT_EQ(help->explanation(), CameraAccess::explain(CameraAccess::probeNodes()));
    EXPECT_FALSE(help->explanation().isEmpty());
    EXPECT_TRUE(help->grab().save(screenshotDir() + "/camera-access-help.png"));
    help->close();
}

}  // namespace
}  // namespace mirelon
