#pragma once

#include "settings/SettingsContext.h"
#include "settings/SettingsForm.h"

namespace mirelon {

// The Ring Light tab: one display's ring light record.
class RingLightSettingsView : public SettingsForm::Page {
    Q_OBJECT
public:
    explicit RingLightSettingsView(const SettingsContext& context, QWidget* parent = nullptr);

private:
    SettingsContext context_;
};

}  // namespace mirelon
