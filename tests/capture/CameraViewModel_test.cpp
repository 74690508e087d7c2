// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraViewModel.h"

#include "FakeCapture.h"
#include "LogCapture.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/ManualScheduler.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace mirelon {
namespace {

using testing::FakeCameraDirectory;
using testing::FakeCaptureService;
using testing::LogCapture;

class CameraViewModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        log.onMessage = [this](const testing::LoggedMessage& m) {
            if (m.text.startsWith(QLatin1String("Camera: starting attempt"))) {
                attemptTimes.push_back(clock.scheduler.now());
            }
        };
    }

    std::unique_ptr<CameraViewModel> makeModel(std::optional<QString> id = std::nullopt,
                                               bool observe = false) {
        return std::make_unique<CameraViewModel>(std::move(id), observe, &defaults);
    }
    QString activeId(const CameraViewModel& m) {
        const auto& input = m.captureSession()->input();
        return input ? input->deviceId() : QString();
    }

    ScopedManualScheduler clock;
    QTemporaryDir dir;
    PreferencesFile defaults{dir.filePath(QStringLiteral("defaults.json"))};
    FakeCameraDirectory cameras;
    FakeCaptureService service{cameras};
    LogCapture log{"app.mirelon.Mirelon.core"};
    std::vector<double> attemptTimes;
};

TEST_F(CameraViewModelTest, CreationNeitherAsksNorStartsButListsCameras) {
    cameras.plug("a", "Desk Camera");
    service.status = CameraAuthorization::notDetermined;
    auto model = makeModel();
    EXPECT_EQ(model->availableCameras().size(), 1);
    EXPECT_EQ(service.questionsAsked, 0);
    EXPECT_FALSE(model->isGranted());
    EXPECT_FALSE(model->isRunning());
    EXPECT_FALSE(model->captureSession()->hasInputs());
}

TEST_F(CameraViewModelTest, NoCameraFailsThreeTimesAtZeroOneAndThreeSeconds) {
    auto model = makeModel();
    model->startCamera();
    EXPECT_TRUE(model->isStartingCamera());
    EXPECT_FALSE(model->captureFailureMessage());
    clock.scheduler.advance(10);
    EXPECT_EQ(attemptTimes, (std::vector<double>{0.0, 1.0, 3.0}));
    EXPECT_FALSE(model->isStartingCamera());
    EXPECT_EQ(model->captureFailureMessage(), QStringLiteral("Camera is unavailable."));
    EXPECT_EQ(log.count("Camera: could not find device with id "), 3);
    EXPECT_EQ(log.count("Camera: start attempt 1 failed, retrying in 1.000000 seconds"), 1);
    EXPECT_EQ(log.count("Camera: start attempt 2 failed, retrying in 2.000000 seconds"), 1);
    EXPECT_EQ(log.countStartingWith("Camera: start attempt 3"), 0);
}

TEST_F(CameraViewModelTest, CameraThatCannotOpenOrStartEndsInCouldNotBeStarted) {
    cameras.plug("a", "Desk Camera");
    cameras.plug("b", "Room Camera");
    service.behaviour("a")->openFails = true;
    service.behaviour("b")->startFails = true;
    for (const QString id : {"a", "b"}) {
        auto model = makeModel(id);
        model->startCamera();
        clock.scheduler.advance(10);
        EXPECT_EQ(model->captureFailureMessage(), QStringLiteral("Camera could not be started."));
        EXPECT_FALSE(model->isSessionRunning());
        EXPECT_FALSE(model->captureSession()->hasInputs());
    }
    EXPECT_EQ(log.count("Camera: AVCaptureSession setup failed for device Desk Camera: busy"), 3);
    EXPECT_EQ(log.count("Camera: session did not start for device Room Camera"), 3);
    // A later success clears the message.
    service.behaviour("b")->startFails = false;
    auto model = makeModel("b");
    model->startCamera();
    EXPECT_TRUE(model->isRunning());
    EXPECT_TRUE(model->isSessionRunning());
    EXPECT_FALSE(model->isStartingCamera());
    EXPECT_FALSE(model->captureFailureMessage());
}

