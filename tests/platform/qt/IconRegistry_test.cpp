// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/IconRegistry.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

// Every symbol the program shows, by where it is shown.
const QStringList kMenuBarChoices = {"MenuBarIcon",
                                     "person.crop.square",
                                     "person.crop.square.fill",
                                     "person.crop.rectangle",
                                     "person.crop.rectangle.fill",
                                     "person.crop.circle",
                                     "person.crop.circle.fill",
                                     "person.crop.artframe",
                                     "camera",
                                     "camera.fill",
                                     "camera.circle",
                                     "camera.circle.fill",
                                     "camera.viewfinder",
                                     "camera.aperture",
                                     "video",
                                     "video.fill",
                                     "video.circle",
                                     "video.circle.fill",
                                     "video.square",
                                     "video.square.fill"};
const QStringList kOtherSymbols = {
    // tabs
    "gear", "camera", "textformat", "sun.max", "keyboard", "info",
    // status cards and access pill
    "exclamationmark.triangle.fill", "video.slash.fill", "checkmark.circle.fill", "x.circle.fill",
    // slider ends
    "minus.circle.fill", "plus.circle.fill", "thermometer.low", "thermometer.high", "sun.min.fill",
    "sun.max.fill", "light.min", "light.max",
    // positions
    "rectangle.inset.topleft.filled", "rectangle.inset.topright.filled",
    "rectangle.inset.bottomleft.filled", "rectangle.inset.bottomright.filled", "hand.draw",
    // settings and about
    "info.circle.fill", "globe", "Icon", "TwitterIcon", "YouTubeIcon"};

int drawnPixels(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        }
    }
    return n;
}

TEST(IconRegistryTest, EverySymbolHasADrawnIcon) {
    const QStringList all = kMenuBarChoices + kOtherSymbols;
    for (const QString& name : all) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(IconRegistry::contains(name));
        EXPECT_FALSE(IconRegistry::icon(name).isNull());
        const QPixmap pm = IconRegistry::pixmap(name, {32, 32}, Qt::black);
        ASSERT_FALSE(pm.isNull());
        const int drawn = drawnPixels(pm);
        // Something is drawn, and it is a symbol, not a filled square.
        EXPECT_GT(drawn, 32 * 32 / 12);
        EXPECT_LT(drawn, 32 * 32 * 9 / 10);
    }
    QStringList registered = IconRegistry::names();
    QStringList expected = all;
    expected.removeDuplicates();
    expected.sort();
    EXPECT_EQ(registered, expected);
}

TEST(IconRegistryTest, UnknownNamesGiveEmptyIcons) {
    for (const char* raw :
         {"", "no.such.symbol", "checkmark.circle.fill.primary", "../icons/gear", "gear.svg"}) {
        const QString name = QString::fromUtf8(raw);
        SCOPED_TRACE(raw);
        EXPECT_FALSE(IconRegistry::contains(name));
        EXPECT_TRUE(IconRegistry::icon(name).isNull());
        EXPECT_TRUE(IconRegistry::tintedIcon(name, Qt::red).isNull());
        EXPECT_TRUE(IconRegistry::pixmap(name, {16, 16}, Qt::red).isNull());
    }
}

TEST(IconRegistryTest, TintingKeepsTheShapeAndChangesTheColour) {
    const QImage red = IconRegistry::pixmap("gear", {24, 24}, Qt::red).toImage();
    const QImage blue = IconRegistry::tintedIcon("gear", Qt::blue).pixmap(24, 24).toImage();
    int compared = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            EXPECT_EQ(qAlpha(red.pixel(x, y)) > 128, qAlpha(blue.pixel(x, y)) > 128);
            if (qAlpha(red.pixel(x, y)) == 255) {
                EXPECT_EQ(QColor(red.pixel(x, y)), QColor(Qt::red));
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 30);
    // High-density rendering has the asked-for device pixels.
    EXPECT_EQ(IconRegistry::pixmap("gear", {24, 24}, Qt::red, 2.0).size(), QSize(48, 48));
}

TEST(IconRegistryTest, ContactSheetScreenshot) {
    const QStringList names = IconRegistry::names();
    const int cell = 40;
    const int columns = 8;
    QImage sheet(columns * cell, static_cast<int>((names.size() + columns - 1) / columns) * cell,
                 QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    for (int i = 0; i < names.size(); ++i) {
        const QPoint at((i % columns) * cell + 4, (i / columns) * cell + 4);
        p.drawPixmap(at, IconRegistry::pixmap(names[i], {32, 32}, Qt::black));
    }
    p.end();
    const QString dir =
        qEnvironmentVariable("MIRELON_BUILD_DIR", QDir::tempPath()) + "/screenshots/capture";
    QDir().mkpath(dir);
    EXPECT_TRUE(sheet.save(dir + "/icons.png"));
}

}  // namespace
}  // namespace mirelon
