#include "settings/KeyShortcutsSettingsView.h"

#include "shortcuts/Name.h"
#include "shortcuts/Recorder.h"

namespace mirelon {

const std::vector<KeyShortcutsSettingsView::Row>& KeyShortcutsSettingsView::rows() {
    // SLOT (shell): these names become the twelve GlobalShortcuts names when they land.
    static const std::vector<Row> table = {
        {tr("Toggle Mirelon"), QStringLiteral("toggleMirelon")},
        {tr("Toggle Text"), QStringLiteral("toggleText")},
        {tr("Toggle Ring Light"), QStringLiteral("toggleRingLight")},
        {tr("Increase Camera Size"), QStringLiteral("increaseCameraSize")},
        {tr("Decrease Camera Size"), QStringLiteral("decreaseCameraSize")},
        {tr("Toggle Camera Mirroring"), QStringLiteral("toggleCameraMirroring")},
        {tr("Increase Text Size"), QStringLiteral("increaseTextSize")},
        {tr("Decrease Text Size"), QStringLiteral("decreaseTextSize")},
        {tr("Increase Ring Light Temperature"), QStringLiteral("increaseRingLightTemperature")},
        {tr("Decrease Ring Light Temperature"), QStringLiteral("decreaseRingLightTemperature")},
        {tr("Increase Ring Light Brightness"), QStringLiteral("increaseRingLightWidth")},
        {tr("Decrease Ring Light Brightness"), QStringLiteral("decreaseRingLightWidth")},
    };
    return table;
}

KeyShortcutsSettingsView::KeyShortcutsSettingsView(QWidget* parent) : SettingsForm::Page(parent) {
    auto* section = addSection();
    for (const Row& row : rows()) {
        auto* recorder = new GlobalShortcuts::Recorder(row.label, GlobalShortcuts::Name(row.name));
        recorder->setProperty("shortcutName", row.name);
        recorders_.append(recorder);
        section->addRow(recorder);
    }
    finish();
}

}  // namespace mirelon
