// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CameraDeviceSettingsStore.h"

#include "support/TempConfig.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <memory>

namespace mirelon {
namespace {

using Store = CameraDeviceSettingsStore;

class StoreTest : public ::testing::Test {
protected:
    testing::TempDefaults t;
    QList<AvailableCameraDevice> devices;
    int providerCalls = 0;
    std::unique_ptr<Store> store;
    int changed = t.count(Store::settingsChangedNotification);
    int writes = t.count(Notifications::defaultsChanged);

    void open() {
        store = std::make_unique<Store>(
            *t.defaults,
            [this] {
                ++providerCalls;
                return devices;
            },
            t.center);
    }
    void plug(const QString& id, const QString& name, bool isDefault = false) {
        devices.append({id, name, isDefault});
        t.center.post(Notifications::cameraConnected, id);
    }
    void unplug(const QString& id) {
        devices.removeIf([&](const AvailableCameraDevice& d) { return d.id == id; });
        t.center.post(Notifications::cameraDisconnected, id);
    }
    QStringList publishedIds() const {
        QStringList ids;
        for (const auto& c : store->configurations()) {
            ids << c.id;
        }
        return ids;
    }
    QJsonArray savedArray() const {
        const auto data = t.defaults->dataValue(Store::userDefaultsKey);
        return data ? QJsonDocument::fromJson(*data).array() : QJsonArray();
    }
    bool enabled(const QString& id) const { return store->configuration(id)->isEnabled; }
};

TEST_F(StoreTest, FirstLaunchEnablesTheFirstCameraByNameAndSavesBoth) {
    devices = {{"b", "b-cam", false}, {"A", "A-cam", false}};
    open();
    EXPECT_EQ(publishedIds(), (QStringList{"A", "b"}));
    EXPECT_TRUE(enabled("A"));
    EXPECT_FALSE(enabled("b"));
    EXPECT_EQ(t.counted(changed), 1);
    const QJsonArray saved = savedArray();
    ASSERT_EQ(saved.size(), 2);
    EXPECT_EQ(saved[0].toObject().value("id"), QJsonValue("A")) << "saved sorted by id";
    EXPECT_EQ(saved[0].toObject().value("position"), QJsonValue("Bottom Right"));
}

TEST_F(StoreTest, FirstLaunchWithoutCamerasWritesNothingAndEnablesTheFirstArrival) {
    open();
    EXPECT_EQ(t.counted(changed), 0);
    EXPECT_EQ(t.counted(writes), 0);
    EXPECT_FALSE(t.defaults->contains(Store::userDefaultsKey));
    plug("cam", "Desk");
    EXPECT_TRUE(enabled("cam"));
    plug("cam2", "Another");
    EXPECT_FALSE(enabled("cam2")) << "cameras met later start disabled";
}

TEST_F(StoreTest, UnplugAndReplugKeepTheRecordAndRenamesAreTakenOver) {
    devices = {{"a", "A", false}, {"b", "B", false}};
    open();
    store->setEnabled(true, "b");
    store->setPosition(AppSettings::Position::topLeft, "b");
    store->updateAppearance("b", &CameraAppearanceSettings::zoom, 2.5);
    const auto before = *store->configuration("b");

    unplug("b");
    EXPECT_EQ(publishedIds(), QStringList{"a"});
    EXPECT_EQ(store->configuration("b"), before);
    EXPECT_EQ(savedArray().size(), 2);

    devices.append({"b", "B renamed", false});
    t.center.post(Notifications::cameraConnected, "b");
    auto after = *store->configuration("b");
    EXPECT_EQ(after.name, "B renamed");
    after.name = before.name;
    EXPECT_EQ(after, before);
    EXPECT_EQ(savedArray()[1].toObject().value("name"), QJsonValue("B renamed"));
}

TEST_F(StoreTest, TheLastEnabledCameraCannotBeSwitchedOff) {
    devices = {{"a", "A", false}, {"b", "B", false}};
    open();
    EXPECT_FALSE(store->canDisableCamera("a"));
    const int before = t.counted(changed);
    store->setEnabled(false, "a");
    EXPECT_TRUE(enabled("a"));
    EXPECT_EQ(t.counted(changed), before);

    store->setEnabled(true, "b");
    EXPECT_TRUE(store->canDisableCamera("a"));
    store->setEnabled(false, "a");
    EXPECT_FALSE(enabled("a"));
    EXPECT_TRUE(store->canDisableCamera("a")) << "a disabled camera can always be 'disabled'";
}

TEST_F(StoreTest, AnUnpluggedEnabledCameraAllowsDisablingTheLastConnectedOne) {
    devices = {{"a", "A", false}, {"b", "B", false}};
    open();
    store->setEnabled(true, "b");
    unplug("b");
    EXPECT_TRUE(store->canDisableCamera("a"));
    store->setEnabled(false, "a");
    EXPECT_FALSE(enabled("a"));
}

TEST_F(StoreTest, FallbackPicksTheSystemDefaultAndGivesItBack) {
    devices = {{"main", "Main", false}, {"alpha", "Alpha", false}, {"sys", "System", true}};
    open();
    store->setEnabled(true, "main");
    store->setEnabled(false, "alpha");
    ASSERT_TRUE(enabled("main"));
    ASSERT_FALSE(enabled("alpha"));
    unplug("main");
    EXPECT_TRUE(store->enableFallbackCameraForUnavailableEnabledSelection());
    EXPECT_TRUE(enabled("sys"));
    EXPECT_FALSE(enabled("alpha"));
    EXPECT_EQ(store->temporaryFallbackCameraID(), "sys");
    EXPECT_FALSE(store->enableFallbackCameraForUnavailableEnabledSelection())
        << "an enabled connected camera exists now";

    const int savesBefore = t.counted(writes);
    plug("main", "Main");
    EXPECT_FALSE(enabled("sys"));
    EXPECT_TRUE(enabled("main"));
    EXPECT_FALSE(store->temporaryFallbackCameraID().has_value());
    EXPECT_EQ(publishedIds(), (QStringList{"alpha", "main", "sys"}));
    EXPECT_GT(t.counted(writes), savesBefore);
    bool sysSavedEnabled = true;
    for (const auto& v : savedArray()) {
        if (v.toObject().value("id") == QJsonValue("sys")) {
            sysSavedEnabled = v.toObject().value("isEnabled").toBool();
        }
    }
    EXPECT_FALSE(sysSavedEnabled);
}

TEST_F(StoreTest, UserChoiceEndsTheTemporaryFallback) {
    devices = {{"main", "Main", false}, {"other", "Other", false}};
    open();
    unplug("main");
    ASSERT_TRUE(store->enableFallbackCameraForUnavailableEnabledSelection());
    store->setEnabled(true, "other");  // no change to the record, but the user chose it
    EXPECT_FALSE(store->temporaryFallbackCameraID().has_value());
    plug("main", "Main");
    EXPECT_TRUE(enabled("other")) << "the user's camera stays on";
}

TEST_F(StoreTest, CaptureFailureFallbackExcludesTheFailedCameraAndKeepsAPresentFallback) {
    devices = {{"a", "A", false}, {"b", "B", false}, {"c", "C", false}};
    open();
    EXPECT_TRUE(store->enableFallbackConnectedCamera(QString("a"), {}));
    EXPECT_TRUE(enabled("a"));
    EXPECT_TRUE(enabled("b"));
    EXPECT_FALSE(store->enableFallbackConnectedCamera(QString("a"), {}))
        << "the present fallback stays";
    EXPECT_FALSE(enabled("c"));
}

TEST_F(StoreTest, PositionsOriginsAndNoOpChanges) {
    devices = {{"a", "A", false}};
    open();
    store->setWindowOrigin(100, 200, "a");
    auto c = *store->configuration("a");
    EXPECT_EQ(c.position, AppSettings::Position::custom);
    EXPECT_EQ(c.windowOriginX, 100.0);
    EXPECT_EQ(c.windowOriginY, 200.0);
    store->setPosition(AppSettings::Position::topLeft, "a");
    c = *store->configuration("a");
    EXPECT_FALSE(c.windowOriginX.has_value());
    EXPECT_FALSE(c.windowOriginY.has_value());

    const int changesBefore = t.counted(changed);
    const int writesBefore = t.counted(writes);
    store->setPosition(AppSettings::Position::topLeft, "a");
    store->updateAppearance("a", &CameraAppearanceSettings::zoom, 1.0);
    store->setEnabled(true, "unknown");
    store->updateAppearance("unknown", &CameraAppearanceSettings::zoom, 3.0);
    EXPECT_EQ(t.counted(changed), changesBefore);
    EXPECT_EQ(t.counted(writes), writesBefore);
}

TEST_F(StoreTest, BulkStepsAreClampedAndTouchOnlyEnabledCameras) {
    devices = {{"a", "A", false}, {"b", "B", false}, {"c", "C", false}};
    open();
    store->setEnabled(true, "b");
    store->updateAppearance("a", &CameraAppearanceSettings::cameraSize, 4.9);
    store->updateAppearance("a", &CameraAppearanceSettings::fontSize, 12.0);
    store->updateAppearance("b", &CameraAppearanceSettings::cameraMirroringEnabled, false);
    store->adjustCameraSizeForEnabledCameras(0.25);
    store->adjustTextSizeForEnabledCameras(-5);
    store->toggleMirroringForEnabledCameras();
    EXPECT_DOUBLE_EQ(store->configuration("a")->appearance.cameraSize, 5.0);
    EXPECT_DOUBLE_EQ(store->configuration("b")->appearance.cameraSize, 1.25);
    EXPECT_DOUBLE_EQ(store->configuration("a")->appearance.fontSize, 10.0);
    EXPECT_FALSE(store->configuration("a")->appearance.cameraMirroringEnabled);
    EXPECT_TRUE(store->configuration("b")->appearance.cameraMirroringEnabled);
    EXPECT_DOUBLE_EQ(store->configuration("c")->appearance.cameraSize, 1.0);
    store->adjustCameraSizeForEnabledCameras(-100);
    EXPECT_DOUBLE_EQ(store->configuration("a")->appearance.cameraSize, 0.5);
}

TEST_F(StoreTest, ResetsRestoreTheirGroupOnly) {
    devices = {{"a", "A", false}};
    open();
    t.defaults->setString("text", "Legacy");  // resets use the compiled-in values
    store->updateAppearance("a", &CameraAppearanceSettings::textEnabled, true);
    store->updateAppearance("a", &CameraAppearanceSettings::text, QString("Hello"));
    store->updateAppearance("a", &CameraAppearanceSettings::fontSize, 40.0);
    store->updateAppearance("a", &CameraAppearanceSettings::zoom, 3.0);
    store->updateAppearance("a", &CameraAppearanceSettings::saturation, 0.0);
    store->updateAppearance("a", &CameraAppearanceSettings::xAngle, 20.0);
    store->resetTextSettings("a");
    auto a = store->configuration("a")->appearance;
    EXPECT_TRUE(a.textEnabled);
    EXPECT_EQ(a.text, "Mirelon");
    EXPECT_DOUBLE_EQ(a.fontSize, 16.0);
    EXPECT_DOUBLE_EQ(a.zoom, 3.0);
    store->resetBasicSettings("a");
    store->resetRotationSettings("a");
    a = store->configuration("a")->appearance;
    EXPECT_DOUBLE_EQ(a.zoom, 1.0);
    EXPECT_DOUBLE_EQ(a.xAngle, 0.0);
    EXPECT_DOUBLE_EQ(a.saturation, 0.0);
    store->resetColorSettings("a");
    EXPECT_DOUBLE_EQ(store->configuration("a")->appearance.saturation, 1.0);
}

TEST_F(StoreTest, UnreadableStoredArrayReadsEmptyButIsKeptAsideBeforeTheFirstSave) {
    const QByteArray stored =
        R"([{"id":"a","name":"A","isEnabled":true,"appearance":{"zoom":2}},{"id":"b"}])";
    t.defaults->setData(Store::userDefaultsKey, stored);
    devices = {{"a", "A", false}};
    open();
    EXPECT_TRUE(enabled("a")) << "no usable records: a first run";
    EXPECT_DOUBLE_EQ(store->configuration("a")->appearance.zoom, 1.0);
    QString asideKey;
    for (const auto& key : t.defaults->keys()) {
        if (key.startsWith(Store::userDefaultsKey + ".corrupt-")) {
            asideKey = key;
        }
    }
    ASSERT_FALSE(asideKey.isEmpty());
    EXPECT_EQ(t.defaults->dataValue(asideKey), stored);
    EXPECT_EQ(savedArray().size(), 1);
}

TEST_F(StoreTest, NonFiniteNumbersAreNeverWritten) {
    devices = {{"a", "A", false}};
    open();
    const QByteArray before = *t.defaults->dataValue(Store::userDefaultsKey);
    store->updateAppearance("a", &CameraAppearanceSettings::zoom,
                            std::numeric_limits<double>::infinity());
    EXPECT_EQ(t.defaults->dataValue(Store::userDefaultsKey), before);
}

TEST_F(StoreTest, RecordsSurviveARestart) {
    devices = {{"a", "A", false}, {"b", "B", false}};
    open();
    store->setEnabled(true, "b");
    store->setWindowOrigin(10, 20, "b");
    const auto configs = store->configurations();
    store.reset();
    t.reopen();
    open();
    EXPECT_EQ(store->configurations(), configs);
}

}  // namespace
}  // namespace mirelon
