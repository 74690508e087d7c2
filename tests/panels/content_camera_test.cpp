// SPDX-License-Identifier: GPL-3.0-or-later
// The panel content on a real session model with a simulated camera.

#include "capture/CameraViewModel.h"
#include "capture/SimulatedCameraDirectory.h"
#include "config/CameraDeviceSettingsStore.h"
#include "panels/content/CameraModelContentSource.h"
#include "panels/content/ContentView.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/ManualScheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace mirelon {
namespace {

void runEventLoop(double seconds, const std::function<bool()>& until) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < seconds * 1000 && !until()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

TEST(ContentCamera, LivePictureOfASimulatedCameraReachesThePanel) {
    ScopedManualScheduler clock;
    QTemporaryDir folder;
    QTemporaryDir config;
    {
        QFile f(folder.filePath(QStringLiteral("red.json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"name": "Red Camera", "pattern": "red", "width": 320, "height": 240,
                    "fps": 30})");
    }
    SimulatedCameraDirectory directory(folder.path());
    CameraDirectory::setShared(&directory);
    directory.rescan();
    EventBus center;
    PreferencesFile defaults(config.filePath(QStringLiteral("defaults.json")), center);
    CameraDeviceSettingsStore store(
        defaults, [&] { return directory.devices(); }, center);
    ASSERT_TRUE(store.isCameraDeviceAvailable("red"));
    {
        CameraViewModel model("red", false, &defaults);
        ContentInputState input;
        auto* source = new CameraModelContentSource(model);
        ContentView view("red", source, store, defaults, &input, nullptr, center);
        source->setParent(&view);
        model.startCamera();
        runEventLoop(30.0, [&] { return model.isSessionRunning(); });
        ASSERT_TRUE(model.isSessionRunning());
        EXPECT_TRUE(view.derived().live);
        runEventLoop(3.0, [&] { return !source->latestFrame().isNull(); });
        ASSERT_FALSE(source->latestFrame().isNull());

        const QImage shot = view.grab().toImage();
        const QPoint centre = view.cameraFrameRect().center().toPoint() * shot.devicePixelRatio();
        const QColor c = shot.pixelColor(centre);
        EXPECT_GT(c.red(), 200);
        EXPECT_LT(c.green(), 60);
        EXPECT_LT(c.blue(), 60);

        // A restart (a new session object) keeps the picture coming.
        model.stopCamera();
        EXPECT_FALSE(view.derived().live);
        model.startCamera();
        runEventLoop(30.0, [&] { return model.isSessionRunning(); });
        EXPECT_TRUE(view.derived().live);
        runEventLoop(3.0, [&] { return !source->latestFrame().isNull(); });
        EXPECT_FALSE(source->latestFrame().isNull());
        model.stopCamera();
    }
    CameraDirectory::setShared(nullptr);
}

}  // namespace
}  // namespace mirelon
