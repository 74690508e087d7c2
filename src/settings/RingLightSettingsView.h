// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/EventBus.h"
#include "ringlight/RingLightDisplaySettings.h"
#include "settings/InfoPopover.h"
#include "settings/SettingsContext.h"
#include "settings/SettingsForm.h"

#include <QList>
#include <QMap>
#include <QPointer>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace mirelon {

class SettingsSliderRow;

// The Ring Light tab: picks one connected display and edits its ring light
// record through a working copy that is saved on every change.
class RingLightSettingsView : public SettingsForm::Page {
    Q_OBJECT
public:
    struct DisplayOption {
        QString id;
        QString title;
        bool operator==(const DisplayOption&) const = default;
    };
    using DisplayProvider = std::function<QList<DisplayOption>()>;

    // The connected screens that have a display identifier, in screen order.
    static QList<DisplayOption> connectedDisplays();

    // What a screen reports about itself, for its title.
    struct ScreenName {
        QString connector;  // "DP-1"
        QString manufacturer;
        QString model;
    };
    // Titles for screens, in order: the monitor's maker and model where it
    // reports a model, else its connector; the connector in brackets when
    // two screens would otherwise share a title.
    static QStringList displayTitles(const QList<ScreenName>& screens);

    explicit RingLightSettingsView(const SettingsContext& context,
                                   DisplayProvider displays = connectedDisplays,
                                   QWidget* parent = nullptr);
    ~RingLightSettingsView() override;

    QString selectedDisplayID() const;
    std::optional<QString> selectedDisplayTitle() const;
    const QList<DisplayOption>& displays() const { return displays_; }
    const RingLightDisplaySettings& selectedDisplaySettings() const { return working_; }

    QComboBox* displayPicker() const { return picker_; }
    QLabel* noDisplaysLabel() const { return noDisplays_; }
    QLabel* configuringCaption() const { return configuring_; }
    QCheckBox* enableSwitch() const { return switch_; }
    QPushButton* enableTitleButton() const { return titleButton_; }
    QToolButton* infoButton() const { return infoButton_; }
    QLabel* statusCaption() const { return status_; }
    // Shown while the ring light is on where it takes the clicks of the windows beneath.
    QLabel* clickThroughWarning() const { return clickWarning_; }
    SettingsSliderRow* sliderRow(const QString& title) const { return sliders_.value(title); }
    QPushButton* resetButton() const { return reset_; }
    bool isPopoverShown() const { return popover_ && popover_->isVisible(); }

    void refreshDisplays();
    void appear();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setSelectedDisplayID(const QString& id);
    void loadSelectedDisplaySettings();
    void persistSelectedDisplaySettings();
    void edit(const std::function<void(RingLightDisplaySettings&)>& change);
    void showPopover();
    void defaultsChanged();
    void refreshControls();
    // The displays and the stored record of the remembered one, without
    // choosing one (which is what showing the tab does).
    void listDisplays();

    SettingsContext context_;
    DisplayProvider provider_;
    QList<DisplayOption> displays_;
    RingLightDisplaySettings working_;
    QString loadedID_;
    bool writing_ = false;
    bool appeared_ = false;

    QWidget* pickerRow_ = nullptr;
    QComboBox* picker_ = nullptr;
    QLabel* noDisplays_ = nullptr;
    QLabel* configuring_ = nullptr;
    QCheckBox* switch_ = nullptr;
    QPushButton* titleButton_ = nullptr;
    QToolButton* infoButton_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* clickWarning_ = nullptr;
    QMap<QString, SettingsSliderRow*> sliders_;
    QPushButton* reset_ = nullptr;
    QPointer<InfoPopover> popover_;

    ObserverToken defaultsObserver_;
    ObserverToken screensObserver_;
};

}  // namespace mirelon
