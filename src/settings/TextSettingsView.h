// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraDeviceConfiguration.h"
#include "platform/qt/EventBus.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsContext.h"
#include "settings/SettingsForm.h"

#include <QColor>
#include <QMap>
#include <QStringList>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace mirelon {

class ColorPickerButton;
class OverlayTextField;
class SettingsSliderRow;

// The Text tab: the caption under the selected camera's panel, its font,
// colours and plate. Every change goes through the camera configuration
// store at once.
class TextSettingsView : public SettingsForm::Page {
    Q_OBJECT
public:
    static constexpr int textLimit = 30;

    explicit TextSettingsView(const SettingsContext& context, QWidget* parent = nullptr);
    ~TextSettingsView() override;

    QString selectedDeviceID() const;
    std::optional<CameraDeviceConfiguration> selectedConfiguration() const;
    const QStringList& availableFonts() const { return availableFonts_; }

    QComboBox* cameraPicker() const { return cameraPicker_; }
    QLabel* noCamerasLabel() const { return noCameras_; }
    QLabel* editingCaption() const { return editingCaption_; }
    QCheckBox* enableToggle() const { return enableToggle_; }
    OverlayTextField* textField() const { return textField_; }
    QWidget* textEntryGroup() const { return textEntry_; }
    QLabel* remainingCaption() const { return remaining_; }
    QComboBox* fontPicker() const { return fontPicker_; }
    SettingsSliderRow* sliderRow(const QString& title) const { return sliders_.value(title); }
    ColorPickerButton* fontColorButton() const { return fontColor_; }
    ColorPickerButton* backgroundColorButton() const { return backgroundColor_; }
    QList<QWidget*> styleRows() const { return styleRows_; }
    QPushButton* resetButton() const { return reset_; }

    void appear();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildCameraSection();
    void buildTextSection();
    void buildStyleRows();
    void addStyleRow(QWidget* row);

    void setSelectedDeviceID(const QString& id);
    void selectFirstDeviceIfNeeded();
    void refreshSelectedColors();
    void configurationsChanged();
    void defaultsChanged();
    void refresh();
    void refreshFontPicker(const QString& font);

    template <typename T>
    Binding<T> textBinding(T CameraAppearanceSettings::*field, T fallback);

    SettingsContext context_;
    QStringList availableFonts_;
    QString lastSelectedID_;
    bool refreshing_ = false;
    // The tab has been shown: from then on it keeps a camera selected.
    bool appeared_ = false;

    QComboBox* cameraPicker_ = nullptr;
    QLabel* noCameras_ = nullptr;
    QLabel* editingCaption_ = nullptr;
    QCheckBox* enableToggle_ = nullptr;
    QWidget* textEntry_ = nullptr;
    OverlayTextField* textField_ = nullptr;
    QLabel* remaining_ = nullptr;
    SettingsForm::Section* style_ = nullptr;
    QList<QWidget*> styleRows_;
    QComboBox* fontPicker_ = nullptr;
    QMap<QString, SettingsSliderRow*> sliders_;
    ColorPickerButton* fontColor_ = nullptr;
    ColorPickerButton* backgroundColor_ = nullptr;
    QPushButton* reset_ = nullptr;

    ObserverToken storeObserver_;
    ObserverToken defaultsObserver_;
};

}  // namespace mirelon
