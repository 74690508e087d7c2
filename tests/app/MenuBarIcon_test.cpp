#include "app/MenuBarIcon.h"
#include "app/TrayController.h"
#include "platform/ManualScheduler.h"

#include <QImage>
#include <QMenu>

#include <gtest/gtest.h>

using namespace mirelon;

namespace {

struct Coverage {
    int opaque = 0;
    bool allTinted = true;
};

Coverage coverage(const QIcon& icon, int size, const QColor& tint) {
    Coverage c;
    const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor px = image.pixelColor(x, y);
            if (px.alpha() > 0) {
                ++c.opaque;
                if (px.alpha() == 255 && (px.red() != tint.red() || px.green() != tint.green() ||
                                          px.blue() != tint.blue())) {
                    c.allTinted = false;
                }
            }
        }
    }
    return c;
}

}  // namespace

TEST(MenuBarIconTest, TemplateAndSymbolsAreTintedAndUnknownNamesAreEmpty) {
    const QColor light(Qt::white);
    const QColor dark(20, 20, 20);
    for (const QString& name : {MenuBarIcon::templateImageName, QStringLiteral("video.circle.fill"),
                                QStringLiteral("person.crop.circle")}) {
        for (const QColor& tint : {light, dark}) {
            const Coverage c = coverage(MenuBarIcon::make(name, tint), 22, tint);
            EXPECT_GT(c.opaque, 22 * 22 / 10) << name.toStdString();
            EXPECT_TRUE(c.allTinted) << name.toStdString();
        }
    }
    // Two styles draw differently.
    const QImage a = MenuBarIcon::make(MenuBarIcon::templateImageName, dark).pixmap(22).toImage();
    const QImage b = MenuBarIcon::make(QStringLiteral("camera.fill"), dark).pixmap(22).toImage();
    EXPECT_NE(a, b);
    // Names without an image, including ones that try to reach other files.
    for (const QString& name :
         {QStringLiteral("no.such.symbol"), QStringLiteral("../Icon"), QStringLiteral("")}) {
        const QIcon icon = MenuBarIcon::make(name, dark);
        EXPECT_FALSE(icon.isNull()) << name.toStdString();
        EXPECT_EQ(coverage(icon, 22, dark).opaque, 0) << name.toStdString();
    }
}

TEST(TrayControllerTest, FollowsTheTrayAndFallsBackWhenThereIsNone) {
    ScopedManualScheduler scheduler;
    QMenu menu;
    bool available = false;
    int fallbacks = 0;
    int iconRequests = 0;
    TrayController tray(
        &menu,
        [&] {
            ++iconRequests;
            return MenuBarIcon::make(MenuBarIcon::templateImageName, Qt::black);
        },
        [&] { ++fallbacks; });
    tray.isTrayAvailable = [&] { return available; };
    tray.start();
    EXPECT_EQ(tray.trayIcon(), nullptr);
    // The panel shows up late (autostart racing it): the icon is made then.
    scheduler.scheduler.advance(10);
    available = true;
    scheduler.scheduler.advance(TrayController::pollInterval);
    ASSERT_NE(tray.trayIcon(), nullptr);
    EXPECT_EQ(tray.trayIcon()->contextMenu(), &menu);
    EXPECT_EQ(tray.iconsCreated(), 1);
    // It goes away and comes back: a new icon.
    available = false;
    scheduler.scheduler.advance(TrayController::pollInterval);
    EXPECT_EQ(tray.trayIcon(), nullptr);
    available = true;
    scheduler.scheduler.advance(TrayController::pollInterval);
    EXPECT_EQ(tray.iconsCreated(), 2);
    scheduler.scheduler.advance(TrayController::noTrayTimeout);
    EXPECT_EQ(fallbacks, 0);
    const int requests = iconRequests;
    tray.updateIcon();
    EXPECT_EQ(iconRequests, requests + 1);
}

TEST(TrayControllerTest, NoTrayAtAllOpensTheFallbackOnce) {
    ScopedManualScheduler scheduler;
    QMenu menu;
    int fallbacks = 0;
    TrayController tray(
        &menu, [] { return QIcon(); }, [&] { ++fallbacks; });
    tray.isTrayAvailable = [] { return false; };
    tray.start();
    scheduler.scheduler.advance(TrayController::noTrayTimeout - 1);
    EXPECT_EQ(fallbacks, 0);
    scheduler.scheduler.advance(1);
    EXPECT_EQ(fallbacks, 1);
    scheduler.scheduler.advance(10 * TrayController::noTrayTimeout);
    EXPECT_EQ(fallbacks, 1);
}

#include "app/SettingsWindowHost.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>

TEST(SettingsWindowHostTest, OpensOneWindowAndShowsTheTrayNoteOnlyWhenAsked) {
    int made = 0;
    SettingsWindowHost host([&]() -> QWidget* {
        ++made;
        return SettingsWindowHost::makePlaceholderWindow();
    });
    host.openSettings();
    host.openSettings();
    ASSERT_TRUE(host.window());
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(host.window()->isVisible());
    EXPECT_FALSE(host.note());
    host.openWithNoTrayNote();
    ASSERT_TRUE(host.note());
    EXPECT_TRUE(host.note()->isVisible());
    EXPECT_EQ(host.note()->text(), SettingsWindowHost::noTrayNote);
    host.openWithNoTrayNote();  // one note at a time
    EXPECT_EQ(host.window()->findChildren<QMessageBox*>().size(), 1);
    // Closing releases the window; the next open makes it again.
    host.window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(host.window());
    EXPECT_FALSE(host.note());
    host.openSettings();
    EXPECT_EQ(made, 2);
}
