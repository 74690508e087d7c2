// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/EventBus.h"
#include "settings/InfoPopover.h"
#include "settings/SettingsContext.h"
#include "settings/SettingsForm.h"

#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace mirelon {

class AccessIndicatorView;
class GnomeIntegrationRow;
class MirelonSwitchRow;
class CameraViewModel;
namespace StartAtLogin {
class Toggle;
}

class SettingsSliderRow;

// The General tab: switching Mirelon on and off and quitting (and, under
// GNOME Shell, installing the companion extension), camera access, start at login, hover
// transparency, the move hint and the menu-bar icon. Every control writes its preference at once.
class GeneralSettingsView : public SettingsForm::Page {
    Q_OBJECT
public:
    // cameraViewModel: the settings window's camera model, whose permission
    // state the access row shows (none: the row shows "Not Granted").
    explicit GeneralSettingsView(const SettingsContext& context,
                                 CameraViewModel* cameraViewModel = nullptr,
                                 QWidget* parent = nullptr);
    ~GeneralSettingsView() override;

    // "Controls how transparent ... (N%)" for an opacity; N rounds halves away from zero.
    static QString hoverSubtitle(double hoverOpacity);

    bool isGranted() const { return isGranted_; }
    void setGranted(bool granted);

    MirelonSwitchRow* switchRow() const { return switchRow_; }
    // Under GNOME Shell only.
    GnomeIntegrationRow* gnomeIntegrationRow() const { return gnomeIntegration_; }
    SettingsSliderRow* hoverRow() const { return hover_; }
    QCheckBox* moveHintToggle() const { return moveHint_; }
    StartAtLogin::Toggle* startAtLoginToggle() const { return startAtLogin_; }
    QComboBox* menuBarIconPicker() const { return menuBarIcon_; }
    AccessIndicatorView* accessIndicator() const { return accessIndicator_; }
    QPushButton* cameraAccessButton() const { return accessButton_; }
    QToolButton* cameraAccessInfoButton() const { return infoButton_; }
    InfoPopover* popover() const { return popover_; }
    bool isPopoverShown() const;

    void appear();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildAccessRow(SettingsForm::Section* section);
    void togglePopover();
    void refresh();

    SettingsContext context_;
    QPointer<CameraViewModel> cameraViewModel_;
    MirelonSwitchRow* switchRow_ = nullptr;
    GnomeIntegrationRow* gnomeIntegration_ = nullptr;
    bool isGranted_ = false;
    QPushButton* accessButton_ = nullptr;
    QToolButton* infoButton_ = nullptr;
    QPointer<InfoPopover> popover_;
    QWidget* indicatorHost_ = nullptr;
    AccessIndicatorView* accessIndicator_ = nullptr;
    StartAtLogin::Toggle* startAtLogin_ = nullptr;
    SettingsSliderRow* hover_ = nullptr;
    QCheckBox* moveHint_ = nullptr;
    QComboBox* menuBarIcon_ = nullptr;
    ObserverToken defaultsObserver_;
};

}  // namespace mirelon
