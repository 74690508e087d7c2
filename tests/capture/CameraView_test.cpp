// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraView.h"
#include "capture/CameraViewModel.h"

#include "FakeCapture.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/ManualScheduler.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace mirelon {
namespace {

// A 200x100 picture: left half red, right half blue, a green column at x 0..9.
QImage testPicture() {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < 100; ++y) {
        for (int x = 100; x < 200; ++x) {
            image.setPixel(x, y, qRgb(0, 0, 255));
        }
        for (int x = 0; x < 10; ++x) {
            image.setPixel(x, y, qRgb(0, 255, 0));
        }
    }
    return image;
}

TEST(CameraViewTest, AspectFillCropsAndNeverLetterboxes) {
    // Wide picture in a square: the middle square of the picture.
    EXPECT_EQ(CameraView::aspectFillSourceRect({200, 100}, {50, 50}), QRectF(50, 0, 100, 100));
    // Tall target: a narrow middle strip.
    EXPECT_EQ(CameraView::aspectFillSourceRect({1280, 720}, {90, 160}), QRectF(437.5, 0, 405, 720));
    // Same aspect: everything.
    EXPECT_EQ(CameraView::aspectFillSourceRect({640, 480}, {320, 240}), QRectF(0, 0, 640, 480));
    // Nothing to show: no crop.
    EXPECT_EQ(CameraView::aspectFillSourceRect({640, 480}, {0, 0}), QRectF(0, 0, 640, 480));
}

class CameraViewSessionTest : public ::testing::Test {
protected:
    // Starts a fake camera and returns its mailbox, into which a test posts frames.
    FrameMailbox& startCamera(CameraViewModel& model) {
        model.startCamera();
        EXPECT_TRUE(model.isRunning());
        return *service.behaviour(model.getDeviceId())->mailbox;
    }
    void postFromStreamingThread(FrameMailbox& mailbox, const QImage& frame) {
        std::thread([&] { mailbox.post(frame); }).join();
        QCoreApplication::sendPostedEvents();
    }

    ScopedManualScheduler clock;
    QTemporaryDir dir;
    PreferencesFile defaults{dir.filePath(QStringLiteral("defaults.json"))};
    testing::FakeCameraDirectory cameras;
    testing::FakeCaptureService service{cameras};
};

TEST_F(CameraViewSessionTest, ShowsTheNewestFrameAspectFilled) {
    cameras.plug("a", "Desk Camera");
    CameraViewModel model("a", false, &defaults);
    CameraView view(model.captureSession());
    CameraViewContainer::follow(view, model);
    view.resize(100, 100);
    FrameMailbox& mailbox = startCamera(model);

    int arrived = 0;
    QObject::connect(&view, &CameraView::frameArrived, [&] { ++arrived; });
    postFromStreamingThread(mailbox, testPicture());
    EXPECT_EQ(arrived, 1);
    ASSERT_EQ(view.currentFrame().size(), QSize(200, 100));

    const QImage shown = view.grab().toImage();
    // The middle 100x100 of the picture fills the view: red left, blue right,
    // and the green column at the picture's edge is cropped away.
    EXPECT_EQ(QColor(shown.pixel(25, 50)), QColor(Qt::red));
    EXPECT_EQ(QColor(shown.pixel(75, 50)), QColor(Qt::blue));
    EXPECT_EQ(QColor(shown.pixel(1, 1)), QColor(Qt::red));
    EXPECT_EQ(QColor(shown.pixel(98, 98)), QColor(Qt::blue));
}

TEST_F(CameraViewSessionTest, FollowsARestartWithoutBeingRecreated) {
    cameras.plug("a", "Desk Camera");
    cameras.plug("b", "Room Camera");
    CameraViewModel model("a", false, &defaults);
    auto view = std::make_unique<CameraView>(model.captureSession());
    CameraViewContainer::follow(*view, model);
    CameraView* const original = view.get();
    startCamera(model);
    EXPECT_EQ(view->captureSession(), model.captureSession());

    model.updatePreferredDeviceId("b");  // restart: a new session object
    EXPECT_EQ(view.get(), original);
    EXPECT_EQ(view->captureSession(), model.captureSession());
    FrameMailbox& mailbox = *service.behaviour("b")->mailbox;
    postFromStreamingThread(mailbox, testPicture());
    EXPECT_FALSE(view->currentFrame().isNull());

    // A container update rebinds only when the session object changed.
    CameraViewContainer container{model.captureSession(), false};
    int rebinds = 0;
    QObject::connect(view.get(), &CameraView::captureSessionChanged, [&] { ++rebinds; });
    container.updateView(*view);
    EXPECT_EQ(rebinds, 0);
    EXPECT_FALSE(view->isInteractive());
    model.stopCamera();
    EXPECT_EQ(rebinds, 1);
    EXPECT_TRUE(view->currentFrame().isNull());  // the new session has no picture yet

    // Destroying the view lets go of the session.
    const std::weak_ptr<CaptureSession> bound = view->captureSession();
    EXPECT_GE(bound.use_count(), 2);
    view.reset();
    EXPECT_EQ(bound.use_count(), 1);  // only the model holds it
}

TEST_F(CameraViewSessionTest, DismantledViewIgnoresFurtherFrames) {
    cameras.plug("a", "Desk Camera");
    CameraViewModel model("a", false, &defaults);
    FrameMailbox& mailbox = startCamera(model);
    CameraViewContainer container{model.captureSession(), true};
    std::unique_ptr<CameraView> view(container.makeView());
    EXPECT_TRUE(view->isInteractive());
    CameraViewContainer::dismantleView(*view);
    EXPECT_EQ(view->captureSession(), nullptr);
    int arrived = 0;
    QObject::connect(view.get(), &CameraView::frameArrived, [&] { ++arrived; });
    postFromStreamingThread(mailbox, testPicture());
    EXPECT_EQ(arrived, 0);
    EXPECT_EQ(model.captureSession()->deliveredFrameCount(), 1u);
}

TEST(CameraViewClickTest, ClicksFallThroughWhenNotInteractive) {
    QWidget window;
    window.resize(200, 200);
    CameraView view(CaptureSession::create(), &window);
    view.setGeometry(0, 0, 200, 200);
    EXPECT_EQ(window.childAt(50, 50), &view);
    view.setInteractive(false);
    EXPECT_EQ(window.childAt(50, 50), nullptr);  // the click reaches the window itself
    view.setInteractive(true);
    EXPECT_EQ(window.childAt(50, 50), &view);
}

}  // namespace
}  // namespace mirelon
