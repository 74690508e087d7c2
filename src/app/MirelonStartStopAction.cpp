// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MirelonStartStopAction.h"

namespace mirelon {
namespace MirelonStartStopAction {

void toggle(bool& isMirelonOn, MirelonPanelControlling& panelController) {
    if (!isMirelonOn) {
        isMirelonOn = true;
        panelController.show();
    } else {
        isMirelonOn = false;
        panelController.hide();
    }
}

}  // namespace MirelonStartStopAction
}  // namespace mirelon
