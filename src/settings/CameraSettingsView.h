// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraDeviceConfiguration.h"
#include "platform/qt/EventBus.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsContext.h"
#include "settings/SettingsForm.h"

#include <QColor>
#include <QList>
#include <QMap>

#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace mirelon {

class ColorPickerButton;
class ConnectedCameraRow;
class SettingsSliderRow;

// The Camera tab: the connected cameras with their switch and position, and
// the look of the selected camera's panel. Every change goes through the
// camera configuration store at once, so the panels follow while dragging.
class CameraSettingsView : public SettingsForm::Page {
    Q_OBJECT
public:
    explicit CameraSettingsView(const SettingsContext& context, QWidget* parent = nullptr);
    ~CameraSettingsView() override;

    QString selectedDeviceID() const;
    std::optional<CameraDeviceConfiguration> selectedConfiguration() const;
    QColor selectedBorderColor() const { return selectedBorderColor_; }

    // The parts a user sees and works with.
    QList<ConnectedCameraRow*> cameraRows() const { return rows_; }
    QLabel* noCamerasLabel() const { return noCameras_; }
    QLabel* editingCaption() const { return editingCaption_; }
    SettingsForm::Section* basicSection() const { return basic_; }
    SettingsForm::Section* colorSection() const { return color_; }
    SettingsForm::Section* rotateSection() const { return rotate_; }
    SettingsSliderRow* sliderRow(const QString& title) const { return sliders_.value(title); }
    QButtonGroup* shapeGroup() const { return shape_; }
    QButtonGroup* aspectRatioGroup() const { return aspectRatio_; }
    QButtonGroup* orientationGroup() const { return orientation_; }
    QWidget* orientationRow() const { return orientationRow_; }
    ColorPickerButton* borderColorButton() const { return borderColor_; }
    QCheckBox* mirroringToggle() const { return mirroring_; }
    QComboBox* colorMultiplyMenu() const { return colorMultiply_; }
    QPushButton* resetBasicButton() const { return resetBasic_; }
    QPushButton* resetColorButton() const { return resetColor_; }
    QPushButton* resetRotationButton() const { return resetRotation_; }

    // What the tab does when it is shown.
    void appear();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildCameraList();
    void buildBasicSection();
    void buildColorSection();
    void buildRotateSection();
    SettingsSliderRow* addSlider(SettingsForm::Section* section, const QString& title,
                                 DoubleBinding binding, double lower, double upper);
    QButtonGroup* addRadioRow(SettingsForm::Section* section, const QString& title,
                              const QStringList& labels, QWidget** rowOut = nullptr);

    void setSelectedDeviceID(const QString& id);
    void selectFirstDeviceIfNeeded();
    void refreshSelectedBorderColor();
    void configurationsChanged();
    void defaultsChanged();
    void refresh();
    void refreshCameraRows();
    void refreshControls();

    template <typename T>
    Binding<T> appearanceBinding(T CameraAppearanceSettings::*field, T fallback);

    SettingsContext context_;
    QColor selectedBorderColor_;
    QString lastSelectedID_;
    bool refreshing_ = false;
    // The tab has been shown: from then on it keeps a camera selected.
    bool appeared_ = false;

    QVBoxLayout* cameraList_ = nullptr;
    QList<ConnectedCameraRow*> rows_;
    QLabel* noCameras_ = nullptr;
    SettingsForm::Section* editingSection_ = nullptr;
    QLabel* editingCaption_ = nullptr;
    SettingsForm::Section* basic_ = nullptr;
    SettingsForm::Section* color_ = nullptr;
    SettingsForm::Section* rotate_ = nullptr;
    QMap<QString, SettingsSliderRow*> sliders_;
    QButtonGroup* shape_ = nullptr;
    QButtonGroup* aspectRatio_ = nullptr;
    QButtonGroup* orientation_ = nullptr;
    QWidget* orientationRow_ = nullptr;
    ColorPickerButton* borderColor_ = nullptr;
    QCheckBox* mirroring_ = nullptr;
    QComboBox* colorMultiply_ = nullptr;
    QPushButton* resetBasic_ = nullptr;
    QPushButton* resetColor_ = nullptr;
    QPushButton* resetRotation_ = nullptr;

    ObserverToken storeObserver_;
    ObserverToken defaultsObserver_;
};

}  // namespace mirelon
