// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/Preferences.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"
#include "ringlight/RingLightDisplaySettingsStore.h"

#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace mirelon {
namespace {

namespace Store = RingLightDisplaySettingsStore;

class RingLightStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    EventBus center;
    PreferencesFile defaults{dir.filePath(QStringLiteral("defaults.json")), center};

    void storeRaw(const QByteArray& json) { defaults.setData(Store::userDefaultsKey, json); }
};

TEST(RingLightDisplaySettings, JsonHasExactlyTheFourKeys) {
    const RingLightDisplaySettings s{true, 0.2, 30, 0.7};
    const QJsonObject o = s.toJson();
    EXPECT_EQ(o.keys(), (QStringList{"glow", "isEnabled", "temperature", "width"}));
    EXPECT_EQ(RingLightDisplaySettings::fromJson(o), s);
}

TEST(RingLightDisplaySettings, DecodingRequiresEveryKeyWithItsType) {
    const QJsonObject full{{"isEnabled", true}, {"temperature", 0.2}, {"width", 30}, {"glow", 1}};
    ASSERT_TRUE(RingLightDisplaySettings::fromJson(full));
    for (const QString& key : full.keys()) {
        QJsonObject missing = full;
        missing.remove(key);
        EXPECT_FALSE(RingLightDisplaySettings::fromJson(missing)) << key.toStdString();
        QJsonObject wrongType = full;
        wrongType.insert(key, QStringLiteral("1"));
        EXPECT_FALSE(RingLightDisplaySettings::fromJson(wrongType)) << key.toStdString();
    }
    QJsonObject numberForBool = full;
    numberForBool.insert("isEnabled", 1);
    EXPECT_FALSE(RingLightDisplaySettings::fromJson(numberForBool));
    EXPECT_FALSE(RingLightDisplaySettings::fromJson(QJsonValue(3)));
}

TEST_F(RingLightStoreTest, FreshInstallationHasNoRecordsAndTheAppDefaults) {
    EXPECT_TRUE(Store::loadAllSettings(defaults).empty());
    EXPECT_EQ(Store::defaultSettings(defaults), (RingLightDisplaySettings{false, 0.5, 44, 0.5}));
    defaults.setBool(PreferenceKeys::ringLightEnabled, true);
    EXPECT_EQ(Store::defaultSettings(defaults), (RingLightDisplaySettings{true, 0.5, 44, 0.5}));
}

TEST_F(RingLightStoreTest, LegacyEntriesSeedTheDefaultsOnlyWithTheRightType) {
    defaults.setDouble(Store::legacyTemperatureKey, 0.9);
    defaults.setDouble(Store::legacyWidthKey, 12);
    defaults.setString(Store::legacyGlowKey, QStringLiteral("0.1"));  // wrong type: ignored
    EXPECT_EQ(Store::defaultSettings(defaults), (RingLightDisplaySettings{false, 0.9, 12, 0.5}));
    // Computed anew on every use.
    defaults.setDouble(Store::legacyGlowKey, 0.1);
    EXPECT_EQ(Store::defaultSettings(defaults).glow, 0.1);
}

TEST_F(RingLightStoreTest, SavesAndLoadsTwoDisplays) {
    const RingLightSettingsMap map{{"1234", {true, 0.1, 20, 0.9}}, {"98765", {false, 1, 80, 0}}};
    int posts = 0;
    auto token =
        center.addObserver(Notifications::defaultsChanged, [&](const Notification&) { ++posts; });
    Store::saveAllSettings(map, defaults);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(Store::loadAllSettings(defaults), map);

    // A second store on the same file reads the same records.
    EventBus otherCenter;
    PreferencesFile reread(defaults.filePath(), otherCenter);
    EXPECT_EQ(Store::loadAllSettings(reread), map);
    EXPECT_EQ(Store::settings("98765", reread), map.at("98765"));
    EXPECT_EQ(Store::settings("5", reread), Store::defaultSettings(reread));
}

TEST_F(RingLightStoreTest, OneRecordWithoutGlowMakesTheWholeMapUnreadable) {
    storeRaw(R"({"1": {"isEnabled": true, "temperature": 0.2, "width": 30, "glow": 0.4},)"
             R"( "2": {"isEnabled": true, "temperature": 0.2, "width": 30}})");
    EXPECT_TRUE(Store::loadAllSettings(defaults).empty());
    EXPECT_EQ(Store::settings("1", defaults), Store::defaultSettings(defaults));
}

TEST_F(RingLightStoreTest, UnreadableValuesReadAsEmpty) {
    for (const QByteArray& bad : {QByteArray("not json"), QByteArray("[1, 2]"),
                                  QByteArray(R"({"1": 5})"), QByteArray("")}) {
        storeRaw(bad);
        EXPECT_TRUE(Store::loadAllSettings(defaults).empty()) << bad.constData();
    }
    defaults.setString(Store::userDefaultsKey, QStringLiteral("{}"));  // not data
    EXPECT_TRUE(Store::loadAllSettings(defaults).empty());
}

TEST_F(RingLightStoreTest, UnreadableMapIsKeptAsideBeforeTheFirstSaveReplacesIt) {
    const QByteArray bad = R"({"7": {"isEnabled": true, "temperature": 0.2, "width": 30}})";
    storeRaw(bad);
    EXPECT_TRUE(Store::loadAllSettings(defaults).empty());
    // The bad entry stays until a save.
    EXPECT_EQ(defaults.dataValue(Store::userDefaultsKey), bad);

    Store::saveAllSettings({{"7", {true, 0.3, 10, 0.2}}}, defaults);
    QStringList aside;
    for (const QString& key : defaults.keys()) {
        if (key.startsWith(Store::userDefaultsKey + ".corrupt-")) {
            aside << key;
        }
    }
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(defaults.dataValue(aside.first()), bad);
    EXPECT_EQ(Store::loadAllSettings(defaults).at("7"),
              (RingLightDisplaySettings{true, 0.3, 10, 0.2}));

    // Later saves replace a readable value without copying it.
    Store::saveAllSettings({}, defaults);
    int copies = 0;
    for (const QString& key : defaults.keys()) {
        copies += key.startsWith(Store::userDefaultsKey + ".corrupt-") ? 1 : 0;
    }
    EXPECT_EQ(copies, 1);
}

TEST_F(RingLightStoreTest, NonFiniteNumbersAreNotWritten) {
    Store::saveAllSettings({{"1", {true, 0.5, 44, 0.5}}}, defaults);
    Store::saveAllSettings({{"1", {true, std::nan(""), 44, 0.5}}}, defaults);
    EXPECT_EQ(Store::loadAllSettings(defaults).at("1").temperature, 0.5);
}

}  // namespace
}  // namespace mirelon
