#pragma once

#include "settings/SettingsForm.h"

#include <QList>
#include <QString>

#include <vector>

namespace mirelon {

namespace GlobalShortcuts {
class Recorder;
}

// The Key Shortcuts tab: one recorder row per named action, in menu order.
class KeyShortcutsSettingsView : public SettingsForm::Page {
    Q_OBJECT
public:
    struct Row {
        QString label;
        QString name;  // the shortcut name, also its storage key suffix
    };
    static const std::vector<Row>& rows();

    explicit KeyShortcutsSettingsView(QWidget* parent = nullptr);

    QList<GlobalShortcuts::Recorder*> recorders() const { return recorders_; }

private:
    QList<GlobalShortcuts::Recorder*> recorders_;
};

}  // namespace mirelon
