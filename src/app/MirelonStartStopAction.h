#pragma once

namespace mirelon {

// What start/stop needs of the panel controller.
class MirelonPanelControlling {
public:
    virtual ~MirelonPanelControlling() = default;
    virtual void show() = 0;
    virtual void hide() = 0;
};

namespace MirelonStartStopAction {

// Hidden: sets the flag and shows the panels. Shown: clears it and hides them.
void toggle(bool& isMirelonOn, MirelonPanelControlling& panelController);

}  // namespace MirelonStartStopAction
}  // namespace mirelon
