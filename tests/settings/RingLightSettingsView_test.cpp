// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/RingLightSettingsView.h"

#include "platform/FloatingWindow.h"
#include "ringlight/RingLightDisplaySettingsStore.h"
#include "settings/SettingsFixture.h"
#include "settings/SettingsSliderRow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace mirelon {
namespace {

using Option = RingLightSettingsView::DisplayOption;

class RingLightTab : public testing::SettingsFixture {
protected:
    QList<Option> screens;
    std::unique_ptr<RingLightSettingsView> view;

    void open() {
        view = std::make_unique<RingLightSettingsView>(context(), [this] { return screens; });
        view->appear();
    }
    RingLightSettingsMap stored() {
        return RingLightDisplaySettingsStore::loadAllSettings(*t.defaults);
    }
    void storeRecord(const QString& id, RingLightDisplaySettings s) {
        auto all = stored();
        all[id] = s;
        RingLightDisplaySettingsStore::saveAllSettings(all, *t.defaults);
    }
};

TEST_F(RingLightTab, NoIdentifiedDisplayEditsOnlyTheWorkingCopy) {
    prefs().setRingLightSelectedDisplayID("4711");
    open();
    EXPECT_FALSE(view->noDisplaysLabel()->isHidden());
    EXPECT_EQ(view->noDisplaysLabel()->text(), "No displays detected");
    EXPECT_EQ(view->selectedDisplayID(), "");
    EXPECT_FALSE(view->resetButton()->isEnabled());
    EXPECT_EQ(view->statusCaption()->text(), "Ring Light is disabled for the selected display.");

    view->enableSwitch()->click();
    view->sliderRow("Brightness")->slider()->setValue(SettingsSliderRow::kSteps);
    EXPECT_TRUE(view->selectedDisplaySettings().isEnabled);
    EXPECT_EQ(view->selectedDisplaySettings().width, 80);
    EXPECT_FALSE(t.defaults->contains(RingLightDisplaySettingsStore::userDefaultsKey));
}

TEST_F(RingLightTab, ForgottenDisplayFallsBackToTheFirstWithItsRecord) {
    screens = {{"100", "DP-1"}, {"200", "HDMI-1"}};
    storeRecord("100", {true, 0.2, 30, 0.9});
    prefs().setRingLightSelectedDisplayID("999");
    open();
    EXPECT_EQ(view->selectedDisplayID(), "100");
    EXPECT_EQ(prefs().ringLightSelectedDisplayID(), "100");
    EXPECT_EQ(view->selectedDisplaySettings(), (RingLightDisplaySettings{true, 0.2, 30, 0.9}));
    EXPECT_TRUE(view->enableSwitch()->isChecked());
    EXPECT_EQ(view->configuringCaption()->text(), "Configuring Ring Light for DP-1");
    EXPECT_EQ(view->statusCaption()->text(), "Ring Light is enabled for DP-1.");
    EXPECT_EQ(view->sliderRow("Brightness")->slider()->value(),
              view->sliderRow("Brightness")->positionOf(30));

    // The first display goes away: the next one is chosen, with the defaults.
    screens.removeFirst();
    t.center.post(Notifications::screensChanged);
    EXPECT_EQ(view->selectedDisplayID(), "200");
    EXPECT_EQ(view->selectedDisplaySettings(),
              RingLightDisplaySettingsStore::defaultSettings(*t.defaults));
}

TEST_F(RingLightTab, ChoosesADisplayOnlyOnceShown) {
    screens = {{"100", "DP-1"}, {"200", "HDMI-1"}};
    storeRecord("200", {true, 0.3, 20, 0.1});
    view = std::make_unique<RingLightSettingsView>(context(), [this] { return screens; });
    t.center.post(Notifications::screensChanged);
    EXPECT_FALSE(t.defaults->contains(PreferenceKeys::ringLightSelectedDisplayID));
    EXPECT_EQ(view->displays().size(), 2);
    view->appear();
    EXPECT_EQ(prefs().ringLightSelectedDisplayID(), "100");

    // A remembered display shows its record before the tab is shown, still
    // without writing anything.
    prefs().setRingLightSelectedDisplayID("200");
    view = std::make_unique<RingLightSettingsView>(context(), [this] { return screens; });
    EXPECT_EQ(view->selectedDisplaySettings(), (RingLightDisplaySettings{true, 0.3, 20, 0.1}));
}

TEST(RingLightTabTitles, ModelNamesWithTheConnectorOnlyWhereTwoWouldMatch) {
    using Name = RingLightSettingsView::ScreenName;
    EXPECT_EQ(RingLightSettingsView::displayTitles({{"DP-1", "Dell Inc.", "U2720Q"},
                                                    {"HDMI-1", "", ""},
                                                    {"eDP-1", "BOE", "BOE 0x0BCA"},
                                                    {"DP-2", "", "Studio Display"}}),
              (QStringList{"Dell Inc. U2720Q", "HDMI-1", "BOE 0x0BCA", "Studio Display"}));
    // Two of the same monitor: told apart by their connectors.
    EXPECT_EQ(RingLightSettingsView::displayTitles({Name{"DP-1", "Dell Inc.", "U2720Q"},
                                                    Name{"DP-2", "Dell Inc.", "U2720Q"},
                                                    Name{"HDMI-1", "LG", "27UL850"}}),
              (QStringList{"Dell Inc. U2720Q (DP-1)", "Dell Inc. U2720Q (DP-2)", "LG 27UL850"}));
    EXPECT_EQ(RingLightSettingsView::displayTitles({}), QStringList{});
}

TEST_F(RingLightTab, FirstEditCreatesAFullRecordAndEveryMoveIsSaved) {
    screens = {{"100", "DP-1"}, {"200", "HDMI-1"}};
    storeRecord("200", {true, 1, 10, 0});
    open();
    EXPECT_EQ(view->selectedDisplaySettings(), (RingLightDisplaySettings{false, 0.5, 44, 0.5}));

    const int writes = t.count(Notifications::defaultsChanged);
    for (int p : {100, 200, 300}) {
        view->sliderRow("Brightness")->slider()->setValue(p);
    }
    EXPECT_EQ(t.counted(writes), 3);
    auto all = stored();
    ASSERT_EQ(all.count("100"), 1u);
    EXPECT_DOUBLE_EQ(all["100"].width, 8 + 72 * 0.3);
    EXPECT_EQ(all["100"].temperature, 0.5);
    EXPECT_EQ(all["100"].glow, 0.5);
    EXPECT_FALSE(all["100"].isEnabled);
    EXPECT_EQ(all["200"], (RingLightDisplaySettings{true, 1, 10, 0})) << "others untouched";

    view->sliderRow("Temperature")->slider()->setValue(0);
    view->sliderRow("Glow")->slider()->setValue(SettingsSliderRow::kSteps);
    EXPECT_EQ(stored()["100"].temperature, 0);
    EXPECT_EQ(stored()["100"].glow, 1);

    view->resetButton()->click();
    EXPECT_EQ(stored()["100"], RingLightDisplaySettingsStore::defaultSettings(*t.defaults));
}

TEST_F(RingLightTab, PickingADisplayLoadsItsRecord) {
    screens = {{"100", "DP-1"}, {"200", "HDMI-1"}};
    storeRecord("200", {true, 1, 10, 0});
    open();
    view->displayPicker()->setCurrentIndex(1);
    Q_EMIT view->displayPicker()->activated(1);
    EXPECT_EQ(prefs().ringLightSelectedDisplayID(), "200");
    EXPECT_EQ(view->selectedDisplaySettings(), (RingLightDisplaySettings{true, 1, 10, 0}));
    EXPECT_TRUE(view->enableSwitch()->isChecked());
}

TEST_F(RingLightTab, ChangesMadeElsewhereAreNotOverwrittenByTheNextEdit) {
    screens = {{"100", "DP-1"}};
    open();
    view->sliderRow("Glow")->slider()->setValue(900);
    // A shortcut raises the temperature of the same display meanwhile.
    auto all = stored();
    all["100"].temperature = 0.8;
    RingLightDisplaySettingsStore::saveAllSettings(all, *t.defaults);
    view->sliderRow("Brightness")->slider()->setValue(500);
    EXPECT_DOUBLE_EQ(stored()["100"].temperature, 0.8);
    EXPECT_DOUBLE_EQ(stored()["100"].glow, 0.9);
}

TEST_F(RingLightTab, TheTitleOpensTheExplanationWithoutFlippingTheSwitch) {
    screens = {{"100", "DP-1"}};
    open();
    view->show();
    view->enableTitleButton()->click();
    EXPECT_TRUE(view->isPopoverShown());
    EXPECT_FALSE(view->enableSwitch()->isChecked());
    EXPECT_FALSE(t.defaults->contains(RingLightDisplaySettingsStore::userDefaultsKey));
}

}  // namespace
}  // namespace mirelon

namespace mirelon {
namespace {

// A session whose compositor gives the overlays the clicks they refuse.
class ClickTakingPresenter final : public FloatingWindow::Presenter {
public:
    bool overlaysBlockClicks() const override { return true; }
};

TEST_F(RingLightTab, WarnsWhileOnWhereTheRingLightTakesTheClicksBeneathIt) {
    screens = {{"100", "DP-1"}};
    open();
    EXPECT_TRUE(view->clickThroughWarning()->isHidden());
    view->enableSwitch()->click();
    EXPECT_TRUE(view->clickThroughWarning()->isHidden()) << "no fault in this session";
    view->enableSwitch()->click();

    FloatingWindow::setPresenter(std::make_unique<ClickTakingPresenter>());
    open();
    EXPECT_TRUE(view->clickThroughWarning()->isHidden()) << "the ring light is off";
    view->enableSwitch()->click();
    EXPECT_FALSE(view->clickThroughWarning()->isHidden());
    EXPECT_TRUE(view->clickThroughWarning()->text().contains("GNOME"));
    view->enableSwitch()->click();
    EXPECT_TRUE(view->clickThroughWarning()->isHidden());
    FloatingWindow::setPresenter(nullptr);
}

}  // namespace
}  // namespace mirelon
