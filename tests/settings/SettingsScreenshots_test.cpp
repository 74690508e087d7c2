// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsView.h"

#include "settings/SettingsFixture.h"

#include "platform/PlatformLoader.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>

namespace mirelon {
namespace {

// Renders every tab into PNGs (in $MIRELON_SCREENSHOT_DIR, else the build
// folder) for a person to look at, and checks that each one was drawn at the
// window's size and device pixel ratio and is not blank.
class SettingsScreenshots : public testing::SettingsFixture {
protected:
    QString folder() const {
        QString dir = qEnvironmentVariable("MIRELON_SCREENSHOT_DIR");
        if (dir.isEmpty()) {
            dir = qEnvironmentVariable("MIRELON_BUILD_DIR", QDir::tempPath()) +
                  "/settings-screenshots";
        }
        QDir().mkpath(dir);
        return dir;
    }
    void shoot(SettingsView& view, const QString& name) {
        settle();
        view.updateWindowSize();
        settle();
        const QPixmap pixmap = view.grab();
        const qreal ratio = pixmap.devicePixelRatio();
        EXPECT_EQ(pixmap.width(), qRound(view.width() * ratio)) << name.toStdString();
        const QImage image = pixmap.toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3) {
            for (int x = 0; x < image.width(); x += 3) {
                colours.insert(image.pixel(x, y));
            }
        }
        EXPECT_GT(colours.size(), 8) << name.toStdString() << " looks blank";
        const QString suffix = ratio > 1 ? QStringLiteral("@%1x").arg(ratio) : QString();
        EXPECT_TRUE(image.save(folder() + "/" + name + suffix + ".png"));
    }
};

TEST_F(SettingsScreenshots, EveryTab) {
    devices = {{"a", "Desk Camera", false}, {"b", "Studio Camera HD", false}};
    openStore();
    store->updateAppearance("a", &CameraAppearanceSettings::textEnabled, true);
    store->setWindowOrigin(10, 10, "b");
    SettingsView view(context());
    view.show();
    for (const auto& info : SettingsView::tabs()) {
        view.selectTab(info.tab);
        shoot(view, "settings-" + info.rawValue);
    }
    // The rest of the long Camera tab.
    view.selectTab(SettingsView::Tab::camera);
    QScrollBar* bar = view.tabScrollArea(SettingsView::Tab::camera)->verticalScrollBar();
    bar->setValue(bar->maximum());
    shoot(view, "settings-camera-end");
}

// The Key Shortcuts tab where recorded shortcuts cannot work everywhere: with
// recorders and commands through XWayland, with commands only on a Wayland
// desktop without the shortcuts portal.
TEST_F(SettingsScreenshots, KeyShortcutsTabWithCommands) {
    openStore();
    for (const auto& [mode, name] : {std::pair{DisplayMode::XWayland, "xwayland"},
                                     std::pair{DisplayMode::WaylandNative, "wayland"}}) {
        PlatformLoader::setModeForTesting(mode);
        SettingsView view(context());
        view.show();
        view.selectTab(SettingsView::Tab::keyShortcuts);
        shoot(view, QStringLiteral("settings-keyShortcuts-%1").arg(name));
    }
    PlatformLoader::setModeForTesting(DisplayMode::X11);
}

TEST_F(SettingsScreenshots, CameraTabDark) {
    devices = {{"a", "Desk Camera", false}, {"b", "Studio Camera HD", false}};
    const QPalette original = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 56));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(24, 24, 26));
    dark.setColor(QPalette::AlternateBase, QColor(52, 52, 56));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(58, 58, 62));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Light, QColor(80, 80, 84));
    dark.setColor(QPalette::Midlight, QColor(66, 66, 70));
    dark.setColor(QPalette::Mid, QColor(40, 40, 42));
    dark.setColor(QPalette::Dark, QColor(25, 25, 26));
    dark.setColor(QPalette::PlaceholderText, QColor(150, 150, 155));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    QApplication::setPalette(dark);
    {
        SettingsView view(context());
        view.show();
        view.selectTab(SettingsView::Tab::camera);
        shoot(view, "settings-camera-dark");
    }
    QApplication::setPalette(original);
}

}  // namespace
}  // namespace mirelon
