// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panels/controller/MirelonPanelController.h"  // MirelonPanelControlling

namespace mirelon {

namespace MirelonStartStopAction {

// Hidden: sets the flag and shows the panels. Shown: clears it and hides them.
void toggle(bool& isMirelonOn, MirelonPanelControlling& panelController);

}  // namespace MirelonStartStopAction
}  // namespace mirelon
