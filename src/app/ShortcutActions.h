// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppServices.h"
#include "app/MirelonStartStopAction.h"

#include <QString>
#include <QStringList>

namespace mirelon {

class CameraDeviceSettingsStore;
class PreferencesFile;

// The named shortcut actions: twelve everywhere, and moving the camera panels
// (no default key) where the session needs move mode. The names are the
// storage identifiers of the user's key combinations and never change.
namespace ShortcutNames {
inline const QString toggleMirelon = QStringLiteral("toggleMirelon");
inline const QString toggleText = QStringLiteral("toggleText");
inline const QString toggleRingLight = QStringLiteral("toggleRingLight");
inline const QString increaseCameraSize = QStringLiteral("increaseCameraSize");
inline const QString decreaseCameraSize = QStringLiteral("decreaseCameraSize");
inline const QString toggleCameraMirroring = QStringLiteral("toggleCameraMirroring");
inline const QString increaseTextSize = QStringLiteral("increaseTextSize");
inline const QString decreaseTextSize = QStringLiteral("decreaseTextSize");
inline const QString increaseRingLightTemperature = QStringLiteral("increaseRingLightTemperature");
inline const QString decreaseRingLightTemperature = QStringLiteral("decreaseRingLightTemperature");
inline const QString increaseRingLightWidth = QStringLiteral("increaseRingLightWidth");
inline const QString decreaseRingLightWidth = QStringLiteral("decreaseRingLightWidth");
inline const QString moveCameraPanels = QStringLiteral("moveCameraPanels");

// The names of this session, in declaration order (also the order of the
// shortcuts tab): moveCameraPanels only where move mode is available.
const QStringList& all();
// Every name any session knows, moveCameraPanels last: what `mirelon --action`
// accepts (the running instance answers for a name its session lacks).
const QStringList& withMoveMode();
// Title of a name in the shortcuts tab ("Toggle Mirelon"...).
QString title(const QString& name);
}  // namespace ShortcutNames

// The routines behind the shortcuts and the matching menu items.
class ShortcutActions {
public:
    static constexpr double cameraSizeStep = 0.25;
    static constexpr double textSizeStep = 2.0;
    static constexpr double temperatureStep = 0.05;
    static constexpr double widthStep = 3.0;

    ShortcutActions(PreferencesFile& defaults, CameraDeviceSettingsStore& store,
                    MirelonPanelControlling& panelController, RingLightRefreshing& ringLight,
                    RingLightRecords& ringLightRecords);

    // Replaces every handler: removes all, unregisters the twelve names, then
    // binds one key-up handler per name.
    void registerKeyShortcuts(ShortcutRegistering& shortcuts);

    // Runs the action of a name; false for an unknown name.
    bool perform(const QString& name);

    void toggleMirelon();
    void toggleText();
    void toggleRingLight();
    void adjustCameraSize(double step);
    void adjustTextSize(double step);
    void toggleCameraMirroring();
    void adjustRingLightTemperature(double step);
    void adjustRingLightWidth(double step);

private:
    void adjustRingLight(double RingLightRecord::*field, double step, double low, double high);

    PreferencesFile& defaults_;
    CameraDeviceSettingsStore& store_;
    MirelonPanelControlling& panelController_;
    RingLightRefreshing& ringLight_;
    RingLightRecords& ringLightRecords_;
};

}  // namespace mirelon
