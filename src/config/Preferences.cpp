// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/Preferences.h"

#include "config/AppSettings.h"
#include "platform/files/PreferencesFile.h"

#include <QStringList>

namespace mirelon {

Preferences::Preferences(PreferencesFile& defaults) : defaults_(defaults) {}
Preferences::Preferences() : defaults_(PreferencesFile::standard()) {}

const QStringList& Preferences::settingsTabs() {
    static const QStringList tabs = {QStringLiteral("general"),      QStringLiteral("camera"),
                                     QStringLiteral("text"),         QStringLiteral("ringLight"),
                                     QStringLiteral("keyShortcuts"), QStringLiteral("about")};
    return tabs;
}

bool Preferences::isMirelonOn() const {
    return defaults_.boolValue(PreferenceKeys::isMirelonOn, AppSettings::shared().isMirelonOn);
}
void Preferences::setIsMirelonOn(bool on) {
    defaults_.setBool(PreferenceKeys::isMirelonOn, on);
}

bool Preferences::textVisible() const {
    return defaults_.boolValue(PreferenceKeys::textVisible, AppSettings::shared().textVisible);
}
void Preferences::setTextVisible(bool visible) {
    defaults_.setBool(PreferenceKeys::textVisible, visible);
}

bool Preferences::ringLightEnabled() const {
    return defaults_.boolValue(PreferenceKeys::ringLightEnabled,
                               AppSettings::shared().ringLightEnabled);
}
void Preferences::setRingLightEnabled(bool enabled) {
    defaults_.setBool(PreferenceKeys::ringLightEnabled, enabled);
}

QString Preferences::menuBarIcon() const {
    return defaults_.stringValue(PreferenceKeys::menuBarIcon, AppSettings::shared().menuBarIcon);
}
void Preferences::setMenuBarIcon(const QString& name) {
    defaults_.setString(PreferenceKeys::menuBarIcon, name);
}

double Preferences::hoverOpacity() const {
    return defaults_.doubleValue(PreferenceKeys::hoverOpacity, AppSettings::shared().hoverOpacity);
}
void Preferences::setHoverOpacity(double opacity) {
    defaults_.setDouble(PreferenceKeys::hoverOpacity, opacity);
}

bool Preferences::moveHintEnabled() const {
    return defaults_.boolValue(PreferenceKeys::moveHintEnabled,
                               AppSettings::shared().moveHintEnabled);
}
void Preferences::setMoveHintEnabled(bool enabled) {
    defaults_.setBool(PreferenceKeys::moveHintEnabled, enabled);
}

QString Preferences::selectedSettingsTab() const {
    const QString tab = defaults_.stringValue(PreferenceKeys::selectedSettingsTab, QString());
    return settingsTabs().contains(tab) ? tab : settingsTabs().first();
}
void Preferences::setSelectedSettingsTab(const QString& tab) {
    defaults_.setString(PreferenceKeys::selectedSettingsTab, tab);
}

QString Preferences::selectedSettingsCameraDeviceID() const {
    return defaults_.stringValue(PreferenceKeys::selectedSettingsCameraDeviceID, QString());
}
void Preferences::setSelectedSettingsCameraDeviceID(const QString& id) {
    defaults_.setString(PreferenceKeys::selectedSettingsCameraDeviceID, id);
}

QString Preferences::deviceId() const {
    return defaults_.stringValue(PreferenceKeys::deviceId, AppSettings::shared().deviceId);
}

QString Preferences::ringLightSelectedDisplayID() const {
    return defaults_.stringValue(PreferenceKeys::ringLightSelectedDisplayID, QString());
}
void Preferences::setRingLightSelectedDisplayID(const QString& id) {
    defaults_.setString(PreferenceKeys::ringLightSelectedDisplayID, id);
}

}  // namespace mirelon
