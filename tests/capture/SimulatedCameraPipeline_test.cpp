// SPDX-License-Identifier: GPL-3.0-or-later
// Real GStreamer pipelines from simulated cameras.

#include "capture/CameraView.h"
#include "capture/CameraViewModel.h"
#include "capture/SimulatedCameraDirectory.h"

#include "LogCapture.h"
#include "platform/files/PreferencesFile.h"
#include "platform/gstreamer/GstCapturePipeline.h"
#include "platform/qt/ManualScheduler.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace mirelon {
namespace {

// Pipelines that may still have streaming threads, and decode threads that
// have not ended.
int streamingThreads() {
    return GstCapturePipeline::unsettledPipelineCount() + JpegDecodeThread::runningCount();
}

int openDescriptors() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System).size());
}

// Lets the event loop run for a while of real time (frames arrive meanwhile).
void runEventLoop(double seconds, const std::function<bool()>& until = {}) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < seconds * 1000 && !(until && until())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Runs the event loop until done() holds (generous ceiling); returns done().
bool waitFor(const std::function<bool()>& done) {
    runEventLoop(30.0, done);
    return done();
}

// Starts the camera and waits for its first frame (the start never blocks).
bool startAndWait(CameraViewModel& model) {
    model.startCamera();
    return waitFor([&] { return model.isRunning(); });
}

class SimulatedCameraPipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        directory = std::make_unique<SimulatedCameraDirectory>(folder.path());
        CameraDirectory::setShared(directory.get());
    }
    void TearDown() override { CameraDirectory::setShared(nullptr); }

    void addCamera(const QString& id, const QByteArray& json) {
        QFile f(folder.filePath(id + QStringLiteral(".json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(json);
        f.close();
        directory->rescan();
    }
    void writeFile(const QString& name, const QByteArray& content) {
        QFile f(folder.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    ScopedManualScheduler clock;
    QTemporaryDir folder;
    QTemporaryDir config;
    PreferencesFile defaults{config.filePath(QStringLiteral("defaults.json"))};
    std::unique_ptr<SimulatedCameraDirectory> directory;
    testing::LogCapture log{"app.mirelon.Mirelon.core"};
};

TEST_F(SimulatedCameraPipelineTest, FramesFlowToTheMainThreadAndStopLeavesNothingRunning) {
    addCamera("desk", R"({"name": "Desk Camera", "pattern": "ball", "width": 320,
                          "height": 240, "fps": 30})");
    const int threadsBefore = streamingThreads();
    {
        CameraViewModel model("desk", false, &defaults);
        ASSERT_TRUE(startAndWait(model));
        ASSERT_TRUE(model.isSessionRunning());
        const auto session = model.captureSession();
        int arrived = 0;
        QObject::connect(session.get(), &CaptureSession::frameArrived,
                         [&](const VideoFrame& frame) {
                             ++arrived;
                             EXPECT_EQ(frame.size(), QSize(320, 240));
                             EXPECT_EQ(frame.image().format(), QImage::Format_RGB32);
                         });
        runEventLoop(1.5);
        EXPECT_GE(arrived, 20);
        EXPECT_GT(streamingThreads(), threadsBefore);

        model.stopCamera();
        EXPECT_FALSE(session->isRunning());
        EXPECT_FALSE(session->hasInputs());
        EXPECT_FALSE(model.isSessionRunning());
        // The newest frame outlives the pipeline that made it.
        EXPECT_FALSE(session->latestFrame().isNull());
        const QRgb pixel = session->latestFrame().image().pixel(0, 0);
        EXPECT_EQ(qAlpha(pixel), 255);
        const auto postedAtStop = session->mailbox().postedCount();
        runEventLoop(0.2);
        EXPECT_EQ(session->mailbox().postedCount(), postedAtStop);
    }
    // The pipeline is taken down on its own thread, soon after.
    EXPECT_TRUE(waitFor([&] { return streamingThreads() == threadsBefore; }));
}

TEST_F(SimulatedCameraPipelineTest, StalledCameraIsCaughtByTheHealthCheckAndRestarted) {
    addCamera("stall", R"({"name": "Stalling Camera", "width": 160, "height": 120,
                           "fps": 30, "fail": "stall"})");
    CameraViewModel model("stall", false, &defaults);
    ASSERT_TRUE(startAndWait(model));
    const auto first = model.captureSession();
    // One second of frames, then silence; after 2 s without a frame the
    // session no longer counts as running.
    runEventLoop(4.0, [&] { return !first->isRunning(); });
    EXPECT_FALSE(first->isRunning());
    EXPECT_TRUE(model.isRunning());  // nobody noticed yet
    clock.scheduler.advance(CameraViewModel::healthCheckInterval);
    EXPECT_EQ(log.count("Camera: session stopped unexpectedly, attempting restart"), 1);
    EXPECT_NE(model.captureSession(), first);
    EXPECT_TRUE(waitFor([&] { return model.isRunning(); }));
    EXPECT_TRUE(model.captureSession()->isRunning());
}

TEST_F(SimulatedCameraPipelineTest, StoppedSessionsReleaseTheirPipelinesAndDescriptors) {
    addCamera("desk", R"({"name": "Desk Camera", "width": 160, "height": 120, "fps": 60})");
    const int pipelinesBefore = GstCapturePipeline::livePipelineCount();
    CameraViewModel model("desk", false, &defaults);
    auto cycle = [&] {
        ASSERT_TRUE(startAndWait(model));
        EXPECT_EQ(GstCapturePipeline::livePipelineCount(), pipelinesBefore + 1);
        model.stopCamera();
        // Finalized on its own thread soon after: nothing may keep the
        // stopped pipeline alive.
        EXPECT_TRUE(
            waitFor([&] { return GstCapturePipeline::livePipelineCount() == pipelinesBefore; }));
    };
    cycle();
    const int descriptorsAfterFirst = openDescriptors();
    for (int i = 0; i < 25 && !HasFailure(); ++i) {
        cycle();
    }
    EXPECT_LE(openDescriptors(), descriptorsAfterFirst + 2);
    EXPECT_TRUE(waitFor([&] { return streamingThreads() == 0; }));
}

TEST_F(SimulatedCameraPipelineTest, RestartsOfAStallingCameraKeepOnePipelineAlive) {
    addCamera("stall", R"({"name": "Stalling Camera", "width": 160, "height": 120,
                           "fps": 120, "fail": "stall"})");
    const int pipelinesBefore = GstCapturePipeline::livePipelineCount();
    CameraViewModel model("stall", false, &defaults);
    ASSERT_TRUE(startAndWait(model));
    int descriptorsAfterFirst = 0;
    for (int restart = 0; restart < 3; ++restart) {
        const auto session = model.captureSession();
        runEventLoop(5.0, [&] { return !session->isRunning(); });
        ASSERT_FALSE(session->isRunning());
        clock.scheduler.advance(CameraViewModel::healthCheckInterval);
        ASSERT_TRUE(waitFor([&] { return model.captureSession()->isRunning(); }));
        ASSERT_TRUE(waitFor(
            [&] { return GstCapturePipeline::livePipelineCount() == pipelinesBefore + 1; }));
        if (restart == 0) {
            descriptorsAfterFirst = openDescriptors();
        }
    }
    EXPECT_LE(openDescriptors(), descriptorsAfterFirst + 2);
    model.stopCamera();
    EXPECT_TRUE(
        waitFor([&] { return GstCapturePipeline::livePipelineCount() == pipelinesBefore; }));
}

TEST_F(SimulatedCameraPipelineTest, FailureModesEndInTheirMessagesAfterThreeAttempts) {
    addCamera("nostart", R"({"name": "Broken Camera", "fail": "start"})");
    addCamera("noopen", R"({"name": "Busy Camera", "fail": "open"})");
    for (const QString id : {"nostart", "noopen"}) {
        CameraViewModel model(id, false, &defaults);
        model.startCamera();
        EXPECT_TRUE(model.isStartingCamera());
        // Three attempts, each failing at once (no device) or by its start
        // deadline (no frame), 1 s and 2 s apart.
        for (int step = 0; step < 40 && model.isStartingCamera(); ++step) {
            clock.scheduler.advance(0.5);
        }
        EXPECT_FALSE(model.isStartingCamera());
        EXPECT_EQ(model.captureFailureMessage(), QStringLiteral("Camera could not be started."));
        EXPECT_FALSE(model.captureSession()->hasInputs());
    }
    EXPECT_EQ(log.count("Camera: session did not start for device Broken Camera"), 3);
    EXPECT_EQ(log.count("Camera: AVCaptureSession setup failed for device Busy Camera: "
                        "The device could not be opened."),
              3);
    EXPECT_TRUE(waitFor([&] { return streamingThreads() == 0; }));
}

TEST_F(SimulatedCameraPipelineTest, PermissionFilesDecideAndTheAnswerStartsTheCamera) {
    addCamera("desk", R"({"name": "Desk Camera", "width": 160, "height": 120})");
    writeFile(".permission", "denied\n");
    CameraViewModel model("desk", false, &defaults);
    model.startCamera();
    EXPECT_FALSE(model.isGranted());
    EXPECT_FALSE(model.isRunning());

    writeFile(".permission", "notDetermined");
    writeFile(".permission-answer", "yes");
    model.startCamera();
    EXPECT_FALSE(model.isGranted());  // the answer comes 100 ms later
    EXPECT_TRUE(waitFor([&] { return model.isRunning(); }));
    EXPECT_TRUE(model.isGranted());
    QFile permission(folder.filePath(".permission"));
    ASSERT_TRUE(permission.open(QIODevice::ReadOnly));
    EXPECT_EQ(permission.readAll().trimmed(), "authorized");
}

TEST_F(SimulatedCameraPipelineTest, PermissionRefusedByTheUserStaysRefused) {
    addCamera("desk", R"({"name": "Desk Camera", "width": 160, "height": 120})");
    writeFile(".permission", "notDetermined");
    writeFile(".permission-answer", "no");
    CameraViewModel model("desk", false, &defaults);
    bool answered = false;
    QObject::connect(&model, &CameraViewModel::isGrantedChanged, [&] { answered = true; });
    model.checkCameraAccess();
    runEventLoop(1.0, [&] { return answered; });
    EXPECT_FALSE(model.isGranted());
    EXPECT_FALSE(model.isRunning());
    QFile permission(folder.filePath(".permission"));
    ASSERT_TRUE(permission.open(QIODevice::ReadOnly));
    EXPECT_EQ(permission.readAll().trimmed(), "notDetermined");
}

TEST_F(SimulatedCameraPipelineTest, PreviewShowsTheSimulatedPattern) {
    addCamera("bars", R"({"name": "Bars", "pattern": "smpte", "width": 640, "height": 360})");
    CameraViewModel model("bars", false, &defaults);
    CameraView view(model.captureSession());
    CameraViewContainer::follow(view, model);
    view.resize(320, 240);
    ASSERT_TRUE(startAndWait(model));
    runEventLoop(1.0, [&] { return !view.currentFrame().isNull(); });
    ASSERT_FALSE(view.currentFrame().isNull());
    EXPECT_EQ(view.currentFrame().size(), QSize(640, 360));

    const QImage shown = view.grab().toImage();
    const QString dir =
        qEnvironmentVariable("MIRELON_BUILD_DIR", QDir::tempPath()) + "/screenshots/capture";
    QDir().mkpath(dir);
    shown.save(dir + "/preview-smpte.png");
    // The colour bars across the top: aspect fill crops the outer bars but
    // keeps several distinct, saturated colours and fills the whole width.
    QSet<QRgb> colours;
    for (int x = 0; x < shown.width(); x += 4) {
        const QColor c = shown.pixelColor(x, 40);
        colours.insert(qRgb(c.red() / 32 * 32, c.green() / 32 * 32, c.blue() / 32 * 32));
    }
    EXPECT_GE(colours.size(), 5);
    EXPECT_NE(shown.pixelColor(0, 40), QColor(Qt::black));
    EXPECT_NE(shown.pixelColor(shown.width() - 1, 40), QColor(Qt::black));
    model.stopCamera();
}

}  // namespace
}  // namespace mirelon

