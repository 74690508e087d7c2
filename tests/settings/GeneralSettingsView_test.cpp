#include "settings/GeneralSettingsView.h"

#include "settings/SettingsFixture.h"
#include "settings/SettingsSliderRow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>

namespace mirelon {
namespace {

class GeneralTab : public testing::SettingsFixture {};

TEST_F(GeneralTab, HoverSubtitleRoundsHalvesAwayFromZero) {
    auto subtitle = [](double v) {
        const QString s = GeneralSettingsView::hoverSubtitle(v);
        EXPECT_TRUE(s.startsWith("Controls how transparent the camera view becomes on hover. ("));
        return s.mid(s.lastIndexOf('(') + 1);
    };
    EXPECT_EQ(subtitle(0.994), "99%)");
    EXPECT_EQ(subtitle(0.999), "100%)");
    EXPECT_EQ(subtitle(1.0), "100%)");
    EXPECT_EQ(subtitle(0), "0%)");
    EXPECT_EQ(subtitle(0.3), "30%)");
    EXPECT_EQ(subtitle(0.125), "13%)");
    EXPECT_EQ(subtitle(-0.125), "-13%)");
    EXPECT_EQ(subtitle(1e300), "1000000000000000%)");  // a hand-edited value stays printable
}

TEST_F(GeneralTab, HoverSliderWritesLiveAndTheSubtitleFollows) {
    GeneralSettingsView view(context());
    EXPECT_TRUE(view.hoverRow()->subtitle().endsWith("(30%)"));
    EXPECT_FALSE(t.defaults->contains(PreferenceKeys::hoverOpacity)) << "nothing written on open";
    view.hoverRow()->slider()->setValue(455);
    EXPECT_DOUBLE_EQ(prefs().hoverOpacity(), 0.455);
    EXPECT_TRUE(view.hoverRow()->subtitle().endsWith("(46%)"));
    view.hoverRow()->slider()->setValue(SettingsSliderRow::kSteps);
    EXPECT_EQ(prefs().hoverOpacity(), 1.0);
    EXPECT_TRUE(view.hoverRow()->subtitle().endsWith("(100%)"));

    prefs().setHoverOpacity(0.1);  // written elsewhere
    EXPECT_EQ(view.hoverRow()->slider()->value(), 100);
    EXPECT_TRUE(view.hoverRow()->subtitle().endsWith("(10%)"));
}

TEST_F(GeneralTab, MoveHintAndMenuBarIconWriteTheirPreferences) {
    GeneralSettingsView view(context());
    EXPECT_TRUE(view.moveHintToggle()->isChecked());
    view.moveHintToggle()->click();
    EXPECT_FALSE(prefs().moveHintEnabled());

    QComboBox* icons = view.menuBarIconPicker();
    ASSERT_EQ(icons->count(), 20);
    QStringList names;
    for (int i = 0; i < icons->count(); ++i) {
        names << icons->itemData(i).toString();
    }
    EXPECT_EQ(names, AppSettings::shared().menuBarIcons);
    EXPECT_EQ(icons->currentIndex(), 0);
    icons->setCurrentIndex(9);
    Q_EMIT icons->activated(9);
    EXPECT_EQ(prefs().menuBarIcon(), "camera.fill");
    prefs().setMenuBarIcon("video");
    EXPECT_EQ(icons->currentData().toString(), "video");
}

TEST_F(GeneralTab, AccessIndicatorAndPopover) {
    GeneralSettingsView view(context());
    view.setGranted(false);
    EXPECT_FALSE(view.isGranted());
    view.setGranted(true);
    EXPECT_TRUE(view.isGranted());
    view.show();
    EXPECT_FALSE(view.isPopoverShown());
    view.cameraAccessButton()->click();
    EXPECT_TRUE(view.isPopoverShown());
    view.cameraAccessButton()->click();
    EXPECT_FALSE(view.isPopoverShown());
}

}  // namespace
}  // namespace mirelon