TEST_F(CameraViewModelTest, BusyCameraSaysSoAndIsTriedAgainUntilItIsFree) {
    cameras.plug("a", "Desk Camera");
    auto behaviour = service.behaviour("a");
    behaviour->busy = true;
    auto model = makeModel("a");
    model->startCamera();
    clock.scheduler.advance(3);
    EXPECT_EQ(model->captureFailureMessage(), QStringLiteral("Camera is in use by another app."));
    EXPECT_TRUE(model->isCameraBusy());
    // Unlike other failures the attempts go on while the camera is held.
    clock.scheduler.advance(CameraViewModel::busyRetryInterval * 3);
    EXPECT_EQ(attemptTimes.size(), 6u);
    EXPECT_TRUE(model->isStartingCamera());
    EXPECT_FALSE(model->isSessionRunning());
    // The other app lets go: the next attempt runs the camera.
    behaviour->busy = false;
    clock.scheduler.advance(CameraViewModel::busyRetryInterval);
    EXPECT_TRUE(model->isSessionRunning());
    EXPECT_FALSE(model->isCameraBusy());
    EXPECT_FALSE(model->captureFailureMessage());
    const auto attempts = attemptTimes.size();
    clock.scheduler.advance(CameraViewModel::busyRetryInterval * 3);
    EXPECT_EQ(attemptTimes.size(), attempts);
    // Stopping ends the attempts; a busy camera that is stopped is not busy.
    behaviour->busy = true;
    model->stopCamera();
    model->startCamera();
    clock.scheduler.advance(4);
    EXPECT_TRUE(model->isCameraBusy());
    model->stopCamera();
    EXPECT_FALSE(model->isCameraBusy());
    const auto stopped = attemptTimes.size();
    clock.scheduler.advance(CameraViewModel::busyRetryInterval * 3);
    EXPECT_EQ(attemptTimes.size(), stopped);
}

// Starts that settle later: the model stays "starting" without blocking, and
// the outcome (first frame, failure, deadline) drives the same attempts.
TEST_F(CameraViewModelTest, StartOutcomesArriveLaterAndDriveTheAttempts) {
    cameras.plug("a", "Desk Camera");
    auto behaviour = service.behaviour("a");
    behaviour->answerLater = true;
    auto model = makeModel("a");
    auto settle = [&] {
        ASSERT_TRUE(behaviour->announce);
        behaviour->announce();  // as from the pipeline's thread: queued
        QCoreApplication::sendPostedEvents();
    };

    // The first frame ends the start.
    model->startCamera();
    EXPECT_TRUE(model->isStartingCamera());
    EXPECT_FALSE(model->isSessionRunning());
    EXPECT_FALSE(model->isRunning());
    EXPECT_FALSE(model->captureFailureMessage());
    clock.scheduler.advance(1.9);
    EXPECT_TRUE(model->isStartingCamera());
    behaviour->firstFrame = true;
    settle();
    EXPECT_FALSE(model->isStartingCamera());
    EXPECT_TRUE(model->isSessionRunning());
    EXPECT_TRUE(model->isRunning());
    clock.scheduler.advance(20);  // no deadline left behind, healthy
    EXPECT_TRUE(model->isRunning());
    EXPECT_EQ(attemptTimes.size(), 1u);

    // No frame by the deadline: the attempt failed and the next follows 1 s later.
    model->stopCamera();
    attemptTimes.clear();
    behaviour->firstFrame = false;
    const double t0 = clock.scheduler.now();
    model->startCamera();
    clock.scheduler.advance(2.0);
    EXPECT_FALSE(model->isSessionRunning());
    EXPECT_TRUE(model->isStartingCamera());
    EXPECT_FALSE(model->captureSession()->hasInputs());
    clock.scheduler.advance(1.0);
    ASSERT_EQ(attemptTimes.size(), 2u);
    EXPECT_DOUBLE_EQ(attemptTimes[1] - t0, 3.0);
    EXPECT_EQ(log.count("Camera: session did not start for device Desk Camera"), 1);

    // Another app turns out to hold the camera while the start is pending.
    behaviour->busy = true;
    settle();
    EXPECT_TRUE(model->isCameraBusy());
    behaviour->busy = false;

    // A stop while a start is pending ends it: the pipeline no longer
    // announces anything, and no deadline or retry is left.
    model->stopCamera();
    EXPECT_FALSE(behaviour->announce);
    model->startCamera();
    EXPECT_TRUE(behaviour->announce);
    model->stopCamera();
    EXPECT_FALSE(behaviour->announce);
    EXPECT_FALSE(model->isRunning());
    EXPECT_FALSE(model->isStartingCamera());
    EXPECT_EQ(behaviour->pipelinesStopped, behaviour->pipelinesStarted);
    EXPECT_EQ(clock.scheduler.pendingCount(), 0u);
}

