// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/GeneralSettingsView.h"

#include "capture/CameraStatusViews.h"
#include "capture/CameraViewModel.h"
#include "config/AppSettings.h"
#include "config/Preferences.h"
#include "platform/CameraPortal.h"
#include "platform/ShellExtension.h"
#include "platform/files/CameraPermission.h"
#include "platform/files/PreferencesFile.h"
#include "settings/CameraAccessRow.h"
#include "settings/GnomeIntegrationRow.h"
#include "settings/InfoPopover.h"
#include "settings/MirelonSwitchRow.h"
#include "settings/SettingsSliderRow.h"
#include "settings/SettingsSymbols.h"
#include "startatlogin/StartAtLogin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace mirelon {

GeneralSettingsView::GeneralSettingsView(const SettingsContext& context,
                                         CameraViewModel* cameraViewModel, QWidget* parent)
    : SettingsForm::Page(parent), context_(context), cameraViewModel_(cameraViewModel) {
    // Switching Mirelon on and off and quitting need no tray icon.
    auto* head = addSection();
    switchRow_ = new MirelonSwitchRow(context_);
    head->addRow(switchRow_);
    if (ShellExtension::runsUnderGnomeShell()) {
        gnomeIntegration_ = new GnomeIntegrationRow;
        head->addRow(gnomeIntegration_);
    }

    auto* section = addSection();
    buildAccessRow(section);
    section->addRow(new CameraAccessRow(*context_.defaults, *context_.center));

    startAtLogin_ = new StartAtLogin::Toggle(
        SettingsForm::labelBlock(
            tr("Start at login"),
            tr("Automatically starts the app when you log into or start your computer.")),
        nullptr);
    section->addRow(startAtLogin_);

    Preferences prefs(*context_.defaults);
    hover_ = new SettingsSliderRow(
        tr("Hover Transparency"), hoverSubtitle(prefs.hoverOpacity()),
        DoubleBinding{[this] { return Preferences(*context_.defaults).hoverOpacity(); },
                      [this](double v) { Preferences(*context_.defaults).setHoverOpacity(v); }},
        0, 1, QStringLiteral("minus.circle.fill"), QStringLiteral("plus.circle.fill"));
    section->addRow(hover_);

    moveHint_ = new QCheckBox;
    moveHint_->setAccessibleName(tr("Move Hint on Hover"));
    section->addRow(
        SettingsForm::row(SettingsForm::labelBlock(tr("Move Hint on Hover"),
                                                   tr("Show the “Press and hold Super to "
                                                      "move the window” hint when hovering.")),
                          moveHint_));
    connect(moveHint_, &QCheckBox::clicked, this,
            [this](bool on) { Preferences(*context_.defaults).setMoveHintEnabled(on); });

    menuBarIcon_ = new QComboBox;
    menuBarIcon_->setAccessibleName(tr("App Icon"));
    menuBarIcon_->setIconSize(QSize(18, 18));
    for (const QString& name : AppSettings::shared().menuBarIcons) {
        const QIcon icon = settingsSymbol(name);
        // Each choice is its image; a name without an icon shows its name.
        menuBarIcon_->addItem(icon, icon.isNull() ? name : QString(), name);
        menuBarIcon_->setItemData(menuBarIcon_->count() - 1, name, Qt::ToolTipRole);
    }
    section->addRow(SettingsForm::row(
        SettingsForm::labelBlock(tr("App Icon"), tr("This icon will appear in the system tray.")),
        menuBarIcon_));
    connect(menuBarIcon_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) {
            Preferences(*context_.defaults)
                .setMenuBarIcon(menuBarIcon_->itemData(index).toString());
        }
    });
    finish();

    defaultsObserver_ = context_.center->addObserver(Notifications::defaultsChanged,
                                                     [this](const Notification&) { refresh(); });
    refresh();
}

GeneralSettingsView::~GeneralSettingsView() = default;

QString GeneralSettingsView::hoverSubtitle(double hoverOpacity) {
    // std::round rounds halves away from zero.
    const double percent = std::round(hoverOpacity * 100.0);
    const QString number =
        std::isfinite(percent)
            ? QString::number(static_cast<long long>(std::clamp(percent, -1e15, 1e15)))
            : QString::number(percent);
    return tr("Controls how transparent the camera view becomes on hover. (") + number +
           QStringLiteral("%)");
}

