// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CameraDeviceSettingsStore.h"

#include "capture/CameraDirectory.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/Logging.h"

#include <QCollator>

#include <algorithm>

namespace mirelon {
namespace {

int compareNames(const QString& a, const QString& b) {
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b);
}

template <typename T>
void stableSortByName(QList<T>& items) {
    std::stable_sort(items.begin(), items.end(),
                     [](const T& a, const T& b) { return compareNames(a.name, b.name) < 0; });
}

}  // namespace

void sortByName(QList<AvailableCameraDevice>& devices) {
    stableSortByName(devices);
}
void sortByName(QList<CameraDeviceConfiguration>& records) {
    stableSortByName(records);
}

CameraDeviceSettingsStore::CameraDeviceSettingsStore(PreferencesFile& defaults,
                                                     Provider cameraDeviceProvider,
                                                     EventBus& center)
    : defaults_(defaults), cameraDeviceProvider_(std::move(cameraDeviceProvider)), center_(center) {
    loadConfigurations();
    setupCameraNotifications();
}

CameraDeviceSettingsStore::~CameraDeviceSettingsStore() = default;

CameraDeviceSettingsStore& CameraDeviceSettingsStore::shared() {
    static CameraDeviceSettingsStore* store = new CameraDeviceSettingsStore(
        PreferencesFile::standard(), [] { return Utils::getAvailableCameras(); });
    return *store;
}

