// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MenuBarIcon.h"
#include "app/TrayController.h"
#include "platform/TrayHost.h"
#include "platform/qt/ManualScheduler.h"

#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPalette>

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

// Pixels of the icon drawn over a panel of the given colour that differ
// clearly from the panel: what the user can see of it.
static int visiblePixels(const QIcon& icon, const QColor& panel) {
    QImage canvas(22, 22, QImage::Format_ARGB32);
    canvas.fill(panel);
    {
        QPainter p(&canvas);
        p.drawPixmap(0, 0, icon.pixmap(22, 22));
    }
    int n = 0;
    for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 22; ++x) {
            const QColor c = canvas.pixelColor(x, y);
            if (std::abs(c.lightness() - panel.lightness()) > 60) {
                ++n;
            }
        }
    }
    return n;
}

TEST(MenuBarIconTest, TrayIconStaysVisibleOnDarkAndLightPanels) {
    using namespace MenuBarIcon;
    QPalette lightTheme;
    lightTheme.setColor(QPalette::WindowText, QColor(20, 20, 20));
    QPalette darkTheme;
    darkTheme.setColor(QPalette::WindowText, QColor(235, 235, 235));

    // A status-notifier host gets a mask and colours it itself.
    const TrayStyle sni = trayStyle(true, QColor(Qt::red), lightTheme);
    EXPECT_TRUE(sni.mask);
    EXPECT_TRUE(makeForTray(templateImageName, sni).isMask());

    // XEmbed: the palette gives the pair, the tray's own colour wins over it.
    const TrayStyle onLight = trayStyle(false, std::nullopt, lightTheme);
    const TrayStyle onDark = trayStyle(false, std::nullopt, darkTheme);
    EXPECT_FALSE(onLight.mask);
    EXPECT_LT(onLight.tint.lightness(), 128);
    EXPECT_GT(onDark.tint.lightness(), 128);
    EXPECT_EQ(trayStyle(false, QColor(200, 10, 10), lightTheme).tint, QColor(200, 10, 10));
    EXPECT_FALSE(makeForTray(templateImageName, onLight).isMask());

    // Whatever the theme, the icon shows on both kinds of panel (a dark
    // theme's icon on a light panel included), thanks to its outline.
    const QColor darkPanel(30, 30, 30);
    const QColor lightPanel(240, 240, 240);
    for (const TrayStyle& style : {onLight, onDark}) {
        const QIcon icon = makeForTray(templateImageName, style);
        EXPECT_GT(visiblePixels(icon, darkPanel), 22 * 22 / 10);
        EXPECT_GT(visiblePixels(icon, lightPanel), 22 * 22 / 10);
    }
    // Without the outline the light-theme icon all but vanishes on a dark panel.
    EXPECT_LT(visiblePixels(make(templateImageName, onLight.tint), darkPanel), 22 * 22 / 20);

    // GNOME's status-notifier host shows the picture as it is on its dark top
    // bar: a light glyph, whatever the theme, never a (black) mask.
    EXPECT_TRUE(statusNotifierStyle(false, lightTheme).mask);
    const TrayStyle gnome = statusNotifierStyle(true, lightTheme);
    EXPECT_FALSE(gnome.mask);
    EXPECT_GT(gnome.tint.lightness(), 200);
    EXPECT_GT(visiblePixels(makeForTray(templateImageName, gnome), QColor(0, 0, 0)), 22 * 22 / 10);
}

