// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace mirelon {

class PreferencesFile;

// Keys of the application-wide preferences.
namespace PreferenceKeys {
inline const QString isMirelonOn = QStringLiteral("isMirelonOn");
inline const QString textVisible = QStringLiteral("textVisible");
inline const QString ringLightEnabled = QStringLiteral("ringLightEnabled");
inline const QString menuBarIcon = QStringLiteral("menuBarIcon");
inline const QString hoverOpacity = QStringLiteral("hoverOpacity");
inline const QString moveHintEnabled = QStringLiteral("moveHintEnabled");
inline const QString selectedSettingsTab = QStringLiteral("selectedSettingsTab");
inline const QString selectedSettingsCameraDeviceID =
    QStringLiteral("selectedSettingsCameraDeviceID");
inline const QString deviceId = QStringLiteral("deviceId");
inline const QString ringLightSelectedDisplayID = QStringLiteral("ringLightSelectedDisplayID");
}  // namespace PreferenceKeys

// Typed access to the preferences: an absent key or a value of another type
// reads as its default, which is never written back. Writes store at once.
class Preferences {
public:
    explicit Preferences(PreferencesFile& defaults);
    // On the standard store.
    Preferences();

    bool isMirelonOn() const;
    void setIsMirelonOn(bool on);
    bool textVisible() const;
    void setTextVisible(bool visible);
    bool ringLightEnabled() const;
    void setRingLightEnabled(bool enabled);
    QString menuBarIcon() const;
    void setMenuBarIcon(const QString& name);
    double hoverOpacity() const;
    void setHoverOpacity(double opacity);
    bool moveHintEnabled() const;
    void setMoveHintEnabled(bool enabled);
    // One of the tabs' raw values; "general" for anything else.
    QString selectedSettingsTab() const;
    void setSelectedSettingsTab(const QString& tab);
    QString selectedSettingsCameraDeviceID() const;
    void setSelectedSettingsCameraDeviceID(const QString& id);
    QString deviceId() const;
    QString ringLightSelectedDisplayID() const;
    void setRingLightSelectedDisplayID(const QString& id);

    static const QStringList& settingsTabs();

private:
    PreferencesFile& defaults_;
};

}  // namespace mirelon
