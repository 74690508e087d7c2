// SPDX-License-Identifier: GPL-3.0-or-later
// The real panel content: a session model on a simulated camera, the pointer
// and command-key watch, and the hosting window.

#include "capture/CameraViewModel.h"
#include "capture/SimulatedCameraDirectory.h"
#include "config/CameraDeviceSettingsStore.h"
#include "panels/content/ContentView.h"
#include "panels/controller/CameraPanelContent.h"
#include "platform/FloatingWindow.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/ManualScheduler.h"
#include "support/EventLoopWait.h"
#include "window_fakes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

class ContentPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile f(folder.filePath(QStringLiteral("cam.json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"name": "Desk Camera", "pattern": "red", "width": 320, "height": 240})");
        f.close();
        directory = std::make_unique<SimulatedCameraDirectory>(folder.path());
        CameraDirectory::setShared(directory.get());
        directory->rescan();
        defaults = std::make_unique<PreferencesFile>(config.filePath("defaults.json"));
        store = std::make_unique<CameraDeviceSettingsStore>(
            *defaults, [this] { return directory->devices(); });
        model = std::make_unique<CameraViewModel>("cam", false, defaults.get());
    }
    void TearDown() override {
        host.reset();
        model.reset();
        CameraDirectory::setShared(nullptr);
    }

    ScopedManualScheduler clock;
    testing::FakePointerWatch pointer;
    QTemporaryDir folder;
    QTemporaryDir config;
    std::unique_ptr<SimulatedCameraDirectory> directory;
    std::unique_ptr<PreferencesFile> defaults;
    std::unique_ptr<CameraDeviceSettingsStore> store;
    std::unique_ptr<CameraViewModel> model;
    std::unique_ptr<QWidget> host;
};

TEST_F(ContentPanelTest, WatchesFollowTheLivePictureAndDriveTheWindow) {
    host = std::make_unique<QWidget>();
    auto* panel = new CameraPanelContent("cam", *model, *store, {}, defaults.get());
    ContentView* content = panel->view();
    content->setParent(host.get());
    host->resize(content->sizeHint());
    host->move(200, 100);
    host->show();
    // Access not checked yet: the permission card takes clicks.
    EXPECT_EQ(FloatingWindow::ignoresMouseEvents(host.get()), false);

    model->startCamera();
    ASSERT_TRUE(mirelon::testing::waitForEvents([&] { return model->isSessionRunning(); }));
    EXPECT_TRUE(content->derived().live);

    const QPoint centre = content->mapToGlobal(content->cameraFrameRect().center().toPoint());
    pointer.movePointer(centre);
    EXPECT_TRUE(content->inputs().isHoveringCamera);
    EXPECT_TRUE(content->derived().hoverFaded);
    pointer.modifierEvent(true);
    EXPECT_TRUE(content->derived().commandActive);
    EXPECT_EQ(FloatingWindow::ignoresMouseEvents(host.get()), false);
    EXPECT_EQ(host->cursor().shape(), Qt::OpenHandCursor);
    pointer.modifierEvent(false);
    EXPECT_EQ(FloatingWindow::ignoresMouseEvents(host.get()), true);

    // The caption is off (the default): the room kept for it is not hovered.
    pointer.movePointer(content->mapToGlobal(content->textRect().center().toPoint()));
    EXPECT_FALSE(content->inputs().isHoveringCamera);
    EXPECT_FALSE(content->inputs().isHoveringText);
    pointer.movePointer(content->mapToGlobal(QPoint(2, 2)));
    EXPECT_FALSE(content->derived().hovered);

    // The shape for a panel without a compositor: the block, not the padding.
    const QRegion region = panel->opaqueRegion();
    EXPECT_TRUE(region.contains(content->cameraFrameRect().center().toPoint()));
    EXPECT_FALSE(region.contains(QPoint(2, 2)));
    EXPECT_FALSE(region.contains(content->cameraFrameRect().topLeft().toPoint() + QPoint(2, 2)));
    // The caption is off by default: no region for it.
    EXPECT_FALSE(region.contains(content->textRect().center().toPoint()));

    model->stopCamera();
    EXPECT_EQ(FloatingWindow::ignoresMouseEvents(host.get()), true);
}

TEST_F(ContentPanelTest, FailedCameraShowsTheUnavailableCardThatTakesClicks) {
    host = std::make_unique<QWidget>();
    auto* panel = new CameraPanelContent("cam", *model, *store, {}, defaults.get());
    ContentView* content = panel->view();
    content->setParent(host.get());
    host->show();
    QFile::remove(folder.filePath(QStringLiteral("cam.json")));
    QFile f(folder.filePath(QStringLiteral("cam.json")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"name": "Desk Camera", "fail": "open"})");
    f.close();
    directory->rescan();
    model->startCamera();
    clock.scheduler.advance(1.0);
    clock.scheduler.advance(2.0);
    ASSERT_TRUE(model->captureFailureMessage().has_value());
    EXPECT_TRUE(content->derived().failed);
    ASSERT_NE(content->statusCard(), nullptr);
    EXPECT_TRUE(content->statusCard()->isVisible());
    EXPECT_EQ(FloatingWindow::ignoresMouseEvents(host.get()), false);
}

}  // namespace
}  // namespace mirelon