TEST(MenuBarIconTest, TrayColorsPropertyGivesTheForeground) {
    const quint32 colors[12] = {65535, 32768, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(TrayHost::foregroundFromTrayColors(colors, 12), QColor(255, 128, 0));
    EXPECT_FALSE(TrayHost::foregroundFromTrayColors(colors, 3));
    EXPECT_FALSE(TrayHost::foregroundFromTrayColors(nullptr, 12));
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
    tray.noTrayGrace = TrayController::noTrayGraceAtLogin;  // launched at login
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
    scheduler.scheduler.advance(TrayController::noTrayGraceAtLogin);
    EXPECT_EQ(fallbacks, 0);
    const int requests = iconRequests;
    tray.updateIcon();
    EXPECT_EQ(iconRequests, requests + 1);
}

TEST(TrayControllerTest, NoTrayAtStartOpensTheFallbackAtOnceAndOnlyOnce) {
    ScopedManualScheduler scheduler;
    QMenu menu;
    int fallbacks = 0;
    bool available = false;
    TrayController tray(
        &menu, [] { return QIcon(); }, [&] { ++fallbacks; });
    tray.isTrayAvailable = [&] { return available; };
    tray.isEmbedded = [] { return false; };
    tray.start();
    // On the next turn of the loop, not after a wait.
    scheduler.scheduler.advance(0);
    EXPECT_EQ(fallbacks, 1);
    // A tray that appears later still gets the icon; no second fallback.
    available = true;
    scheduler.scheduler.advance(TrayController::pollInterval);
    EXPECT_NE(tray.trayIcon(), nullptr);
    scheduler.scheduler.advance(10 * TrayController::noTrayGraceAtLogin);
    EXPECT_EQ(fallbacks, 1);
}

TEST(TrayControllerTest, AtLoginTheTrayGetsItsGraceTime) {
    ScopedManualScheduler scheduler;
    QMenu menu;
    int fallbacks = 0;
    TrayController tray(
        &menu, [] { return QIcon(); }, [&] { ++fallbacks; });
    tray.isTrayAvailable = [] { return false; };
    tray.noTrayGrace = TrayController::noTrayGraceAtLogin;
    tray.start();
    scheduler.scheduler.advance(TrayController::noTrayGraceAtLogin - 1);
    EXPECT_EQ(fallbacks, 0);
    scheduler.scheduler.advance(1);
    EXPECT_EQ(fallbacks, 1);
}

TEST(TrayControllerTest, AnEmbeddedIconIsRedrawnForItsTrayAndOpensTheMenuItself) {
    ScopedManualScheduler scheduler;
    QMenu menu;
    QList<bool> drawnEmbedded;
    TrayController* self = nullptr;
    TrayController tray(&menu,
                        [&] {
                            drawnEmbedded << (self && self->isIconEmbedded());
                            return QIcon();
                        },
                        {});
    self = &tray;
    tray.isTrayAvailable = [] { return true; };
    tray.isEmbedded = [] { return true; };
    tray.start();
    ASSERT_NE(tray.trayIcon(), nullptr);
    EXPECT_TRUE(tray.isIconEmbedded());
    // Drawn once before Qt chose the tray, once more for the XEmbed tray.
    EXPECT_EQ(drawnEmbedded, (QList<bool>{false, true}));
    // Qt would open the menu at the X server's stale pointer.
    EXPECT_EQ(tray.trayIcon()->contextMenu(), nullptr);
}

TEST(TrayControllerTest, TheMenuOpensAtTheIconWithinTheScreen) {
    const QRect screen(0, 0, 1920, 1080);
    const QSize menu(200, 300);
    // A top bar: below the icon, at its left edge.
    EXPECT_EQ(TrayController::menuPosition(QRect(1500, 0, 24, 32), menu, screen), QPoint(1500, 32));
    // At the right edge: kept on screen.
    EXPECT_EQ(TrayController::menuPosition(QRect(1900, 0, 20, 32), menu, screen), QPoint(1720, 32));
    // A bottom bar: above the icon.
    EXPECT_EQ(TrayController::menuPosition(QRect(100, 1048, 24, 32), menu, screen),
              QPoint(100, 748));
    // A second monitor to the right.
    EXPECT_EQ(
        TrayController::menuPosition(QRect(3000, 0, 24, 32), menu, QRect(1920, 0, 1920, 1080)),
        QPoint(3000, 32));
    // No screen known: just below.
    EXPECT_EQ(TrayController::menuPosition(QRect(5, 6, 7, 8), menu, QRect()), QPoint(5, 14));
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
    EXPECT_FALSE(host.note()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(host.window()->windowFlags() & Qt::WindowStaysOnTopHint);
    host.openWithNoTrayNote();  // one note at a time
    EXPECT_EQ(host.window()->findChildren<QMessageBox*>().size(), 1);
    // Closing releases the window and tells; the next open makes it again.
    int closed = 0;
    host.onWindowClosed = [&] { ++closed; };
    host.window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(host.window());
    EXPECT_FALSE(host.note());
    EXPECT_EQ(closed, 1);
    host.openSettings();
    EXPECT_EQ(made, 2);
}

TEST(SettingsWindowHostTest, TheNoTrayNoteSaysWhatIsTrueInThisSession) {
    using GlobalShortcuts::Delivery;
    const QString gnomeXWayland = SettingsWindowHost::noTrayNote(Delivery::FocusedGrabs, true);
    EXPECT_TRUE(gnomeXWayland.contains(QStringLiteral("only while a Mirelon window has focus")));
    EXPECT_FALSE(gnomeXWayland.contains(QStringLiteral("work as usual")));
    EXPECT_TRUE(gnomeXWayland.contains(QStringLiteral("AppIndicator")));
    EXPECT_TRUE(gnomeXWayland.contains(QStringLiteral("GNOME integration")));
    EXPECT_TRUE(gnomeXWayland.contains(QStringLiteral("General tab")));
    const QString x11 = SettingsWindowHost::noTrayNote(Delivery::Grabs, false);
    EXPECT_TRUE(x11.contains(QStringLiteral("work as usual")));
    EXPECT_FALSE(x11.contains(QStringLiteral("AppIndicator")));
    EXPECT_TRUE(x11.contains(QStringLiteral("add a system tray")));
    const QString none = SettingsWindowHost::noTrayNote(Delivery::None, false);
    EXPECT_FALSE(none.contains(QStringLiteral("work as usual")));
    EXPECT_TRUE(none.contains(QStringLiteral("Key Shortcuts tab")));
    // How closing behaves is said everywhere.
    for (const QString& note : {gnomeXWayland, x11, none}) {
        EXPECT_TRUE(
            note.contains(QStringLiteral("Closing this window while Mirelon is off quits it")));
    }
}
