// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/EventBus.h"
#include "settings/SettingsContext.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace mirelon {

// The head of the General tab: whether Mirelon shows its panels, a button
// that switches them on or off (through "isMirelonOn", which the application
// follows) and one that quits. It makes the window enough to run Mirelon on a
// desktop that shows no tray icon.
class MirelonSwitchRow : public QWidget {
    Q_OBJECT
public:
    // quit: what the Quit button runs (none: the application quits).
    explicit MirelonSwitchRow(const SettingsContext& context, std::function<void()> quit = {},
                              QWidget* parent = nullptr);
    ~MirelonSwitchRow() override;

    QLabel* stateLabel() const { return state_; }
    QPushButton* switchButton() const { return switch_; }
    QPushButton* quitButton() const { return quit_; }

private:
    void refresh();

    SettingsContext context_;
    std::function<void()> quitAction_;
    QLabel* state_ = nullptr;
    QPushButton* switch_ = nullptr;
    QPushButton* quit_ = nullptr;
    ObserverToken defaultsObserver_;
};

}  // namespace mirelon
