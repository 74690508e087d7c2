#include "settings/KeyShortcutsSettingsView.h"

#include "app/ShortcutActions.h"
#include "shortcuts/Name.h"
#include "shortcuts/Recorder.h"

namespace mirelon {

const std::vector<KeyShortcutsSettingsView::Row>& KeyShortcutsSettingsView::rows() {
    static const std::vector<Row> table = [] {
        std::vector<Row> out;
        for (const QString& name : ShortcutNames::all()) {
            out.push_back({ShortcutNames::title(name), name});
        }
        return out;
    }();
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
