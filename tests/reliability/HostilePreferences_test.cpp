// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile preferences files at the store level: whatever is on disk, the
// program reads defaults, keeps the user's bytes somewhere and never replaces
// them with its own file unless they were kept aside first.
#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "ringlight/RingLightDisplaySettingsStore.h"

#include "support/TempConfig.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

QStringList asideFiles(const testing::TempDefaults& t) {
    return QDir(t.dir.path() + QStringLiteral("/mirelon"))
        .entryList({QStringLiteral("defaults.json.corrupt-*")}, QDir::Files);
}

TEST(HostilePreferences, OversizedFileIsKeptAsideNotOverwritten) {
    testing::TempDefaults t;
    t.writeFile("{\"hoverOpacity\": 0.5}");
    {
        // Larger than the store reads: sparse, so the test stays cheap.
        QFile f(t.path());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(65LL * 1024 * 1024));
    }
    t.reopen();
    EXPECT_FALSE(t.defaults->doubleValue(QStringLiteral("hoverOpacity")).has_value());
    t.defaults->setBool(QStringLiteral("isMirelonOn"), false);
    const QStringList aside = asideFiles(t);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(QFileInfo(t.dir.path() + QStringLiteral("/mirelon/") + aside.first()).size(),
              65LL * 1024 * 1024);
    EXPECT_EQ(t.defaults->boolValue(QStringLiteral("isMirelonOn")), false);
}

TEST(HostilePreferences, DirectoryInPlaceOfTheFileIsLeftAlone) {
    testing::TempDefaults t;
    ASSERT_TRUE(QDir().mkpath(t.path()));
    QFile inside(t.path() + QStringLiteral("/keep.txt"));
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.write("mine");
    inside.close();
    t.reopen();
    t.defaults->setBool(QStringLiteral("textVisible"), true);
    t.defaults->setBool(QStringLiteral("textVisible"), false);
    // The failed write's temporary file makes the folder watch report a
    // change: reading the folder again must not drop what the session holds.
    t.defaults->reloadFromDisk();
    t.defaults->reloadFromDisk();
    // Kept in memory for the session, the folder untouched.
    EXPECT_EQ(t.defaults->boolValue(QStringLiteral("textVisible")), false);
    EXPECT_TRUE(QFileInfo(t.path()).isDir());
    EXPECT_TRUE(QFileInfo::exists(t.path() + QStringLiteral("/keep.txt")));
    EXPECT_TRUE(asideFiles(t).isEmpty());
}

TEST(HostilePreferences, FileInPlaceOfTheFolderKeepsValuesInMemory) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/mirelon");
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("not a folder");
    blocker.close();
    EventBus center;
    PreferencesFile defaults(folder + QStringLiteral("/defaults.json"), center);
    defaults.setDouble(QStringLiteral("hoverOpacity"), 0.25);
    EXPECT_EQ(defaults.doubleValue(QStringLiteral("hoverOpacity")), 0.25);
    QFile again(folder);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), QByteArray("not a folder"));
}

// Every key the program reads holding a value of the wrong type: reads give
// the defaults, the undecodable collections are copied aside before the first
// save replaces them, and the other keys keep what the user wrote.
TEST(HostilePreferences, WrongTypeUnderEveryKeyReadsDefaults) {
    testing::TempDefaults t;
    t.writeFile(R"({
        "cameraDeviceConfigurations": "not data",
        "ringLightDisplaySettings": {"$data": "WzEsMl0="},
        "isMirelonOn": "yes", "textVisible": {}, "ringLightEnabled": [],
        "menuBarIcon": 7, "hoverOpacity": "NaN", "moveHintEnabled": null,
        "selectedSettingsTab": [1], "selectedSettingsCameraDeviceID": {},
        "deviceId": [], "ringLightSelectedDisplayID": true,
        "ringLightTemperature": "Infinity", "ringLightWidth": "-Infinity",
        "ringLightGlow": {"a": 1}, "fontSize": "1e999", "text": 12
    })");
    t.reopen();
    Preferences prefs(*t.defaults);
    const auto& shipped = AppSettings::shared();
    EXPECT_EQ(prefs.isMirelonOn(), shipped.isMirelonOn);
    EXPECT_EQ(prefs.textVisible(), shipped.textVisible);
    EXPECT_EQ(prefs.ringLightEnabled(), shipped.ringLightEnabled);
    EXPECT_EQ(prefs.moveHintEnabled(), shipped.moveHintEnabled);
    EXPECT_EQ(prefs.hoverOpacity(), shipped.hoverOpacity);
    EXPECT_EQ(prefs.selectedSettingsTab(), QStringLiteral("general"));
    EXPECT_EQ(prefs.selectedSettingsCameraDeviceID(), QString());
    EXPECT_EQ(prefs.ringLightSelectedDisplayID(), QString());
    const auto ring = RingLightDisplaySettingsStore::defaultSettings(*t.defaults);
    EXPECT_TRUE(ring.isEncodable());
    EXPECT_TRUE(RingLightDisplaySettingsStore::loadAllSettings(*t.defaults).empty());
    RingLightDisplaySettingsStore::saveAllSettings({{QStringLiteral("7"), ring}}, *t.defaults);
    bool keptAside = false;
    for (const QString& key : t.defaults->keys()) {
        if (key.startsWith(QStringLiteral("ringLightDisplaySettings.corrupt-"))) {
            keptAside = t.defaults->dataValue(key) == QByteArray("[1,2]");
        }
    }
    EXPECT_TRUE(keptAside);
    t.reopen();
    EXPECT_EQ(t.defaults->stringValue(QStringLiteral("text")), std::nullopt);
    EXPECT_EQ(t.defaults->stringValue(QStringLiteral("hoverOpacity")), QStringLiteral("NaN"));
    EXPECT_EQ(RingLightDisplaySettingsStore::loadAllSettings(*t.defaults).size(), 1u);
}

TEST(HostilePreferences, DeeplyNestedFileIsKeptAside) {
    testing::TempDefaults t;
    const QByteArray nested = QByteArray(100000, '[') + QByteArray(100000, ']');
    t.writeFile(nested);
    t.reopen();
    EXPECT_TRUE(t.defaults->keys().isEmpty());
    t.defaults->setBool(QStringLiteral("isMirelonOn"), false);
    const QStringList aside = asideFiles(t);
    ASSERT_EQ(aside.size(), 1);
    QFile f(t.dir.path() + QStringLiteral("/mirelon/") + aside.first());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), nested);
}

}  // namespace
}  // namespace mirelon
