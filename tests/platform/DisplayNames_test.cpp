// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DisplayNames.h"
#include "platform/ShellExtension.h"

#include <gtest/gtest.h>

namespace mirelon {
namespace {

using DisplayNames::Monitor;

Monitor monitor(const QString& connector, const QString& name, QPoint at) {
    return Monitor{connector, QStringLiteral("DEL"), QStringLiteral("DELL U2720Q"), name, at};
}

TEST(DisplayNames, ScreensPairWithMonitorsByPositionWhateverTheScale) {
    const QList<Monitor> monitors = {monitor("DP-2", "Right", QPoint(1920, 0)),
                                     monitor("eDP-1", "Built-in display", QPoint(0, 0))};
    // XWayland lists its screens in another order, at scale 2 half the size.
    const auto matched = DisplayNames::match({QPoint(960, 0), QPoint(0, 0)}, monitors);
    ASSERT_EQ(matched.size(), 2);
    ASSERT_TRUE(matched[0] && matched[1]);
    EXPECT_EQ(matched[0]->connector, QStringLiteral("DP-2"));
    EXPECT_EQ(matched[1]->title(), QStringLiteral("Built-in display"));
    // Stacked vertically: top to bottom.
    const auto stacked = DisplayNames::match(
        {QPoint(0, 1080), QPoint(0, 0)},
        {monitor("A", "Top", QPoint(0, 0)), monitor("B", "Bottom", QPoint(0, 1080))});
    EXPECT_EQ(stacked[0]->title(), QStringLiteral("Bottom"));
    EXPECT_EQ(stacked[1]->title(), QStringLiteral("Top"));
}

TEST(DisplayNames, NothingPairsWhenTheCountsDiffer) {
    // A monitor plugged in between the two answers: better Qt's names than wrong ones.
    const auto matched = DisplayNames::match(
        {QPoint(0, 0)}, {monitor("A", "a", QPoint(0, 0)), monitor("B", "b", QPoint(1, 0))});
    ASSERT_EQ(matched.size(), 1);
    EXPECT_FALSE(matched[0]);
    EXPECT_TRUE(DisplayNames::match({}, {}).isEmpty());
}

TEST(DisplayNames, TitleFallsBackToProductThenConnector) {
    Monitor m{
        QStringLiteral("HDMI-1"), QString(), QStringLiteral("LG TV"), QStringLiteral(" "), {}};
    EXPECT_EQ(m.title(), QStringLiteral("LG TV"));
    m.product.clear();
    EXPECT_EQ(m.title(), QStringLiteral("HDMI-1"));
}

TEST(ShellExtension, GnomeIsRecognisedAmongTheDesktopsNamed) {
    const QByteArray saved = qgetenv("XDG_CURRENT_DESKTOP");
    for (const char* gnome : {"GNOME", "ubuntu:GNOME", "GNOME-Classic:GNOME", "gnome"}) {
        qputenv("XDG_CURRENT_DESKTOP", gnome);
        EXPECT_TRUE(ShellExtension::runsUnderGnomeShell()) << gnome;
    }
    for (const char* other : {"KDE", "sway", "GNOME-Flashback", "", "X-Cinnamon"}) {
        qputenv("XDG_CURRENT_DESKTOP", other);
        EXPECT_FALSE(ShellExtension::runsUnderGnomeShell()) << other;
    }
    qputenv("XDG_CURRENT_DESKTOP", saved);
}

}  // namespace
}  // namespace mirelon
