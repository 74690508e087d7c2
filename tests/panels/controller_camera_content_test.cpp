// SPDX-License-Identifier: GPL-3.0-or-later
// A panel with the real camera content on a simulated camera: pointer and
// command-key reports reach the content, its decisions reach the window, and
// the shape used without a compositor follows the camera block.

#include "capture/CameraViewModel.h"
#include "capture/SimulatedCameraDirectory.h"
#include "config/CameraDeviceSettingsStore.h"
#include "panels/content/ContentView.h"
#include "panels/controller/CameraPanelContent.h"
#include "panels/window/PanelWindow.h"
#include "panels/window_fakes.h"
#include "platform/FloatingWindow.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/ManualScheduler.h"
#include "support/EventLoopWait.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mirelon;
using mirelon::testing::FakePointerWatch;

TEST(CameraPanelContent, FeedsTheContentAndAppliesItsDecisionsToThePanel) {
    ScopedManualScheduler clock;
    FakePointerWatch pointer;
    QTemporaryDir folder;
    QTemporaryDir config;
    {
        QFile f(folder.filePath(QStringLiteral("red.json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"name": "Red Camera", "pattern": "red", "width": 320, "height": 240})");
    }
    SimulatedCameraDirectory directory(folder.path());
    CameraDirectory::setShared(&directory);
    directory.rescan();
    EventBus& center = EventBus::shared();  // the content listens there
    PreferencesFile defaults(config.filePath(QStringLiteral("defaults.json")), center);
    CameraDeviceSettingsStore store(
        defaults, [&] { return directory.devices(); }, center);
    ASSERT_TRUE(store.isCameraDeviceAvailable("red"));
    {
        CameraViewModel model("red", false, &defaults);
        model.startCamera();
        ASSERT_TRUE(mirelon::testing::waitForEvents([&] { return model.isSessionRunning(); }));
        PanelWindow panel;
        auto* content = new CameraPanelContent("red", model, store, {}, &defaults);
        panel.setContent(content);
        panel.move(200, 100);
        panel.show();
        QApplication::processEvents();
        ContentView* view = content->view();
        ASSERT_TRUE(view->derived().live);
        // Live, not hovered: clicks pass through.
        EXPECT_TRUE(FloatingWindow::ignoresMouseEvents(&panel));

        const QPointF centreLocal = view->cameraFrameRect().center();
        const QPoint centre = view->mapToGlobal(centreLocal.toPoint());
        pointer.movePointer(centre);
        ASSERT_TRUE(content->input()->pointerPosition());
        EXPECT_EQ(content->input()->pointerPosition()->toPoint(), centreLocal.toPoint());
        EXPECT_TRUE(FloatingWindow::ignoresMouseEvents(&panel));  // hovered, no command key

        pointer.modifierEvent(true);
        EXPECT_TRUE(content->input()->isCommandKeyPressed());
        EXPECT_FALSE(FloatingWindow::ignoresMouseEvents(&panel));  // grabbable now

        pointer.movePointer(panel.mapToGlobal(QPoint(-50, -50)));  // away from the panel
        EXPECT_FALSE(content->input()->pointerPosition());
        EXPECT_TRUE(FloatingWindow::ignoresMouseEvents(&panel));
        pointer.modifierEvent(false);

        // Shape without a compositor: the camera block, not the padding or the shadow.
        const QRegion shape = content->opaqueRegion();
        EXPECT_TRUE(shape.contains(centreLocal.toPoint()));
        EXPECT_FALSE(shape.contains(QPoint(2, 2)));
        EXPECT_TRUE(view->cameraFrameRect()
                        .toAlignedRect()
                        .adjusted(-1, -1, 1, 1)
                        .contains(shape.boundingRect()));

        // A shown caption joins the shape.
        store.updateAppearance("red", &CameraAppearanceSettings::textEnabled, true);
        store.updateAppearance("red", &CameraAppearanceSettings::text, QStringLiteral("Hello"));
        QApplication::processEvents();
        const QRect caption = view->textRect().toAlignedRect();
        ASSERT_FALSE(caption.isEmpty());
        EXPECT_TRUE(content->opaqueRegion().contains(caption.center()));

        // Without a compositor the window's shape follows every change of the
        // outline in the same turn, before anything is painted.
        panel.setCompositing(false);
        using A = CameraAppearanceSettings;
        store.updateAppearance("red", &A::textEnabled, false);
        EXPECT_FALSE(panel.mask().contains(caption.center()));
        store.updateAppearance("red", &A::textEnabled, true);
        EXPECT_TRUE(panel.mask().contains(caption.center()));
        const QPoint corner = view->cameraFrameRect().topLeft().toPoint() + QPoint(6, 6);
        store.updateAppearance("red", &A::cameraShape, AppSettings::CameraShape::circle);
        EXPECT_FALSE(panel.mask().contains(corner));
        store.updateAppearance("red", &A::cornerRadius, 100.0);
        store.updateAppearance("red", &A::cameraShape, AppSettings::CameraShape::rectangle);
        EXPECT_TRUE(panel.mask().contains(corner));
        store.updateAppearance("red", &A::borderThickness, 0.0);
        store.updateAppearance("red", &A::cameraShape, AppSettings::CameraShape::circle);
        EXPECT_FALSE(panel.mask().contains(corner));
        // A tilt that keeps the panel's size still turns the outline.
        store.updateAppearance("red", &A::yAngle, 30.0);
        const QSize tiltedSize = panel.size();
        const QRect before = panel.mask().boundingRect();
        store.updateAppearance("red", &A::yAngle, -30.0);
        EXPECT_EQ(panel.size(), tiltedSize);
        EXPECT_NE(panel.mask().boundingRect(), before);
        model.stopCamera();
    }
    CameraDirectory::setShared(nullptr);
}