namespace mirelon {
namespace {

class RealisticCameraTest : public SimulatedCameraPipelineTest {};

// A webcam-like file: MJPEG up to 1080p30, raw YUY2 at 30 fps only small.
const char* kRealistic = R"({"name": "Webcam", "image": "face.png", "corruptEvery": 4,
  "modes": [{"format": "mjpeg", "width": 1280, "height": 720, "fps": 30},
            {"format": "yuy2", "width": 1280, "height": 720, "fps": 10},
            {"format": "yuy2", "width": 320, "height": 240, "fps": 30}]})";

TEST_F(RealisticCameraTest, ModeFollowsTheShownSizeAndFramesComeInItsFormat) {
    QImage face(200, 150, QImage::Format_RGB32);
    face.fill(QColor(200, 40, 40));
    ASSERT_TRUE(face.save(folder.filePath("face.png")));
    addCamera("cam", kRealistic);
    ASSERT_EQ(directory->spec("cam")->modes.size(), 3);
    const int threadsBefore = streamingThreads();

    CameraViewModel model("cam", false, &defaults);
    CameraView view(model.captureSession());
    CameraViewContainer::follow(view, model);
    // Shown 300 pixels wide: 320x240 raw covers it.
    view.setWantedSize(QSize(300, 200));
    ASSERT_TRUE(startAndWait(model));
    runEventLoop(2.0, [&] { return !view.currentFrame().isNull(); });
    ASSERT_FALSE(view.currentFrame().isNull());
    EXPECT_EQ(view.currentFrame().layout(), VideoFrame::Layout::packed422);
    EXPECT_EQ(view.currentFrame().size(), QSize(320, 240));
    // The picture is the image, not a pattern.
    const QRgb centre = view.currentFrame().toImage().pixel(160, 120);
    EXPECT_NEAR(qRed(centre), 200, 6);
    EXPECT_NEAR(qGreen(centre), 40, 6);

    // Much larger: MJPEG 720p, decoded at the reduction the size allows;
    // every fourth frame arrives truncated and is dropped, never shown.
    const auto session = model.captureSession();
    view.setWantedSize(QSize(600, 330));
    EXPECT_TRUE(waitFor([&] { return session->isRunning(); }));
    int seen = 0;
    bool allGood = true;
    VideoFrame first;
    QObject::connect(session.get(), &CaptureSession::frameArrived, [&](const VideoFrame& frame) {
        ++seen;
        allGood = allGood && frame.layout() == VideoFrame::Layout::planar &&
                  frame.size() == QSize(640, 360);
        if (first.isNull()) {
            first = frame;
        }
    });
    // (Slow machines decode slowly: a few frames are enough.)
    runEventLoop(6.0, [&] { return seen >= 5 && session->mailbox().corruptCount() >= 1; });
    EXPECT_GE(seen, 5);
    EXPECT_TRUE(allGood);
    EXPECT_GE(session->mailbox().corruptCount(), 1u);
    ASSERT_FALSE(first.isNull());
    const QRgb decoded = first.toImage().pixel(320, 180);
    EXPECT_NEAR(qRed(decoded), 200, 12);
    EXPECT_NEAR(qGreen(decoded), 40, 12);
    // A small step back does not restart the camera: frames keep the mode.
    view.setWantedSize(QSize(560, 320));
    EXPECT_EQ(model.captureSession(), session);
    seen = 0;
    runEventLoop(3.0, [&] { return seen >= 2; });
    EXPECT_GE(seen, 2);
    EXPECT_TRUE(allGood);

    // Only the middle is shown (a zoomed panel): frames arrive as windows
    // of the same frame size that hold the shown part, the camera's mode
    // and the reduction unchanged.
    const QRectF middle(0.25, 0.2, 0.5, 0.6);
    view.setWantedSize(QSize(560, 320), middle);
    EXPECT_EQ(model.captureSession(), session);
    VideoFrame windowed;
    QObject::disconnect(session.get(), &CaptureSession::frameArrived, nullptr, nullptr);
    QObject::connect(session.get(), &CaptureSession::frameArrived, [&](const VideoFrame& frame) {
        if (frame.isWindowed()) {
            windowed = frame;
        }
    });
    runEventLoop(3.0, [&] { return !windowed.isNull(); });
    ASSERT_FALSE(windowed.isNull());
    EXPECT_EQ(windowed.size(), QSize(640, 360));
    EXPECT_TRUE(windowed.window().contains(QRect(160, 72, 320, 216)));
    EXPECT_LT(windowed.window().width(), 400);
    const QImage part = windowed.toImage();
    const QRgb inside = part.pixel(part.width() / 2, part.height() / 2);
    EXPECT_NEAR(qRed(inside), 200, 12);
    EXPECT_NEAR(qGreen(inside), 40, 12);

    // A second viewer that shows everything: whole frames again.
    CameraView other(session);
    other.setWantedSize(QSize(300, 170));
    VideoFrame whole;
    QObject::disconnect(session.get(), &CaptureSession::frameArrived, nullptr, nullptr);
    QObject::connect(session.get(), &CaptureSession::frameArrived, [&](const VideoFrame& frame) {
        if (!frame.isWindowed()) {
            whole = frame;
        }
    });
    runEventLoop(3.0, [&] { return !whole.isNull(); });
    EXPECT_FALSE(whole.isNull());
    EXPECT_EQ(session->wantedRegion(), QRectF());
    other.setWantedSize(QSize());
    EXPECT_FALSE(session->wantedRegion().isNull());
    // Every frame carries when the camera delivered it, never a later time.
    EXPECT_NE(whole.arrival(), std::chrono::steady_clock::time_point{});
    EXPECT_LE(whole.arrival(), std::chrono::steady_clock::now());
    model.stopCamera();
    // The decode thread ends with its pipeline.
    EXPECT_TRUE(waitFor([&] { return streamingThreads() == threadsBefore; }));
}

