// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShortcutActions.h"

#include <QCoreApplication>

#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "platform/MoveMode.h"
#include "platform/files/PreferencesFile.h"

#include <algorithm>
#include <cmath>

namespace mirelon {

namespace ShortcutNames {

const QStringList& withMoveMode() {
    static const QStringList names = {
        toggleMirelon,
        toggleText,
        toggleRingLight,
        increaseCameraSize,
        decreaseCameraSize,
        toggleCameraMirroring,
        increaseTextSize,
        decreaseTextSize,
        increaseRingLightTemperature,
        decreaseRingLightTemperature,
        increaseRingLightWidth,
        decreaseRingLightWidth,
        moveCameraPanels,
    };
    return names;
}

const QStringList& all() {
    static const QStringList twelve = withMoveMode().mid(0, withMoveMode().size() - 1);
    return MoveMode::shared().isAvailable() ? withMoveMode() : twelve;
}

QString title(const QString& name) {
    static const std::map<QString, QString> titles = {
        {toggleMirelon, QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Toggle Mirelon"))},
        {toggleText, QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Toggle Text"))},
        {toggleRingLight, QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Toggle Ring Light"))},
        {increaseCameraSize,
         QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Increase Camera Size"))},
        {decreaseCameraSize,
         QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Decrease Camera Size"))},
        {toggleCameraMirroring,
         QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Toggle Camera Mirroring"))},
        {increaseTextSize,
         QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Increase Text Size"))},
        {decreaseTextSize,
         QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Decrease Text Size"))},
        {increaseRingLightTemperature,
         QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Increase Ring Light Temperature"))},
        {decreaseRingLightTemperature,
         QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Decrease Ring Light Temperature"))},
        // The width steps are offered as brightness: a wider band is brighter.
        {increaseRingLightWidth,
         QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Increase Ring Light Brightness"))},
        {decreaseRingLightWidth,
         QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Decrease Ring Light Brightness"))},
        {moveCameraPanels,
         QStringLiteral(QT_TRANSLATE_NOOP("ShortcutNames", "Move Camera Panels"))},
    };
    auto it = titles.find(name);
    return it == titles.end()
               ? QString()
               : QCoreApplication::translate("ShortcutNames", qUtf8Printable(it->second));
}

}  // namespace ShortcutNames

ShortcutActions::ShortcutActions(PreferencesFile& defaults, CameraDeviceSettingsStore& store,
                                 MirelonPanelControlling& panelController,
                                 RingLightRefreshing& ringLight, RingLightRecords& ringLightRecords)
    : defaults_(defaults),
      store_(store),
      panelController_(panelController),
      ringLight_(ringLight),
      ringLightRecords_(ringLightRecords) {}

void ShortcutActions::registerKeyShortcuts(ShortcutRegistering& shortcuts) {
    shortcuts.removeAllHandlers();
    shortcuts.disable(ShortcutNames::all());
    // Binding order: the size steps before mirroring.
    static const QStringList order = {
        ShortcutNames::toggleMirelon,
        ShortcutNames::toggleText,
        ShortcutNames::toggleRingLight,
        ShortcutNames::increaseCameraSize,
        ShortcutNames::decreaseCameraSize,
        ShortcutNames::increaseTextSize,
        ShortcutNames::decreaseTextSize,
        ShortcutNames::toggleCameraMirroring,
        ShortcutNames::increaseRingLightTemperature,
        ShortcutNames::decreaseRingLightTemperature,
        ShortcutNames::increaseRingLightWidth,
        ShortcutNames::decreaseRingLightWidth,
    };
    for (const QString& name : order) {
        shortcuts.onKeyUp(name, [this, name] { perform(name); });
    }
    if (MoveMode::shared().isAvailable()) {
        shortcuts.onKeyUp(ShortcutNames::moveCameraPanels,
                          [this] { perform(ShortcutNames::moveCameraPanels); });
    }
}

bool ShortcutActions::perform(const QString& name) {
    namespace N = ShortcutNames;
    if (name == N::toggleMirelon) {
        toggleMirelon();
    } else if (name == N::toggleText) {
        toggleText();
    } else if (name == N::toggleRingLight) {
        toggleRingLight();
    } else if (name == N::increaseCameraSize) {
        adjustCameraSize(cameraSizeStep);
    } else if (name == N::decreaseCameraSize) {
        adjustCameraSize(-cameraSizeStep);
    } else if (name == N::increaseTextSize) {
        adjustTextSize(textSizeStep);
    } else if (name == N::decreaseTextSize) {
        adjustTextSize(-textSizeStep);
    } else if (name == N::toggleCameraMirroring) {
        toggleCameraMirroring();
    } else if (name == N::increaseRingLightTemperature) {
        adjustRingLightTemperature(temperatureStep);
    } else if (name == N::decreaseRingLightTemperature) {
        adjustRingLightTemperature(-temperatureStep);
    } else if (name == N::increaseRingLightWidth) {
        adjustRingLightWidth(widthStep);
    } else if (name == N::decreaseRingLightWidth) {
        adjustRingLightWidth(-widthStep);
    } else if (name == N::moveCameraPanels) {
        // Only sessions without the Super drag have the mode; elsewhere a no-op.
        MoveMode::shared().toggle();
    } else {
        return false;
    }
    return true;
}

void ShortcutActions::toggleMirelon() {
    Preferences preferences(defaults_);
    bool on = preferences.isMirelonOn();
    MirelonStartStopAction::toggle(on, panelController_);
    preferences.setIsMirelonOn(on);
}

void ShortcutActions::toggleText() {
    Preferences preferences(defaults_);
    preferences.setTextVisible(!preferences.textVisible());
}

void ShortcutActions::toggleRingLight() {
    Preferences preferences(defaults_);
    preferences.setRingLightEnabled(!preferences.ringLightEnabled());
    ringLight_.refresh();
}

void ShortcutActions::adjustCameraSize(double step) {
    store_.adjustCameraSizeForEnabledCameras(step);
}

void ShortcutActions::adjustTextSize(double step) {
    store_.adjustTextSizeForEnabledCameras(step);
}

void ShortcutActions::toggleCameraMirroring() {
    store_.toggleMirroringForEnabledCameras();
}

void ShortcutActions::adjustRingLightTemperature(double step) {
    adjustRingLight(&RingLightRecord::temperature, step, 0.0, 1.0);
}

void ShortcutActions::adjustRingLightWidth(double step) {
    adjustRingLight(&RingLightRecord::width, step, 8.0, 80.0);
}

void ShortcutActions::adjustRingLight(double RingLightRecord::*field, double step, double low,
                                      double high) {
    const QStringList displayIDs = ringLightRecords_.stepDisplayIDs();
    if (displayIDs.isEmpty()) {
        return;
    }
    auto records = ringLightRecords_.loadAll();
    for (const QString& displayID : displayIDs) {
        auto it = records.find(displayID);
        RingLightRecord record =
            it != records.end() ? it->second : ringLightRecords_.defaultRecord();
        // A stored value that is not a number is put back in range by the clamp.
        const double current = std::isfinite(record.*field) ? record.*field : low;
        record.*field = std::clamp(current + step, low, high);
        records[displayID] = record;
    }
    ringLightRecords_.saveAll(records);
    ringLight_.refresh();
}

}  // namespace mirelon
