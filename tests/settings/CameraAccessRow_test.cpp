// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/CameraAccessRow.h"

#include "capture/CameraAccess.h"
#include "platform/files/PreferencesFile.h"

#include <QComboBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

class CameraAccessRowTest : public ::testing::Test {
protected:
    void TearDown() override { qunsetenv("MIRELON_CAMERA_ACCESS"); }
    QTemporaryDir dir;
    EventBus center;
    PreferencesFile defaults{dir.filePath(QStringLiteral("defaults.json")), center};
};

TEST_F(CameraAccessRowTest, ChoiceIsStoredAtOnceAndFollowsOutsideChanges) {
    CameraAccessRow row(defaults, center);
    QComboBox* picker = row.picker();
    ASSERT_EQ(picker->count(), 3);
    EXPECT_EQ(picker->currentData().toString(), QStringLiteral("auto"));
    EXPECT_TRUE(picker->isEnabled());
    Q_EMIT picker->activated(2);
    EXPECT_EQ(CameraAccessSetting::stored(defaults), CameraAccess::direct);
    CameraAccessSetting::store(defaults, CameraAccess::pipewire);
    center.post(Notifications::defaultsChanged);
    EXPECT_EQ(picker->currentData().toString(), QStringLiteral("pipewire"));
}

TEST_F(CameraAccessRowTest, EnvironmentChoiceIsShownAndTheRowCannotChangeIt) {
    CameraAccessSetting::store(defaults, CameraAccess::direct);
    qputenv("MIRELON_CAMERA_ACCESS", "pipewire");
    CameraAccessRow row(defaults, center);
    EXPECT_FALSE(row.picker()->isEnabled());
    EXPECT_EQ(row.picker()->currentData().toString(), QStringLiteral("pipewire"));
}

}  // namespace
}  // namespace mirelon
