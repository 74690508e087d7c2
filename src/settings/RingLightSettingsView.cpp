#include "settings/RingLightSettingsView.h"

namespace mirelon {

RingLightSettingsView::RingLightSettingsView(const SettingsContext& context, QWidget* parent)
    : SettingsForm::Page(parent), context_(context) {
    // SLOT (ring light): the tab is built once RingLightDisplaySettingsStore and
    // Utils::displayID are available.
    finish();
}

}  // namespace mirelon
