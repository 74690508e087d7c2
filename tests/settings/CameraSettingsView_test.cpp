// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/CameraSettingsView.h"

#include "config/ColorCodec.h"
#include "settings/ColorPickerButton.h"
#include "settings/ConnectedCameraRow.h"
#include "settings/SettingsFixture.h"
#include "settings/SettingsSliderRow.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>

namespace mirelon {
namespace {

using namespace AppSettings;

class CameraTab : public testing::SettingsFixture {
protected:
    std::unique_ptr<CameraSettingsView> view;

    void open() {
        view = std::make_unique<CameraSettingsView>(context());
        view->appear();
        settle();
    }
    ConnectedCameraRow* row(const QString& id) const {
        for (auto* r : view->cameraRows()) {
            if (r->id() == id) {
                return r;
            }
        }
        return nullptr;
    }
    QStringList menuEntries(const QString& id) const {
        QStringList entries;
        for (int i = 0; i < row(id)->positionMenu()->count(); ++i) {
            entries << row(id)->positionMenu()->itemText(i);
        }
        return entries;
    }
    void choose(QComboBox* menu, const QString& text) {
        const int index = menu->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        menu->setCurrentIndex(index);
        Q_EMIT menu->activated(index);
    }
    void setSlider(const QString& title, int position) {
        auto* r = view->sliderRow(title);
        ASSERT_NE(r, nullptr) << title.toStdString();
        r->slider()->setValue(position);
    }
};

TEST_F(CameraTab, NoCameraShowsTheNoteAndDisabledDefaults) {
    open();
    EXPECT_TRUE(view->cameraRows().isEmpty());
    EXPECT_FALSE(view->noCamerasLabel()->isHidden());
    EXPECT_EQ(view->noCamerasLabel()->text(), "No camera devices detected");
    EXPECT_EQ(view->selectedDeviceID(), "");
    for (auto* s : {view->basicSection(), view->colorSection(), view->rotateSection()}) {
        EXPECT_FALSE(s->isHidden());
        EXPECT_FALSE(s->panel()->isEnabled()) << s->header().toStdString();
    }
    const auto& d = AppSettings::shared();
    EXPECT_TRUE(view->shapeGroup()->button(1)->isChecked());  // squircle
    EXPECT_EQ(view->sliderRow("Size")->slider()->value(),
              view->sliderRow("Size")->positionOf(d.cameraSize));
    EXPECT_EQ(view->mirroringToggle()->isChecked(), d.cameraMirroringEnabled);
    // Controls without a camera edit nothing.
    view->sliderRow("Zoom")->slider()->setValue(500);
    EXPECT_FALSE(t.defaults->contains(CameraDeviceSettingsStore::userDefaultsKey));
}

TEST_F(CameraTab, UnpluggingTheSelectedCameraMovesTheSelection) {
    devices = {{"a", "Alpha", false}, {"b", "Beta", false}};
    open();
    EXPECT_EQ(view->selectedDeviceID(), "a");
    EXPECT_EQ(view->editingCaption()->text(), "Editing the appearance of Alpha");
    EXPECT_TRUE(view->editingCaption()->isVisibleTo(view.get()));
    EXPECT_TRUE(row("a")->isSelected());
    EXPECT_FALSE(row("b")->isSelected());

    unplug("a");
    settle();
    EXPECT_EQ(view->cameraRows().size(), 1);
    EXPECT_EQ(view->selectedDeviceID(), "b");
    EXPECT_EQ(view->editingCaption()->text(), "Editing the appearance of Beta");

    unplug("b");
    settle();
    EXPECT_EQ(view->selectedDeviceID(), "");
    EXPECT_FALSE(view->editingCaption()->isVisibleTo(view.get()));
    EXPECT_FALSE(view->basicSection()->panel()->isEnabled());
}

TEST_F(CameraTab, ClickingARowSelectsItsCamera) {
    devices = {{"a", "Alpha", false}, {"b", "Beta", false}};
    open();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(200, 10), QPointF(200, 10), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(row("b"), &press);
    EXPECT_EQ(prefs().selectedSettingsCameraDeviceID(), "b");
    EXPECT_TRUE(row("b")->isSelected());
    EXPECT_FALSE(row("a")->isSelected());
    EXPECT_EQ(view->editingCaption()->text(), "Editing the appearance of Beta");
}

TEST_F(CameraTab, LastEnabledCameraCannotBeSwitchedOff) {
    devices = {{"a", "Alpha", false}, {"b", "Beta", false}};
    open();  // first launch enables the first camera only
    EXPECT_FALSE(row("a")->checkBox()->isEnabled());
    EXPECT_TRUE(row("a")->checkBox()->isChecked());
    EXPECT_EQ(row("a")->statusCaption()->text(), "Overlay enabled");
    EXPECT_TRUE(row("b")->checkBox()->isEnabled());
    EXPECT_EQ(row("b")->statusCaption()->text(), "Overlay disabled");

    row("b")->checkBox()->click();
    EXPECT_TRUE(store->configuration("b")->isEnabled);
    EXPECT_TRUE(row("a")->checkBox()->isEnabled());
    EXPECT_TRUE(row("b")->checkBox()->isEnabled());

    row("a")->checkBox()->click();
    EXPECT_FALSE(store->configuration("a")->isEnabled);
    EXPECT_FALSE(row("b")->checkBox()->isEnabled());
}

TEST_F(CameraTab, CustomIsOfferedOnlyWhileItHolds) {
    devices = {{"a", "Alpha", false}};
    openStore();
    store->setWindowOrigin(100, 200, "a");
    open();
    EXPECT_EQ(menuEntries("a"),
              (QStringList{"Top Left", "Top Right", "Bottom Left", "Bottom Right", "Custom"}));
    EXPECT_EQ(row("a")->positionMenu()->currentText(), "Custom");

    choose(row("a")->positionMenu(), "Top Left");
    const auto c = store->configuration("a");
    EXPECT_EQ(c->position, Position::topLeft);
    EXPECT_FALSE(c->windowOriginX.has_value());
    EXPECT_FALSE(c->windowOriginY.has_value());
    EXPECT_EQ(menuEntries("a"),
              (QStringList{"Top Left", "Top Right", "Bottom Left", "Bottom Right"}));
    EXPECT_EQ(row("a")->positionMenu()->currentText(), "Top Left");
}

TEST_F(CameraTab, CornerRadiusSliderIsReversedAndOnlyForRectangles) {
    devices = {{"a", "Alpha", false}};
    open();
    EXPECT_FALSE(view->sliderRow("Corner Radius")->isEnabled());
    view->shapeGroup()->button(2)->click();
    EXPECT_EQ(appearance("a").cameraShape, CameraShape::rectangle);
    EXPECT_TRUE(view->sliderRow("Corner Radius")->isEnabled());

    setSlider("Corner Radius", SettingsSliderRow::kSteps);
    EXPECT_EQ(appearance("a").cornerRadius, 5);
    setSlider("Corner Radius", 0);
    EXPECT_EQ(appearance("a").cornerRadius, 100);
}

TEST_F(CameraTab, SquareRatioDisablesOrientationWithoutChangingIt) {
    devices = {{"a", "Alpha", false}};
    open();
    view->aspectRatioGroup()->button(3)->click();  // 16:9
    EXPECT_TRUE(view->orientationRow()->isEnabled());
    view->orientationGroup()->button(0)->click();
    EXPECT_EQ(appearance("a").orientation, Orientation::portrait);
    view->aspectRatioGroup()->button(0)->click();  // 1:1
    EXPECT_EQ(appearance("a").aspectRatio, AspectRatio::onebyone);
    EXPECT_FALSE(view->orientationRow()->isEnabled());
    EXPECT_EQ(appearance("a").orientation, Orientation::portrait);
    EXPECT_TRUE(view->orientationGroup()->button(0)->isChecked());
}

TEST_F(CameraTab, EveryControlWritesTheStoreAtOnce) {
    devices = {{"a", "Alpha", false}};
    open();
    const int changes = t.count(CameraDeviceSettingsStore::settingsChangedNotification);

    struct Case {
        QString title;
        double CameraAppearanceSettings::*field;
        double lower, upper;
    };
    const std::vector<Case> cases = {
        {"Size", &CameraAppearanceSettings::cameraSize, 0.5, 5},
        {"Zoom", &CameraAppearanceSettings::zoom, 1, 5},
        {"Shadow", &CameraAppearanceSettings::shadowRadius, 0, 15},
        {"Border Thickness", &CameraAppearanceSettings::borderThickness, 0, 10},
        {"Saturation", &CameraAppearanceSettings::saturation, -1, 5},
        {"Contrast", &CameraAppearanceSettings::contrast, -1, 5},
        {"Brightness", &CameraAppearanceSettings::brightness, 0, 1},
        {"Hue Rotation", &CameraAppearanceSettings::hueRotation, 0, 270},
        {"X axis", &CameraAppearanceSettings::xAngle, -10, 10},
        {"Y axis", &CameraAppearanceSettings::yAngle, -10, 10},
        {"Z axis", &CameraAppearanceSettings::zAngle, -10, 10},
    };
    int expected = 0;
    for (const auto& c : cases) {
        setSlider(c.title, 0);
        EXPECT_EQ(appearance("a").*c.field, c.lower) << c.title.toStdString();
        setSlider(c.title, 250);
        EXPECT_DOUBLE_EQ(appearance("a").*c.field, c.lower + (c.upper - c.lower) / 4)
            << c.title.toStdString();
        setSlider(c.title, SettingsSliderRow::kSteps);
        EXPECT_EQ(appearance("a").*c.field, c.upper) << c.title.toStdString();
        expected += 3;
    }
    // Each step that changed a value announced it; the default-valued lower
    // ends (brightness 0, the angles, hue, shadow...) may not count.
    EXPECT_GE(t.counted(changes), expected - static_cast<int>(cases.size()));

    view->mirroringToggle()->click();
    EXPECT_FALSE(appearance("a").cameraMirroringEnabled);
    choose(view->colorMultiplyMenu(), "Purple");
    EXPECT_EQ(appearance("a").colorMultiply, ColorMultiply::purple);
    view->shapeGroup()->button(0)->click();
    EXPECT_EQ(appearance("a").cameraShape, CameraShape::circle);
}

TEST_F(CameraTab, ResetRowsRestoreTheirGroupOnly) {
    devices = {{"a", "Alpha", false}};
    open();
    store->setPosition(Position::topLeft, "a");
    view->shapeGroup()->button(2)->click();
    view->aspectRatioGroup()->button(2)->click();
    view->orientationGroup()->button(0)->click();
    for (const char* title :
         {"Corner Radius", "Size", "Zoom", "Shadow", "Border Thickness", "Saturation", "X axis"}) {
        setSlider(title, 700);
    }
    view->borderColorButton()->pick(QColor(10, 20, 30, 40));
    view->mirroringToggle()->click();

    view->resetBasicButton()->click();
    const auto a = appearance("a");
    const auto d = CameraAppearanceSettings::compiledDefault();
    EXPECT_EQ(a.cameraShape, CameraShape::squircle);
    EXPECT_EQ(a.aspectRatio, AspectRatio::onebyone);
    EXPECT_EQ(a.orientation, Orientation::landscape);
    EXPECT_EQ(a.cornerRadius, 40);
    EXPECT_EQ(a.cameraSize, 1);
    EXPECT_EQ(a.zoom, 1);
    EXPECT_EQ(a.shadowRadius, 15);
    EXPECT_EQ(a.borderThickness, 0);
    EXPECT_EQ(a.borderColor, d.borderColor);
    EXPECT_TRUE(a.cameraMirroringEnabled);
    EXPECT_EQ(view->borderColorButton()->color(), QColor(0, 255, 0));
    EXPECT_TRUE(view->shapeGroup()->button(1)->isChecked());
    // Position, enabled state and the other groups stay.
    EXPECT_EQ(store->configuration("a")->position, Position::topLeft);
    EXPECT_TRUE(store->configuration("a")->isEnabled);
    EXPECT_NE(a.saturation, d.saturation);
    EXPECT_NE(a.xAngle, d.xAngle);

    view->resetColorButton()->click();
    EXPECT_EQ(appearance("a").saturation, d.saturation);
    EXPECT_NE(appearance("a").xAngle, d.xAngle);
    view->resetRotationButton()->click();
    EXPECT_EQ(appearance("a").xAngle, d.xAngle);
}

TEST_F(CameraTab, BorderColourIsWrittenOnlyWhenPicked) {
    devices = {{"a", "Alpha", false}, {"b", "Beta", false}};
    openStore();
    // A six-digit string the panel draws as green, which the picker shows as white.
    store->updateAppearance("a", &CameraAppearanceSettings::borderColor, QString("#00ff00"));
    store->updateAppearance("b", &CameraAppearanceSettings::borderColor, QString("#00ff00ff"));
    open();
    EXPECT_EQ(view->borderColorButton()->color(), QColor(Qt::white));
    prefs().setSelectedSettingsCameraDeviceID("b");
    EXPECT_EQ(view->borderColorButton()->color(), QColor(0, 255, 0));
    prefs().setSelectedSettingsCameraDeviceID("a");
    view->sliderRow("Zoom")->slider()->setValue(600);
    EXPECT_EQ(appearance("a").borderColor, "#00ff00");
    EXPECT_EQ(appearance("b").borderColor, "#00ff00ff");

    view->borderColorButton()->pick(QColor(0x12, 0x34, 0x56, 0x78));
    EXPECT_EQ(appearance("a").borderColor, "#12345678");
    EXPECT_EQ(appearance("a").borderColor, toRGBAString(view->selectedBorderColor()));
}

}  // namespace
}  // namespace mirelon
