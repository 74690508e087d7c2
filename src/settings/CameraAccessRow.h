// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/EventBus.h"

#include <QWidget>

class QComboBox;

namespace mirelon {

class PreferencesFile;

// The General tab's "Camera connection" row: Automatic, PipeWire or Direct,
// written to the preferences at once and following outside changes. Shown
// disabled, with the reason, while MIRELON_CAMERA_ACCESS decides.
class CameraAccessRow final : public QWidget {
    Q_OBJECT
public:
    CameraAccessRow(PreferencesFile& defaults, EventBus& center, QWidget* parent = nullptr);

    QComboBox* picker() const { return picker_; }

private:
    void refresh();

    PreferencesFile& defaults_;
    QComboBox* picker_ = nullptr;
    ObserverToken observer_;
};

}  // namespace mirelon
