// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraDeviceConfiguration.h"
#include "platform/qt/EventBus.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <map>
#include <optional>

namespace mirelon {

class PreferencesFile;

// Owns one configuration per camera ever seen, persists them all under
// "cameraDeviceConfigurations", and publishes the records of the cameras that
// are connected now as `configurations`. Every effective change posts
// settingsChangedNotification and saves the whole array.
class CameraDeviceSettingsStore {
public:
    using Provider = std::function<QList<AvailableCameraDevice>()>;

    static inline const QString settingsChangedNotification =
        QStringLiteral("Mirelon.CameraDeviceSettingsChanged");
    static inline const QString userDefaultsKey = QStringLiteral("cameraDeviceConfigurations");

    CameraDeviceSettingsStore(PreferencesFile& defaults, Provider cameraDeviceProvider,
                              EventBus& center = EventBus::shared());
    ~CameraDeviceSettingsStore();
    CameraDeviceSettingsStore(const CameraDeviceSettingsStore&) = delete;
    CameraDeviceSettingsStore& operator=(const CameraDeviceSettingsStore&) = delete;

    // The process-wide store on the standard defaults and the platform's camera list.
    static CameraDeviceSettingsStore& shared();

    const QList<CameraDeviceConfiguration>& configurations() const { return configurations_; }
    std::optional<CameraDeviceConfiguration> configuration(const QString& id) const;
    bool isCameraDeviceAvailable(const QString& id) const;

    void setEnabled(bool enabled, const QString& id);
    bool canDisableCamera(const QString& id) const;
    void setPosition(AppSettings::Position position, const QString& id);
    void setWindowOrigin(double x, double y, const QString& id);

    template <typename T>
    void updateAppearance(const QString& id, T CameraAppearanceSettings::*field, T value) {
        updateConfiguration(id, [&](CameraDeviceConfiguration& c) { c.appearance.*field = value; });
    }

    void resetBasicSettings(const QString& id);
    void resetColorSettings(const QString& id);
    void resetRotationSettings(const QString& id);
    void resetTextSettings(const QString& id);

    void adjustCameraSizeForEnabledCameras(double delta);
    void adjustTextSizeForEnabledCameras(double delta);
    void toggleMirroringForEnabledCameras();

    QList<CameraDeviceConfiguration> unavailableEnabledConfigurations() const;
    bool enableFallbackCameraForUnavailableEnabledSelection();
    bool enableFallbackConnectedCamera(const std::optional<QString>& excluding,
                                       const QSet<QString>& preferredCameraIDs);
    std::optional<QString> temporaryFallbackCameraID() const { return temporaryFallbackCameraID_; }
    QSet<QString> preferredCameraIDsForTemporaryFallback() const {
        return preferredCameraIDsForTemporaryFallback_;
    }

    void syncWithConnectedCameras();

private:
    void loadConfigurations();
    void saveConfigurations();
    void setupCameraNotifications();
    void updateConfiguration(const QString& id,
                             const std::function<void(CameraDeviceConfiguration&)>& update);
    void updatePublishedConfiguration(const CameraDeviceConfiguration& record);
    void publish(QList<CameraDeviceConfiguration> list);
    std::optional<CameraDeviceConfiguration> fallbackConfiguration(
        const std::optional<QString>& excluding) const;
    bool removeTemporaryFallbackIfPreferredCameraReturned(const QSet<QString>& connectedCameraIDs);
    void forEachEnabled(const std::function<void(CameraDeviceConfiguration&)>& update);

    PreferencesFile& defaults_;
    Provider cameraDeviceProvider_;
    EventBus& center_;
    QList<CameraDeviceConfiguration> configurations_;
    std::map<QString, CameraDeviceConfiguration> persistedConfigurationsByID_;
    std::optional<QString> temporaryFallbackCameraID_;
    QSet<QString> preferredCameraIDsForTemporaryFallback_;
    bool storedValueIsUnreadable_ = false;  // keep it aside before the first save
    ObserverToken cameraConnectedObserver_;
    ObserverToken cameraDisconnectedObserver_;
    ObserverToken cameraChangedObserver_;
};

// Stable ascending sort by name, case-insensitive and locale-aware.
void sortByName(QList<AvailableCameraDevice>& devices);
void sortByName(QList<CameraDeviceConfiguration>& records);

}  // namespace mirelon
