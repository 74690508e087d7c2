// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/GeneralSettingsView.h"

#include "capture/CameraDirectory.h"
#include "capture/CameraStatusViews.h"
#include "capture/CameraViewModel.h"
#include "capture/CaptureService.h"
#include "platform/CameraPortal.h"

#include "settings/SettingsFixture.h"
#include "settings/SettingsSliderRow.h"
#include "startatlogin/StartAtLogin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace mirelon {
namespace {

class GeneralTab : public testing::SettingsFixture {};

struct FakeDirectory : CameraDirectory {
    QList<AvailableCameraDevice> devices() const override { return {}; }
};

struct FakeCaptureService : CaptureService {
    CameraAuthorization status = CameraAuthorization::denied;
    CameraAuthorization authorizationStatus() override { return status; }
    void requestAccess(std::function<void(bool)> answer) override { answer(false); }
    std::shared_ptr<CaptureDeviceInput> makeInput(const QString&, QString* error) override {
        *error = "no camera";
        return nullptr;
    }
};

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
    ASSERT_NE(view.startAtLoginToggle(), nullptr);
    ASSERT_NE(view.startAtLoginToggle()->checkBox(), nullptr);
    EXPECT_TRUE(view.startAtLoginToggle()->isAncestorOf(view.startAtLoginToggle()->checkBox()));
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

TEST_F(GeneralTab, AccessIndicatorFollowsTheModelWithoutReopening) {
    FakeDirectory directory;
    FakeCaptureService service;
    CameraDirectory::setShared(&directory);
    CaptureService::setShared(&service);
    {
        CameraViewModel model(std::nullopt, true, t.defaults.get());
        GeneralSettingsView view(context(), &model);
        view.appear();
        EXPECT_FALSE(view.isGranted());
        ASSERT_NE(view.accessIndicator(), nullptr);
        EXPECT_EQ(view.accessIndicator()->text(), "Not Granted");
        EXPECT_EQ(view.accessIndicator()->image(), "x.circle.fill");
        const QColor red = view.accessIndicator()->color();
        EXPECT_GT(red.red(), 200);
        EXPECT_LT(red.green(), 100);

        service.status = CameraAuthorization::authorized;
        model.checkCameraAccess();  // the model re-checks; the tab is not reopened
        EXPECT_TRUE(view.isGranted());
        EXPECT_EQ(view.accessIndicator()->text(), "Granted");
        EXPECT_EQ(view.accessIndicator()->image(), "checkmark.circle.fill");
        const QColor green = view.accessIndicator()->color();
        EXPECT_GT(green.green(), 150);
        EXPECT_LT(green.red(), 100);
    }
    CaptureService::setShared(nullptr);
    CameraDirectory::setShared(nullptr);
}

// The permission row and the choice of how cameras are reached are told
// apart by their titles.
TEST_F(GeneralTab, CameraRowsHaveTitlesOfTheirOwn) {
    GeneralSettingsView view(context());
    QStringList titles;
    for (const auto* label : view.findChildren<QLabel*>()) {
        titles << label->text();
    }
    for (const auto* button : view.findChildren<QPushButton*>()) {
        titles << button->text();
    }
    EXPECT_EQ(titles.count(QStringLiteral("Camera access")), 1) << titles.join('|').toStdString();
    EXPECT_EQ(titles.count(QStringLiteral("Camera connection")), 1);
    const QComboBox* picker = nullptr;
    for (const auto* combo : view.findChildren<QComboBox*>()) {
        if (combo->findData(QStringLiteral("pipewire")) >= 0) {
            picker = combo;
        }
    }
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->accessibleName(), QStringLiteral("Camera connection"));
}

TEST_F(GeneralTab, CameraAccessPopoverToggles) {
    GeneralSettingsView view(context());
    view.show();
    EXPECT_FALSE(view.isPopoverShown());
    view.cameraAccessButton()->click();
    EXPECT_TRUE(view.isPopoverShown());
    view.cameraAccessButton()->click();
    EXPECT_FALSE(view.isPopoverShown());
}

// After a refusal through the camera portal the popover says what to do
// there, not which device group to join.
TEST_F(GeneralTab, AccessPopoverNamesTheRefusalOfTheDesktop) {
    struct RefusedPortal final : CameraPortal {
        bool wasRefused() const override { return true; }
    } portal;
    CameraPortal::setShared(&portal);
    {
        GeneralSettingsView view(context());
        view.show();
        view.cameraAccessButton()->click();
        ASSERT_TRUE(view.isPopoverShown());
        QStringList texts;
        for (const auto* label : view.popover()->findChildren<QLabel*>()) {
            texts << label->text();
        }
        const QString all = texts.join('\n');
        EXPECT_TRUE(all.contains("refused when the desktop asked")) << all.toStdString();
        EXPECT_FALSE(all.contains("/dev/video"));
    }
    CameraPortal::setShared(nullptr);
}

}  // namespace
}  // namespace mirelon