void GeneralSettingsView::buildAccessRow(SettingsForm::Section* section) {
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto* line = new QHBoxLayout;
    line->setSpacing(4);
    accessButton_ = new QPushButton(tr("Camera access"), block);
    accessButton_->setFlat(true);
    accessButton_->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; text-align: left; }"));
    accessButton_->setCursor(Qt::PointingHandCursor);
    line->addWidget(accessButton_);
    infoButton_ = new QToolButton(block);
    infoButton_->setAutoRaise(true);
    infoButton_->setIcon(settingsSymbol(QStringLiteral("info.circle.fill"), secondaryTextColor()));
    infoButton_->setIconSize(QSize(12, 12));
    infoButton_->setToolTip(tr("Enable Camera Access"));
    infoButton_->setCursor(Qt::PointingHandCursor);
    line->addWidget(infoButton_);
    line->addStretch(1);
    layout->addLayout(line);
    layout->addWidget(
        SettingsForm::caption(tr("This is needed to show the camera view on the screen."), block));

    indicatorHost_ = new QWidget;
    auto* hostLayout = new QHBoxLayout(indicatorHost_);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    section->addRow(SettingsForm::row(block, indicatorHost_));

    connect(accessButton_, &QPushButton::clicked, this, &GeneralSettingsView::togglePopover);
    connect(infoButton_, &QToolButton::clicked, this, &GeneralSettingsView::togglePopover);
    // Every value the model publishes reaches the indicator, so it changes as
    // soon as access is granted and the model has re-checked.
    if (cameraViewModel_) {
        connect(cameraViewModel_, &CameraViewModel::isGrantedChanged, this,
                &GeneralSettingsView::setGranted);
    }
    setGranted(cameraViewModel_ && cameraViewModel_->isGranted());
}

void GeneralSettingsView::togglePopover() {
    if (isPopoverShown()) {
        popover_->close();
        return;
    }
    if (!popover_) {
        popover_ = new InfoPopover(this);
        auto* layout = popover_->contentLayout();
        auto* headline = new QLabel(tr("Enable Camera Access"), popover_);
        QFont bold = headline->font();
        bold.setBold(true);
        headline->setFont(bold);
        layout->addWidget(headline);
        layout->addSpacing(2);
        // Through the desktop's camera portal the answer is the desktop's.
        const QString why = CameraPortal::shared().wasRefused()
                                ? tr("Camera access was refused when the desktop asked.\n"
                                     "Allow Mirelon to use the camera in the privacy\n"
                                     "settings of your desktop, then restart Mirelon.")
                                : tr("Mirelon needs to open the camera device\n"
                                     "(/dev/videoN). Your account must be in the group\n"
                                     "that owns it, usually “video”, and no other\n"
                                     "program may be using the camera.");
        layout->addWidget(new QLabel(why, popover_));
        layout->addSpacing(2);
        auto* open = new QPushButton(tr("Open Camera Settings"), popover_);
        connect(open, &QPushButton::clicked, this, [] { Utils::openCameraPrivacySettings(); });
        layout->addWidget(open, 0, Qt::AlignLeft);
    }
    popover_->showAt(infoButton_);
}

bool GeneralSettingsView::isPopoverShown() const {
    return popover_ && popover_->isVisible();
}

void GeneralSettingsView::setGranted(bool granted) {
    if (accessIndicator_ && isGranted_ == granted) {
        return;
    }
    isGranted_ = granted;
    // The pill is drawn for one state: a change puts a new one in its place.
    auto* indicator =
        granted ? new AccessIndicatorView(tr("Granted"), QStringLiteral("checkmark.circle.fill"),
                                          QColor(0x34, 0xc7, 0x59))
                : new AccessIndicatorView(tr("Not Granted"), QStringLiteral("x.circle.fill"),
                                          QColor(0xff, 0x3b, 0x30));
    if (accessIndicator_) {
        accessIndicator_->hide();
        accessIndicator_->deleteLater();
    }
    accessIndicator_ = indicator;
    indicatorHost_->layout()->addWidget(indicator);
}

void GeneralSettingsView::appear() {
    if (cameraViewModel_) {
        cameraViewModel_->checkCameraAccess();
    }
}

void GeneralSettingsView::showEvent(QShowEvent* event) {
    SettingsForm::Page::showEvent(event);
    appear();
}

void GeneralSettingsView::refresh() {
    Preferences prefs(*context_.defaults);
    hover_->setSubtitle(hoverSubtitle(prefs.hoverOpacity()));
    hover_->refresh();
    moveHint_->setChecked(prefs.moveHintEnabled());
    const QSignalBlocker blocker(menuBarIcon_);
    menuBarIcon_->setCurrentIndex(menuBarIcon_->findData(prefs.menuBarIcon()));
}

}  // namespace mirelon