TEST_F(CameraViewModelTest, StopCameraCancelsThePendingRetry) {
    auto model = makeModel();
    model->startCamera();
    clock.scheduler.advance(0.9);
    model->stopCamera();
    clock.scheduler.advance(10);
    EXPECT_EQ(attemptTimes.size(), 1u);
    EXPECT_FALSE(model->isStartingCamera());
    EXPECT_FALSE(model->captureFailureMessage());
    EXPECT_EQ(clock.scheduler.pendingCount(), 0u);
}

TEST_F(CameraViewModelTest, RestartDuringRetryWaitBeginsAFreshSeriesOfAttempts) {
    auto model = makeModel();
    model->startCamera();
    clock.scheduler.advance(0.5);
    model->startCamera();  // attempt 1 again at 0.5; the old retry is gone
    clock.scheduler.advance(10);
    EXPECT_EQ(attemptTimes, (std::vector<double>{0.0, 0.5, 1.5, 3.5}));
}

TEST_F(CameraViewModelTest, UndeterminedPermissionAsksOnceAndAYesStartsTheCamera) {
    cameras.plug("a", "Desk Camera");
    service.status = CameraAuthorization::notDetermined;
    auto model = makeModel();
    model->startCamera();
    EXPECT_EQ(service.questionsAsked, 1);
    EXPECT_FALSE(model->isGranted());
    EXPECT_FALSE(model->isStartingCamera());
    EXPECT_FALSE(model->isRunning());
    EXPECT_EQ(log.count("Camera: access not granted"), 1);
    clock.scheduler.advance(10);
    EXPECT_EQ(attemptTimes.size(), 1u);  // no retries without permission

    // The answer comes on another thread; the model takes it on the main thread.
    service.status = CameraAuthorization::authorized;
    std::thread answering([answer = service.pendingAnswer] { answer(true); });
    answering.join();
    EXPECT_FALSE(model->isGranted());  // not before the main thread runs
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(model->isGranted());
    EXPECT_TRUE(model->isRunning());
    EXPECT_EQ(activeId(*model), "a");
}

TEST_F(CameraViewModelTest, AnswerArrivingAfterTheModelIsGoneIsIgnored) {
    service.status = CameraAuthorization::notDetermined;
    auto model = makeModel();
    model->checkCameraAccess();
    auto answer = service.pendingAnswer;
    model.reset();
    answer(true);
    QCoreApplication::sendPostedEvents();  // must not touch the destroyed model
    SUCCEED();
}

TEST_F(CameraViewModelTest, DeniedPermissionMakesNoAttempt) {
    cameras.plug("a", "Desk Camera");
    service.status = CameraAuthorization::denied;
    auto model = makeModel();
    model->startCamera();
    EXPECT_FALSE(model->isGranted());
    EXPECT_EQ(service.behaviour("a")->pipelinesStarted, 0);
    EXPECT_EQ(service.questionsAsked, 0);
}

TEST_F(CameraViewModelTest, UpdatePreferredDeviceId) {
    cameras.plug("a", "Desk Camera");
    cameras.plug("b", "Room Camera");
    auto model = makeModel("a");
    model->startCamera();
    const auto session = model->captureSession();

    model->updatePreferredDeviceId("  a\n");
    EXPECT_EQ(model->captureSession(), session);  // same camera: nothing happens

    model->updatePreferredDeviceId(" b ");
    EXPECT_EQ(model->preferredDeviceIdOverride(), QStringLiteral("b"));
    EXPECT_TRUE(model->isRunning());
    EXPECT_EQ(activeId(*model), "b");
    EXPECT_EQ(service.behaviour("a")->pipelinesStopped, 1);
    EXPECT_EQ(log.count("Camera: device changed, restarting session"), 1);

    model->stopCamera();
    model->updatePreferredDeviceId("a");  // not running: only recorded
    EXPECT_FALSE(model->isRunning());
    EXPECT_EQ(service.behaviour("a")->pipelinesStarted, 1);
    model->startCamera();
    EXPECT_EQ(activeId(*model), "a");
}

TEST_F(CameraViewModelTest, EmptyPreferenceOpensTheFirstCameraAndRestartsOnUnplug) {
    cameras.plug("a", "Desk Camera");
    cameras.plug("b", "Room Camera");
    auto model = makeModel(QString());  // empty override, "deviceId" unset
    model->startCamera();
    EXPECT_EQ(activeId(*model), "a");

    clock.scheduler.advance(1);
    cameras.unplug("a");
    service.behaviour("a")->running = false;
    clock.scheduler.advance(4.0);  // the first health check is due 5 s after the start
    EXPECT_EQ(activeId(*model), "b");
    EXPECT_TRUE(model->isRunning());
    EXPECT_EQ(model->availableCameras().size(), 1);
    EXPECT_EQ(log.count("Camera: session stopped unexpectedly, attempting restart"), 1);
}

