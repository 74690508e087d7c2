// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/CameraAccessRow.h"

#include "capture/CameraAccess.h"
#include "platform/files/PreferencesFile.h"
#include "settings/SettingsForm.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

namespace mirelon {

CameraAccessRow::CameraAccessRow(PreferencesFile& defaults, EventBus& center, QWidget* parent)
    : QWidget(parent), defaults_(defaults) {
    picker_ = new QComboBox;
    picker_->setAccessibleName(tr("Camera connection"));
    picker_->addItem(tr("Automatic"), CameraAccessSetting::word(CameraAccess::automatic));
    picker_->addItem(tr("PipeWire"), CameraAccessSetting::word(CameraAccess::pipewire));
    picker_->addItem(tr("Direct"), CameraAccessSetting::word(CameraAccess::direct));
    QString help =
        tr("Automatic uses the cameras of the PipeWire session when it offers any, "
           "so other apps can show the same camera at the same time; otherwise "
           "Mirelon opens the camera devices directly.");
    if (CameraAccessSetting::forcedByEnvironment()) {
        picker_->setEnabled(false);
        help += QLatin1Char(' ') + tr("MIRELON_CAMERA_ACCESS decides for now.");
    }
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(
        SettingsForm::row(SettingsForm::labelBlock(tr("Camera connection"), help), picker_));
    connect(picker_, &QComboBox::activated, this, [this](int index) {
        if (const auto access = CameraAccessSetting::parse(picker_->itemData(index).toString())) {
            CameraAccessSetting::store(defaults_, *access);
        }
    });
    observer_ = center.addObserver(Notifications::defaultsChanged,
                                   [this](const Notification&) { refresh(); });
    refresh();
}

void CameraAccessRow::refresh() {
    const QSignalBlocker blocker(picker_);
    picker_->setCurrentIndex(
        picker_->findData(CameraAccessSetting::word(CameraAccessSetting::effective(defaults_))));
}

}  // namespace mirelon