TEST_F(RealisticCameraTest, BadModesAndImagesAreRejectedClearly) {
    QString why;
    EXPECT_FALSE(SimulatedCameraFile::parse(
        "c",
        R"({"name": "C", "modes": [{"format": "h264", "width": 64, "height": 64, "fps": 30}]})",
        &why));
    EXPECT_TRUE(why.contains("format"));
    EXPECT_FALSE(SimulatedCameraFile::parse(
        "c",
        R"({"name": "C", "modes": [{"format": "yuy2", "width": 63, "height": 64, "fps": 30}]})",
        &why));
    EXPECT_FALSE(SimulatedCameraFile::parse(
        "c", R"({"name": "C", "modes": [{"format": "mjpeg", "width": 64}]})", &why));
    EXPECT_FALSE(SimulatedCameraFile::parse("c", R"({"name": "C", "modes": 3})", &why));
    EXPECT_FALSE(
        SimulatedCameraFile::parse("c", R"({"name": "C", "image": "../secret.png"})", &why));
    EXPECT_FALSE(SimulatedCameraFile::parse("c", R"({"name": "C", "image": "/etc/passwd"})", &why));
    EXPECT_FALSE(SimulatedCameraFile::parse("c", R"({"name": "C", "corruptEvery": -1})", &why));
    // An image that cannot be read shows bars instead; the camera still runs.
    writeFile("broken.png", "not a picture");
    addCamera("cam", R"({"name": "C", "image": "broken.png",
                         "modes": [{"format": "i420", "width": 160, "height": 120, "fps": 30}]})");
    CameraViewModel model("cam", false, &defaults);
    ASSERT_TRUE(startAndWait(model));
    runEventLoop(1.0, [&] { return !model.captureSession()->latestFrame().isNull(); });
    EXPECT_EQ(model.captureSession()->latestFrame().layout(), VideoFrame::Layout::planar);
    model.stopCamera();
}

}  // namespace
}  // namespace mirelon