TEST_F(CameraViewModelTest, HealthCheckRestartsWhenTheActiveCameraLeftTheList) {
    cameras.plug("a", "Desk Camera");
    cameras.plug("b", "Room Camera");
    auto model = makeModel();
    model->startCamera();
    // The camera is gone from the list but its pipeline still reports frames.
    cameras.unplug("a");
    clock.scheduler.advance(5);
    EXPECT_EQ(
        log.count("Camera: active device is no longer available, restarting preferred session"), 1);
    EXPECT_EQ(activeId(*model), "b");
}

TEST_F(CameraViewModelTest, StalledSessionIsRestartedByTheHealthCheck) {
    cameras.plug("a", "Desk Camera");
    auto model = makeModel("a");
    model->startCamera();
    const auto first = model->captureSession();
    clock.scheduler.advance(4.9);
    service.behaviour("a")->running = false;
    clock.scheduler.advance(0.1);
    // The restart found the camera still stalled: three attempts, each ended
    // by its deadline, then the message.
    clock.scheduler.advance(8.9);
    EXPECT_FALSE(model->captureFailureMessage());
    clock.scheduler.advance(0.1);
    EXPECT_NE(model->captureSession(), first);
    EXPECT_EQ(model->captureFailureMessage(), QStringLiteral("Camera could not be started."));

    service.behaviour("a")->running = true;
    model->startCamera();
    EXPECT_TRUE(model->isRunning());
    clock.scheduler.advance(20);  // healthy: no more restarts
    EXPECT_EQ(log.count("Camera: session stopped unexpectedly, attempting restart"), 1);
}

TEST_F(CameraViewModelTest, SwitchesBackWhenThePreferredCameraReturns) {
    cameras.plug("b", "Room Camera");
    auto model = makeModel();  // follows "deviceId", which is unset
    model->startCamera();
    EXPECT_EQ(activeId(*model), "b");
    defaults.setString("deviceId", "a");  // this model does not follow changes
    EXPECT_EQ(activeId(*model), "b");
    cameras.plug("a", "Desk Camera");
    clock.scheduler.runPending();
    EXPECT_EQ(activeId(*model), "a");
    EXPECT_TRUE(model->isRunning());
    EXPECT_EQ(log.count("Camera: preferred device is available again, switching back"), 1);
}

TEST_F(CameraViewModelTest, SharedPreferenceIsFollowedAfterADelay) {
    cameras.plug("a", "Desk Camera");
    cameras.plug("b", "Room Camera");
    auto follower = makeModel(std::nullopt, true);
    auto bound = makeModel("a", false);
    follower->startCamera();
    bound->startCamera();
    defaults.setString("deviceId", "b");
    clock.scheduler.advance(0.05);
    EXPECT_EQ(activeId(*follower), "a");
    clock.scheduler.advance(0.05);
    EXPECT_EQ(activeId(*follower), "b");
    EXPECT_EQ(activeId(*bound), "a");
}

TEST_F(CameraViewModelTest, ObservableFieldsAnnounceChangesAndDestructionReleases) {
    cameras.plug("a", "Desk Camera");
    auto model = makeModel("a");
    int sessionChanges = 0;
    QList<bool> running;
    QObject::connect(model.get(), &CameraViewModel::captureSessionChanged,
                     [&] { ++sessionChanges; });
    QObject::connect(model.get(), &CameraViewModel::isSessionRunningChanged,
                     [&](bool r) { running.append(r); });
    model->startCamera();
    model->stopCamera();
    EXPECT_EQ(running, (QList<bool>{true, false}));
    EXPECT_GE(sessionChanges, 2);

    model->startCamera();
    auto behaviour = service.behaviour("a");
    const auto observers = EventBus::shared().observerCount(Notifications::cameraConnected);
    model.reset();
    EXPECT_EQ(behaviour->pipelinesStopped, behaviour->pipelinesStarted);
    EXPECT_EQ(EventBus::shared().observerCount(Notifications::cameraConnected), observers - 1);
    EXPECT_EQ(clock.scheduler.pendingCount(), 0u);  // health timer gone
}

}  // namespace
}  // namespace mirelon
