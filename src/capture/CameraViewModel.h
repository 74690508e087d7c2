// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureSession.h"
#include "config/CameraDeviceConfiguration.h"
#include "platform/qt/EventBus.h"
#include "platform/qt/Scheduler.h"

#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace mirelon {

class PreferencesFile;

// The live capture of one camera: permission, the choice of device, the
// capture session with its start attempts (at 0 s, about 1 s and about 3 s;
// each waits for its session's outcome without blocking, the camera counts
// as starting meanwhile),
// a health check every 5 s that restarts a stalled or vanished camera, and the
// switch back to the preferred camera when it returns.
//
// Everything runs on the main thread. Delays go through Scheduler::main(). The
// observable fields announce every change with their own signal and then with
// changed(). Log records go to lcCore (app.mirelon.Mirelon.core).
//
// Typical use (a camera panel):
//   auto model = std::make_unique<CameraViewModel>(cameraId, false);
//   model->startCamera();
//   view->setCaptureSession(model->captureSession());   // and on captureSessionChanged()
class CameraViewModel final : public QObject {
    Q_OBJECT
public:
    static constexpr double healthCheckInterval = 5.0;
    static constexpr std::array<double, 2> startRetryDelays{1.0, 2.0};
    // How long after a defaults change the shared device preference is re-read.
    static constexpr double deviceChangeDelay = 0.1;
    // How often a camera another app holds is tried again.
    static constexpr double busyRetryInterval = 3.0;

    // preferredDeviceId: the camera this model is bound to (a panel passes its
    // camera id); none or empty follows the shared "deviceId" preference, and
    // with an empty preference the first discovered camera.
    // observeSharedDevicePreference: follow changes of the preferences (the
    // settings window's model). Creation neither asks for permission nor starts.
    // defaults: the store "deviceId" is read from (the standard one when null).
    explicit CameraViewModel(std::optional<QString> preferredDeviceId = std::nullopt,
                             bool observeSharedDevicePreference = false,
                             PreferencesFile* defaults = nullptr, QObject* parent = nullptr);
    ~CameraViewModel() override;

    // --- observable state ---
    // The shared device preference, user-defaults key "deviceId" (read only).
    QString lastDeviceId() const;
    bool isGranted() const { return isGranted_; }
    const QList<AvailableCameraDevice>& availableCameras() const { return availableCameras_; }
    // The session the preview shows; a new object after every (re)start or stop.
    const std::shared_ptr<CaptureSession>& captureSession() const { return captureSession_; }
    bool isSessionRunning() const { return isSessionRunning_; }
    bool isStartingCamera() const { return isStartingCamera_; }
    // "Camera is unavailable." or "Camera could not be started." once every
    // start attempt failed; none otherwise.
    const std::optional<QString>& captureFailureMessage() const { return captureFailureMessage_; }
    // Whether the last start failed because another app holds the camera
    // (the failure message then says so, and the start is tried again every
    // busyRetryInterval seconds until it succeeds or the camera is stopped).
    bool isCameraBusy() const { return isCameraBusy_; }

    // --- plain state ---
    bool isRunning() const { return isRunning_; }
    const std::optional<QString>& preferredDeviceIdOverride() const {
        return preferredDeviceIdOverride_;
    }
    bool shouldObserveSharedDevicePreference() const {
        return shouldObserveSharedDevicePreference_;
    }
    // The override when present and not empty, else the shared preference.
    QString preferredDeviceId() const;
    // The id the next start opens: the preferred id, or the first camera's.
    QString getDeviceId() const;

    // --- operations ---
    // Refreshes the camera list and the permission; may ask the user (a yes
    // then starts the camera).
    void checkCameraAccess();
    // Starts, or restarts, the camera chosen by getDeviceId().
    void startCamera();
    // Stops the camera, cancels pending retries, resets to idle.
    void stopCamera();
    // Rebinds the model to another camera (white space around id is ignored);
    // a running camera moves to it.
    void updatePreferredDeviceId(const QString& id);
    // Stops and dismantles the current session.
    void releaseCaptureSessionResources();
    void refreshCameraList();
    void handleDeviceIdChange();
    void performHealthCheck();

Q_SIGNALS:
    void isGrantedChanged(bool granted);
    void availableCamerasChanged();
    void captureSessionChanged();
    void isSessionRunningChanged(bool running);
    void isStartingCameraChanged(bool starting);
    void captureFailureMessageChanged();
    void isCameraBusyChanged(bool busy);
    // After any of the observable fields above changed.
    void changed();

private:
    void startCameraAttempt(int attempt);
    void startCaptureSession();
    void finishStartAttempt(int attempt, bool ok, const QString& name);
    void stopCaptureSession();
    void handleStartFailure(const QString& message, int attempt);
    void setupCameraNotifications();
    void setupDeviceChangeObserver();
    void startSessionHealthMonitoring();
    static void teardownCaptureSession(CaptureSession& session);
    void replaceCaptureSession();
    // The id of the camera the running session's input opened, if any.
    std::optional<QString> activeDeviceId() const;
    QString deviceName(const QString& id) const;
    // Runs work on a later turn of the main loop while the model exists.
    void queue(double delay, std::function<void()> work);

    void setGranted(bool value);
    void setSessionRunning(bool value);
    void setStartingCamera(bool value);
    void setFailureMessage(std::optional<QString> value);
    void setCameraBusy(bool value);

    PreferencesFile& defaults_;
    bool isGranted_ = false;
    QList<AvailableCameraDevice> availableCameras_;
    std::shared_ptr<CaptureSession> captureSession_;
    bool isSessionRunning_ = false;
    bool isStartingCamera_ = false;
    std::optional<QString> captureFailureMessage_;
    bool isCameraBusy_ = false;
    bool isRunning_ = false;
    std::optional<QString> preferredDeviceIdOverride_;
    const bool shouldObserveSharedDevicePreference_;
    TaskHandle sessionHealthTimer_;
    TaskHandle pendingStartRetryWorkItem_;
    // The session whose start an attempt waits for.
    const CaptureSession* awaitedSession_ = nullptr;
    ObserverToken cameraConnectedObserver_;
    ObserverToken cameraDisconnectedObserver_;
    ObserverToken userDefaultsChangeObserver_;
    std::vector<TaskHandle> queuedWork_;
};

}  // namespace mirelon
