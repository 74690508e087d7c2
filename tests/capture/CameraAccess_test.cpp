// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraAccess.h"

#include "platform/files/PreferencesFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

class CameraAccessTest : public ::testing::Test {
protected:
    void TearDown() override { qunsetenv("MIRELON_CAMERA_ACCESS"); }
    QTemporaryDir dir;
    PreferencesFile defaults{dir.filePath(QStringLiteral("defaults.json"))};
};

TEST_F(CameraAccessTest, StoredChoiceIsReadBackAndUnknownWordsAreAutomatic) {
    EXPECT_EQ(CameraAccessSetting::stored(defaults), CameraAccess::automatic);
    CameraAccessSetting::store(defaults, CameraAccess::direct);
    EXPECT_EQ(defaults.stringValue(QStringLiteral("cameraAccess")), QStringLiteral("direct"));
    EXPECT_EQ(CameraAccessSetting::stored(defaults), CameraAccess::direct);
    defaults.setString(QStringLiteral("cameraAccess"), QStringLiteral("wireless"));
    EXPECT_EQ(CameraAccessSetting::stored(defaults), CameraAccess::automatic);
    defaults.setDouble(QStringLiteral("cameraAccess"), 2);
    EXPECT_EQ(CameraAccessSetting::stored(defaults), CameraAccess::automatic);
    EXPECT_EQ(CameraAccessSetting::parse(QStringLiteral(" PipeWire ")), CameraAccess::pipewire);
    EXPECT_EQ(CameraAccessSetting::parse(QStringLiteral("")), std::nullopt);
}

TEST_F(CameraAccessTest, EnvironmentForcesOneWayOverTheSetting) {
    CameraAccessSetting::store(defaults, CameraAccess::direct);
    qputenv("MIRELON_CAMERA_ACCESS", "pipewire");
    EXPECT_TRUE(CameraAccessSetting::forcedByEnvironment());
    EXPECT_EQ(CameraAccessSetting::effective(defaults), CameraAccess::pipewire);
    // An unknown word does not force anything.
    qputenv("MIRELON_CAMERA_ACCESS", "usb");
    EXPECT_FALSE(CameraAccessSetting::forcedByEnvironment());
    EXPECT_EQ(CameraAccessSetting::effective(defaults), CameraAccess::direct);
    qunsetenv("MIRELON_CAMERA_ACCESS");
    EXPECT_EQ(CameraAccessSetting::effective(defaults), CameraAccess::direct);
}

}  // namespace
}  // namespace mirelon