std::optional<CameraDeviceConfiguration> CameraDeviceSettingsStore::configuration(
    const QString& id) const {
    const auto it = persistedConfigurationsByID_.find(id);
    if (it == persistedConfigurationsByID_.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool CameraDeviceSettingsStore::isCameraDeviceAvailable(const QString& id) const {
    return std::any_of(configurations_.begin(), configurations_.end(),
                       [&](const CameraDeviceConfiguration& c) { return c.id == id; });
}

void CameraDeviceSettingsStore::loadConfigurations() {
    persistedConfigurationsByID_.clear();
    if (defaults_.contains(userDefaultsKey)) {
        QString error;
        std::optional<QList<CameraDeviceConfiguration>> records;
        if (const auto data = defaults_.dataValue(userDefaultsKey)) {
            records = decodeConfigurations(*data, defaults_, &error);
        } else {
            error = QStringLiteral("the stored value is not data");
        }
        if (records) {
            for (const auto& r : *records) {
                // A repeated id keeps its first record.
                persistedConfigurationsByID_.emplace(r.id, r);
            }
        } else {
            storedValueIsUnreadable_ = true;
            qCWarning(lcConfig).noquote()
                << "Stored camera configurations cannot be read (" << error
                << "); starting without them. The stored value is kept aside before it is "
                   "replaced.";
        }
    }
    syncWithConnectedCameras();
}

void CameraDeviceSettingsStore::saveConfigurations() {
    QList<CameraDeviceConfiguration> records;
    for (const auto& [id, r] : persistedConfigurationsByID_) {
        if (!r.isEncodable()) {
            return;  // a non-finite number has no JSON form: write nothing
        }
        records.append(r);
    }
    if (storedValueIsUnreadable_) {
        storedValueIsUnreadable_ = false;
        const QString aside = defaults_.copyValueAside(userDefaultsKey);
        if (!aside.isEmpty()) {
            qCWarning(lcConfig).noquote()
                << "Kept the unreadable camera configurations as" << aside;
        }
    }
    // std::map orders ids by their characters, case-sensitively, without locale.
    defaults_.setData(userDefaultsKey, encodeConfigurations(records));
}

void CameraDeviceSettingsStore::setupCameraNotifications() {
    auto sync = [this](const Notification&) { syncWithConnectedCameras(); };
    cameraConnectedObserver_ = center_.addObserver(Notifications::cameraConnected, sync);
    cameraDisconnectedObserver_ = center_.addObserver(Notifications::cameraDisconnected, sync);
    cameraChangedObserver_ = center_.addObserver(Notifications::cameraChanged, sync);
}

void CameraDeviceSettingsStore::publish(QList<CameraDeviceConfiguration> list) {
    configurations_ = std::move(list);
    center_.post(settingsChangedNotification);
}

void CameraDeviceSettingsStore::syncWithConnectedCameras() {
    QList<AvailableCameraDevice> devices =
        cameraDeviceProvider_ ? cameraDeviceProvider_() : QList<AvailableCameraDevice>{};
    sortByName(devices);
    const bool firstRun = persistedConfigurationsByID_.empty();
    bool changed = false;
    QList<CameraDeviceConfiguration> result;
    QSet<QString> seen;
    for (const auto& device : devices) {
        if (seen.contains(device.id)) {
            continue;  // a provider listing one camera twice shows it once
        }
        seen.insert(device.id);
        auto it = persistedConfigurationsByID_.find(device.id);
        if (it != persistedConfigurationsByID_.end()) {
            if (it->second.name != device.name) {
                it->second.name = device.name;
                changed = true;
            }
            result.append(it->second);
        } else {
            CameraDeviceConfiguration r;
            r.id = device.id;
            r.name = device.name;
            r.isEnabled = firstRun && result.isEmpty();
            r.position = AppSettings::Position::bottomRight;
            r.appearance = CameraAppearanceSettings::defaultSettings(defaults_);
            persistedConfigurationsByID_.emplace(r.id, r);
            result.append(r);
            changed = true;
        }
    }
    if (removeTemporaryFallbackIfPreferredCameraReturned(seen)) {
        for (auto& r : result) {
            r = persistedConfigurationsByID_.at(r.id);
        }
        changed = true;
    }
    if (result != configurations_) {
        publish(std::move(result));
    }
    if (changed) {
        saveConfigurations();
    }
}

void CameraDeviceSettingsStore::updateConfiguration(
    const QString& id, const std::function<void(CameraDeviceConfiguration&)>& update) {
    auto it = persistedConfigurationsByID_.find(id);
    if (it == persistedConfigurationsByID_.end()) {
        return;
    }
    CameraDeviceConfiguration copy = it->second;
    update(copy);
    if (copy == it->second) {
        return;
    }
    it->second = copy;
    updatePublishedConfiguration(copy);
    saveConfigurations();
}

void CameraDeviceSettingsStore::updatePublishedConfiguration(
    const CameraDeviceConfiguration& record) {
    for (qsizetype i = 0; i < configurations_.size(); ++i) {
        if (configurations_[i].id == record.id) {
            QList<CameraDeviceConfiguration> list = configurations_;
            list[i] = record;
            publish(std::move(list));
            return;
        }
    }
}

void CameraDeviceSettingsStore::setEnabled(bool enabled, const QString& id) {
    const auto stored = configuration(id);
    if (!enabled && stored && stored->isEnabled) {
        const auto enabledCount =
            std::count_if(configurations_.begin(), configurations_.end(),
                          [](const CameraDeviceConfiguration& c) { return c.isEnabled; });
        if (enabledCount <= 1 && unavailableEnabledConfigurations().isEmpty()) {
            return;  // the last enabled camera stays on
        }
    }
    if (temporaryFallbackCameraID_ == id) {
        temporaryFallbackCameraID_.reset();
        preferredCameraIDsForTemporaryFallback_.clear();
    } else if (enabled) {
        preferredCameraIDsForTemporaryFallback_.remove(id);
    }
    updateConfiguration(id, [&](CameraDeviceConfiguration& c) { c.isEnabled = enabled; });
}

bool CameraDeviceSettingsStore::canDisableCamera(const QString& id) const {
    const auto stored = configuration(id);
    if (!stored || !stored->isEnabled) {
        return true;
    }
    const auto enabledCount =
        std::count_if(configurations_.begin(), configurations_.end(),
                      [](const CameraDeviceConfiguration& c) { return c.isEnabled; });
    return enabledCount > 1 || !unavailableEnabledConfigurations().isEmpty();
}

void CameraDeviceSettingsStore::setPosition(AppSettings::Position position, const QString& id) {
    updateConfiguration(id, [&](CameraDeviceConfiguration& c) {
        c.position = position;
        if (position != AppSettings::Position::custom) {
            c.windowOriginX.reset();
            c.windowOriginY.reset();
        }
    });
}

void CameraDeviceSettingsStore::setWindowOrigin(double x, double y, const QString& id) {
    updateConfiguration(id, [&](CameraDeviceConfiguration& c) {
        c.position = AppSettings::Position::custom;
        c.windowOriginX = x;
        c.windowOriginY = y;
    });
}

void CameraDeviceSettingsStore::resetBasicSettings(const QString& id) {
    const auto d = CameraAppearanceSettings::compiledDefault();
    updateConfiguration(id, [&](CameraDeviceConfiguration& c) {
        auto& a = c.appearance;
        a.cameraShape = d.cameraShape;
        a.aspectRatio = d.aspectRatio;
        a.orientation = d.orientation;
        a.cornerRadius = d.cornerRadius;
        a.cameraSize = d.cameraSize;
        a.zoom = d.zoom;
        a.shadowRadius = d.shadowRadius;
        a.borderThickness = d.borderThickness;
        a.borderColor = d.borderColor;
        a.cameraMirroringEnabled = d.cameraMirroringEnabled;
    });
}

void CameraDeviceSettingsStore::resetColorSettings(const QString& id) {
    const auto d = CameraAppearanceSettings::compiledDefault();
    updateConfiguration(id, [&](CameraDeviceConfiguration& c) {
        auto& a = c.appearance;
        a.saturation = d.saturation;
        a.contrast = d.contrast;
        a.brightness = d.brightness;
        a.hueRotation = d.hueRotation;
        a.colorMultiply = d.colorMultiply;
    });
}

void CameraDeviceSettingsStore::resetRotationSettings(const QString& id) {
    const auto d = CameraAppearanceSettings::compiledDefault();
    updateConfiguration(id, [&](CameraDeviceConfiguration& c) {
        c.appearance.xAngle = d.xAngle;
        c.appearance.yAngle = d.yAngle;
        c.appearance.zAngle = d.zAngle;
    });
}

void CameraDeviceSettingsStore::resetTextSettings(const QString& id) {
    const auto d = CameraAppearanceSettings::compiledDefault();
    updateConfiguration(id, [&](CameraDeviceConfiguration& c) {
        auto& a = c.appearance;
        a.text = d.text;
        a.font = d.font;
        a.fontSize = d.fontSize;
        a.fontColor = d.fontColor;
        a.backgroundColor = d.backgroundColor;
        a.backgroundRadius = d.backgroundRadius;
        a.textPadding = d.textPadding;
    });
}

void CameraDeviceSettingsStore::forEachEnabled(
    const std::function<void(CameraDeviceConfiguration&)>& update) {
    const QList<CameraDeviceConfiguration> snapshot = configurations_;
    for (const auto& r : snapshot) {
        if (r.isEnabled) {
            updateConfiguration(r.id, update);
        }
    }
}

void CameraDeviceSettingsStore::adjustCameraSizeForEnabledCameras(double delta) {
    forEachEnabled([delta](CameraDeviceConfiguration& c) {
        c.appearance.cameraSize = std::min(std::max(c.appearance.cameraSize + delta, 0.5), 5.0);
    });
}

void CameraDeviceSettingsStore::adjustTextSizeForEnabledCameras(double delta) {
    forEachEnabled([delta](CameraDeviceConfiguration& c) {
        c.appearance.fontSize = std::min(std::max(c.appearance.fontSize + delta, 10.0), 100.0);
    });
}

void CameraDeviceSettingsStore::toggleMirroringForEnabledCameras() {
    forEachEnabled([](CameraDeviceConfiguration& c) {
        c.appearance.cameraMirroringEnabled = !c.appearance.cameraMirroringEnabled;
    });
}

QList<CameraDeviceConfiguration> CameraDeviceSettingsStore::unavailableEnabledConfigurations()
    const {
    QList<CameraDeviceConfiguration> out;
    for (const auto& [id, r] : persistedConfigurationsByID_) {
        if (r.isEnabled && !isCameraDeviceAvailable(id)) {
            out.append(r);
        }
    }
    sortByName(out);
    return out;
}

bool CameraDeviceSettingsStore::enableFallbackCameraForUnavailableEnabledSelection() {
    if (std::any_of(configurations_.begin(), configurations_.end(),
                    [](const CameraDeviceConfiguration& c) { return c.isEnabled; })) {
        return false;
    }
    const auto unavailable = unavailableEnabledConfigurations();
    if (unavailable.isEmpty()) {
        return false;
    }
    QSet<QString> ids;
    for (const auto& r : unavailable) {
        ids.insert(r.id);
    }
    return enableFallbackConnectedCamera(std::nullopt, ids);
}

bool CameraDeviceSettingsStore::enableFallbackConnectedCamera(
    const std::optional<QString>& excluding, const QSet<QString>& preferredCameraIDs) {
    if (preferredCameraIDs.isEmpty() && temporaryFallbackCameraID_) {
        const QString t = *temporaryFallbackCameraID_;
        if (std::any_of(
                configurations_.begin(), configurations_.end(),
                [&](const CameraDeviceConfiguration& c) { return c.id == t && c.isEnabled; })) {
            return false;
        }
    }
    const auto fallback = fallbackConfiguration(excluding);
    if (!fallback) {
        return false;
    }
    updateConfiguration(fallback->id, [](CameraDeviceConfiguration& c) { c.isEnabled = true; });
    temporaryFallbackCameraID_ = fallback->id;
    preferredCameraIDsForTemporaryFallback_ = preferredCameraIDs;
    return true;
}

std::optional<CameraDeviceConfiguration> CameraDeviceSettingsStore::fallbackConfiguration(
    const std::optional<QString>& excluding) const {
    QList<CameraDeviceConfiguration> candidates;
    for (const auto& c : configurations_) {
        if (!c.isEnabled && (!excluding || c.id != *excluding)) {
            candidates.append(c);
        }
    }
    if (candidates.isEmpty()) {
        return std::nullopt;
    }
    for (const auto& candidate : candidates) {
        const auto devices =
            cameraDeviceProvider_ ? cameraDeviceProvider_() : QList<AvailableCameraDevice>{};
        if (std::any_of(devices.begin(), devices.end(), [&](const AvailableCameraDevice& d) {
                return d.id == candidate.id && d.isDefault;
            })) {
            return candidate;
        }
    }
    return candidates.first();
}

bool CameraDeviceSettingsStore::removeTemporaryFallbackIfPreferredCameraReturned(
    const QSet<QString>& connectedCameraIDs) {
    if (!temporaryFallbackCameraID_) {
        return false;
    }
    bool anyReturned = false;
    for (const auto& id : preferredCameraIDsForTemporaryFallback_) {
        const auto stored = configuration(id);
        if (connectedCameraIDs.contains(id) && stored && stored->isEnabled) {
            anyReturned = true;
            break;
        }
    }
    if (!anyReturned) {
        return false;
    }
    const QString t = *temporaryFallbackCameraID_;
    temporaryFallbackCameraID_.reset();
    preferredCameraIDsForTemporaryFallback_.clear();
    auto it = persistedConfigurationsByID_.find(t);
    if (it != persistedConfigurationsByID_.end() && it->second.isEnabled) {
        it->second.isEnabled = false;
        return true;
    }
    return false;
}

}  // namespace mirelon
