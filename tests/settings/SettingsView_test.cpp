// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsView.h"

#include "settings/AboutSettingsView.h"
#include "settings/AppVersion.h"
#include "settings/RingLightSettingsView.h"
#include "settings/SettingsFixture.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

namespace mirelon {
namespace {

using Tab = SettingsView::Tab;

class SettingsWindow : public testing::SettingsFixture {
protected:
    std::unique_ptr<SettingsView> view;
    void open() {
        view = std::make_unique<SettingsView>(context());
        view->show();
        settle();
        view->updateWindowSize();
    }
};

TEST_F(SettingsWindow, OpensOnTheRememberedTabAndGeneralForAnythingElse) {
    prefs().setSelectedSettingsTab("text");
    open();
    EXPECT_EQ(view->selectedTab(), Tab::text);
    EXPECT_TRUE(view->tabButton(Tab::text)->isChecked());
    view.reset();

    for (const char* stored : {"bogus", "Text", "", "ringlight"}) {
        t.defaults->setString(PreferenceKeys::selectedSettingsTab, stored);
        open();
        EXPECT_EQ(view->selectedTab(), Tab::general) << stored;
        view.reset();
    }
    t.defaults->setDouble(PreferenceKeys::selectedSettingsTab, 3);
    open();
    EXPECT_EQ(view->selectedTab(), Tab::general);
}

TEST_F(SettingsWindow, ChoosingATabStoresItAndSurvivesARestart) {
    open();
    view->tabButton(Tab::ringLight)->click();
    EXPECT_EQ(t.defaults->stringValue(PreferenceKeys::selectedSettingsTab, QString()), "ringLight");
    view.reset();
    t.reopen();
    open();
    EXPECT_EQ(view->selectedTab(), Tab::ringLight);

    // Another writer of the preference (a panel's "open settings") moves the window.
    prefs().setSelectedSettingsTab("camera");
    EXPECT_EQ(view->selectedTab(), Tab::camera);
}

TEST_F(SettingsWindow, ATabChoosesItsCameraOrDisplayWhenFirstShownNotBefore) {
    devices = {{"cam1", "Desk Camera", true}};
    for (const char* first : {"about", "general"}) {
        prefs().setSelectedSettingsTab(first);
        open();
        EXPECT_FALSE(t.defaults->contains(PreferenceKeys::ringLightSelectedDisplayID)) << first;
        EXPECT_FALSE(t.defaults->contains(PreferenceKeys::selectedSettingsCameraDeviceID)) << first;
        // A camera plugged in while the window is open does not choose one either.
        if (std::string(first) == "general") {
            plug("cam2", "Room Camera");
            EXPECT_FALSE(t.defaults->contains(PreferenceKeys::selectedSettingsCameraDeviceID));
        }
        view.reset();
    }
    open();
    view->tabButton(Tab::text)->click();
    settle();
    EXPECT_EQ(prefs().selectedSettingsCameraDeviceID(), "cam1");  // first by name
    view->tabButton(Tab::ringLight)->click();
    settle();
    if (!RingLightSettingsView::connectedDisplays().isEmpty()) {
        EXPECT_EQ(prefs().ringLightSelectedDisplayID(),
                  RingLightSettingsView::connectedDisplays().first().id);
    }
}

TEST_F(SettingsWindow, TabsCarryTheirLabelsInOrder) {
    open();
    QStringList labels;
    QStringList symbols;
    for (const auto& info : SettingsView::tabs()) {
        labels << view->tabButton(info.tab)->text();
        symbols << view->tabButton(info.tab)->property("symbolName").toString();
    }
    EXPECT_EQ(labels,
              (QStringList{"General", "Camera", "Text", "Ring Light", "Key Shortcuts", "About"}));
    EXPECT_EQ(symbols,
              (QStringList{"gear", "camera", "textformat", "sun.max", "keyboard", "info"}));
}

TEST_F(SettingsWindow, FiveHundredWideAndAsTallAsTheTabUpToFiveTwenty) {
    devices = {{"a", "Alpha", false}};
    open();
    // A normal window: never kept above others (full-screen apps included).
    EXPECT_FALSE(view->windowFlags() & Qt::WindowStaysOnTopHint);
    for (const auto& info : SettingsView::tabs()) {
        view->selectTab(info.tab);
        settle();
        EXPECT_EQ(view->width(), 500) << info.rawValue.toStdString();
        EXPECT_EQ(view->minimumWidth(), 500);
        EXPECT_EQ(view->maximumWidth(), 500);
        EXPECT_LE(view->height(), 520) << info.rawValue.toStdString();
        EXPECT_EQ(view->height(), std::min(view->naturalHeight(), 520))
            << info.rawValue.toStdString();
    }
    // The short About tab is shorter than the cap; the long Camera tab scrolls.
    view->selectTab(Tab::about);
    settle();
    EXPECT_LT(view->height(), 520);
    view->selectTab(Tab::camera);
    settle();
    EXPECT_EQ(view->height(), 520);
    EXPECT_GT(view->tabScrollArea(Tab::camera)->verticalScrollBar()->maximum(), 0);
}

TEST(AppVersion, FormatsVersionAndBuildWithEmptyMissingParts) {
    EXPECT_EQ(Utils::formatVersionAndBuild(QString("2.1"), QString("57")),
              "Version 2.1 (Build 57)");
    EXPECT_EQ(Utils::formatVersionAndBuild(QString("2.1"), QVariant()), "Version 2.1 (Build )");
    EXPECT_EQ(Utils::formatVersionAndBuild(57, QString("9")), "Version  (Build 9)");
    EXPECT_TRUE(Utils::getAppVersionAndBuild().startsWith("Version " MIRELON_VERSION " (Build "));
}

TEST(AboutTab, LinksStayRightAlignedAtAnyWidth) {
    AboutSettingsView about;
    ASSERT_EQ(about.links().size(), 3);
    QStringList tips;
    for (auto* link : about.links()) {
        tips << link->toolTip();
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_TRUE(link->property("url").toUrl().isValid());
    }
    EXPECT_EQ(tips, (QStringList{"X social network", "YouTube", "Official Website"}));
    int previousLeft = -1;
    for (int width : {500, 700, 1000}) {
        about.resize(width, 300);
        about.show();
        QCoreApplication::processEvents();
        QWidget* row = about.linksRow();
        const int rightGap = row->width() - about.links().last()->geometry().right();
        EXPECT_LE(rightGap, 8) << width;
        // The spare width goes to the left of the links.
        const int left = about.links().first()->geometry().left();
        EXPECT_GT(left, previousLeft) << width;
        previousLeft = left;
    }
}

TEST(SettingsWindowHeight, NeverTallerThanTheScreenLeavesRoomFor) {
    // Scale 2 on a 1080-pixel monitor: 540 logical pixels, less a top bar.
    EXPECT_EQ(SettingsView::heightLimit(540 - 32), 540 - 32 - SettingsView::kFrameAllowance);
    EXPECT_EQ(SettingsView::heightLimit(1080), SettingsView::kMaximumHeight);
    // A tiny screen still gets a usable (scrolling) window.
    EXPECT_EQ(SettingsView::heightLimit(100), SettingsView::kMinimumHeight);
}

}  // namespace
}  // namespace mirelon
