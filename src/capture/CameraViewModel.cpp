// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraViewModel.h"

#include "capture/CameraDirectory.h"
#include "capture/CaptureService.h"
#include "config/Preferences.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/Logging.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>

namespace mirelon {
namespace {

const QString kUnavailable = QStringLiteral("Camera is unavailable.");
const QString kCouldNotStart = QStringLiteral("Camera could not be started.");
const QString kInUse = QStringLiteral("Camera is in use by another app.");

bool contains(const QList<AvailableCameraDevice>& cameras, const QString& id) {
    return std::any_of(cameras.begin(), cameras.end(),
                       [&](const AvailableCameraDevice& d) { return d.id == id; });
}

}  // namespace

CameraViewModel::CameraViewModel(std::optional<QString> preferredDeviceId,
                                 bool observeSharedDevicePreference, PreferencesFile* defaults,
                                 QObject* parent)
    : QObject(parent),
      defaults_(defaults ? *defaults : PreferencesFile::standard()),
      captureSession_(CaptureSession::create()),
      preferredDeviceIdOverride_(std::move(preferredDeviceId)),
      shouldObserveSharedDevicePreference_(observeSharedDevicePreference) {
    refreshCameraList();
    setupCameraNotifications();
    if (shouldObserveSharedDevicePreference_) {
        setupDeviceChangeObserver();
    }
}

CameraViewModel::~CameraViewModel() {
    releaseCaptureSessionResources();
    cameraConnectedObserver_.reset();
    cameraDisconnectedObserver_.reset();
    userDefaultsChangeObserver_.reset();
}

QString CameraViewModel::lastDeviceId() const {
    return Preferences(defaults_).deviceId();
}

QString CameraViewModel::preferredDeviceId() const {
    if (preferredDeviceIdOverride_ && !preferredDeviceIdOverride_->isEmpty()) {
        return *preferredDeviceIdOverride_;
    }
    return lastDeviceId();
}

QString CameraViewModel::getDeviceId() const {
    const QString preferred = preferredDeviceId();
    return preferred.isEmpty() ? Utils::getFirstAvailableCameraId() : preferred;
}

void CameraViewModel::queue(double delay, std::function<void()> work) {
    std::erase_if(queuedWork_, [](const TaskHandle& h) { return !h.isPending(); });
    QPointer<CameraViewModel> self(this);
    queuedWork_.push_back(Scheduler::main().schedule(delay, [self, work = std::move(work)] {
        if (self) {
            work();
        }
    }));
}

// --- permission ---

void CameraViewModel::checkCameraAccess() {
    refreshCameraList();
    CaptureService& service = CaptureService::shared();
    switch (service.authorizationStatus()) {
        case CameraAuthorization::authorized:
            setGranted(true);
            break;
        case CameraAuthorization::notDetermined: {
            QPointer<CameraViewModel> self(this);
            // The answer may come on any thread: hand it to the main thread.
            service.requestAccess([self](bool granted) {
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [self, granted] {
                        if (!self) {
                            return;
                        }
                        self->setGranted(granted);
                        if (granted) {
                            self->startCamera();
                        }
                    },
                    Qt::QueuedConnection);
            });
            break;
        }
        case CameraAuthorization::denied:
        case CameraAuthorization::restricted:
            setGranted(false);
            break;
    }
}

// --- starting and stopping ---

void CameraViewModel::startCamera() {
    pendingStartRetryWorkItem_.cancel();
    setFailureMessage(std::nullopt);
    setStartingCamera(true);
    startCameraAttempt(1);
}

void CameraViewModel::startCameraAttempt(int attempt) {
    qCDebug(lcCore, "Camera: starting attempt %ld", static_cast<long>(attempt));
    checkCameraAccess();
    if (!isGranted_) {
        qCCritical(lcCore, "Camera: access not granted");
        setSessionRunning(false);
        setStartingCamera(false);
        return;
    }
    if (isRunning_ || captureSession_->isStarting()) {
        releaseCaptureSessionResources();
        replaceCaptureSession();
        isRunning_ = false;
    }
    const QString id = getDeviceId();
    if (id.isEmpty() || !contains(Utils::getAvailableCameras(), id)) {
        setCameraBusy(false);
        handleStartFailure(kUnavailable, attempt);
        qCCritical(lcCore, "Camera: could not find device with id %s", qUtf8Printable(id));
        return;
    }
    const QString name = deviceName(id);
    QString error;
    auto input = CaptureService::shared().makeInput(id, &error);
    if (!input) {
        setCameraBusy(false);
        handleStartFailure(kCouldNotStart, attempt);
        qCCritical(lcCore, "Camera: AVCaptureSession setup failed for device %s: %s",
                   qUtf8Printable(name), qUtf8Printable(error));
        return;
    }
    auto session = CaptureSession::create();
    session->beginConfiguration();
    if (!session->canAddInput(input)) {
        session->commitConfiguration();
        handleStartFailure(kCouldNotStart, attempt);
        qCCritical(lcCore, "Camera: cannot add input for device %s", qUtf8Printable(name));
        return;
    }
    session->addInput(input);
    session->commitConfiguration();
    captureSession_ = std::move(session);
    Q_EMIT captureSessionChanged();
    Q_EMIT changed();
    // The outcome comes later (at once for a pipeline that knows it at once).
    CaptureSession* const awaited = captureSession_.get();
    awaitedSession_ = awaited;
    connect(awaited, &CaptureSession::startFinished, this, [this, awaited, attempt, name](bool ok) {
        if (awaitedSession_ == awaited && captureSession_.get() == awaited) {
            awaitedSession_ = nullptr;
            finishStartAttempt(attempt, ok, name);
        }
    });
    startCaptureSession();
}

void CameraViewModel::finishStartAttempt(int attempt, bool ok, const QString& name) {
    if (ok) {
        isRunning_ = true;
        setSessionRunning(true);
        setStartingCamera(false);
        setCameraBusy(false);
        setFailureMessage(std::nullopt);
        startSessionHealthMonitoring();
        return;
    }
    const QString why = captureSession_->lastError();
    const bool busy = captureSession_->lastErrorIsBusy();
    setCameraBusy(busy);
    handleStartFailure(busy ? kInUse : kCouldNotStart, attempt);
    qCCritical(lcCore, "Camera: session did not start for device %s", qUtf8Printable(name));
    if (!why.isEmpty()) {
        qCInfo(lcCapture).noquote() << "Capture session for" << name << "did not start:" << why;
    }
}

void CameraViewModel::handleStartFailure(const QString& message, int attempt) {
    releaseCaptureSessionResources();
    replaceCaptureSession();
    isRunning_ = false;
    setSessionRunning(false);
    if (attempt >= 1 && attempt <= static_cast<int>(startRetryDelays.size())) {
        const double delay = startRetryDelays[static_cast<std::size_t>(attempt - 1)];
        qCCritical(lcCore, "Camera: start attempt %ld failed, retrying in %f seconds",
                   static_cast<long>(attempt), delay);
        QPointer<CameraViewModel> self(this);
        pendingStartRetryWorkItem_ = Scheduler::main().schedule(delay, [self, attempt] {
            if (!self) {
                return;
            }
            self->pendingStartRetryWorkItem_ = TaskHandle();
            if (self->isStartingCamera_) {
                self->startCameraAttempt(attempt + 1);
            }
        });
        return;
    }
    setFailureMessage(message);
    if (isCameraBusy_) {
        // Another app holds the camera: try again until it lets go.
        qCInfo(lcCore, "Camera: in use by another app, trying again in %f seconds",
               busyRetryInterval);
        QPointer<CameraViewModel> self(this);
        pendingStartRetryWorkItem_ = Scheduler::main().schedule(busyRetryInterval, [self] {
            if (self && self->isStartingCamera_) {
                self->pendingStartRetryWorkItem_ = TaskHandle();
                self->startCameraAttempt(static_cast<int>(startRetryDelays.size()) + 1);
            }
        });
        return;
    }
    setStartingCamera(false);
}

void CameraViewModel::startCaptureSession() {
    if (!captureSession_->isRunning()) {
        captureSession_->startRunning();
    }
}

void CameraViewModel::stopCaptureSession() {
    if (captureSession_->isRunning() || captureSession_->hasInputs()) {
        // A session whose camera stalled no longer counts as running but
        // still holds its pipeline: stop that too.
        captureSession_->stopRunning();
    }
    setSessionRunning(false);
}

void CameraViewModel::releaseCaptureSessionResources() {
    pendingStartRetryWorkItem_.cancel();
    awaitedSession_ = nullptr;
    stopCaptureSession();
    sessionHealthTimer_.cancel();
    teardownCaptureSession(*captureSession_);
}

void CameraViewModel::teardownCaptureSession(CaptureSession& session) {
    if (!session.hasInputs() && !session.hasOutputs()) {
        return;
    }
    session.beginConfiguration();
    session.removeInput();
    session.commitConfiguration();
}

void CameraViewModel::stopCamera() {
    pendingStartRetryWorkItem_.cancel();
    releaseCaptureSessionResources();
    replaceCaptureSession();
    isRunning_ = false;
    setStartingCamera(false);
    setCameraBusy(false);
    setFailureMessage(std::nullopt);
}

void CameraViewModel::replaceCaptureSession() {
    captureSession_ = CaptureSession::create();
    Q_EMIT captureSessionChanged();
    Q_EMIT changed();
}

// --- device choice ---

void CameraViewModel::updatePreferredDeviceId(const QString& id) {
    const QString trimmed = id.trimmed();
    if (preferredDeviceIdOverride_ && *preferredDeviceIdOverride_ == trimmed) {
        return;
    }
    preferredDeviceIdOverride_ = trimmed;
    handleDeviceIdChange();
}

void CameraViewModel::handleDeviceIdChange() {
    const QString id = getDeviceId();
    if (!isRunning_) {
        return;
    }
    if (!captureSession_->hasInputs()) {
        qCDebug(lcCore, "Camera: running but no inputs, restarting");
        stopCamera();
        startCamera();
        return;
    }
    if (captureSession_->input()->deviceId() != id) {
        qCDebug(lcCore, "Camera: device changed, restarting session");
        stopCamera();
        startCamera();
    }
}

std::optional<QString> CameraViewModel::activeDeviceId() const {
    if (const auto& input = captureSession_->input()) {
        return input->deviceId();
    }
    return std::nullopt;
}

QString CameraViewModel::deviceName(const QString& id) const {
    for (const auto& d : Utils::getAvailableCameras()) {
        if (d.id == id) {
            return d.name;
        }
    }
    return id;
}

void CameraViewModel::refreshCameraList() {
    auto cameras = Utils::getAvailableCameras();
    if (cameras != availableCameras_) {
        availableCameras_ = std::move(cameras);
        Q_EMIT availableCamerasChanged();
        Q_EMIT changed();
    }
    if (!isRunning_) {
        return;
    }
    const auto active = activeDeviceId();
    const QString preferred = preferredDeviceId();
    if (contains(availableCameras_, preferred) && active && *active != preferred) {
        qCDebug(lcCore, "Camera: preferred device is available again, switching back");
        if (isRunning_) {
            stopCamera();
            startCamera();
        }
    }
}

void CameraViewModel::setupCameraNotifications() {
    EventBus& center = EventBus::shared();
    cameraConnectedObserver_ =
        center.addObserver(Notifications::cameraConnected, [this](const Notification&) {
            queue(0, [this] {
                refreshCameraList();
                if (!isRunning_) {
                    return;
                }
                const auto active = activeDeviceId();
                const QString preferred = preferredDeviceId();
                if (active && *active != preferred && contains(availableCameras_, preferred)) {
                    qCDebug(lcCore,
                            "Camera: device connected matches preferred device, switching back");
                    if (isRunning_) {
                        stopCamera();
                        startCamera();
                    }
                }
            });
        });
    cameraDisconnectedObserver_ = center.addObserver(
        Notifications::cameraDisconnected,
        [this](const Notification&) { queue(0, [this] { refreshCameraList(); }); });
}

void CameraViewModel::setupDeviceChangeObserver() {
    userDefaultsChangeObserver_ =
        EventBus::shared().addObserver(Notifications::defaultsChanged, [this](const Notification&) {
            queue(deviceChangeDelay, [this] { handleDeviceIdChange(); });
        });
}

// --- health ---

void CameraViewModel::startSessionHealthMonitoring() {
    sessionHealthTimer_.cancel();
    QPointer<CameraViewModel> self(this);
    sessionHealthTimer_ = Scheduler::main().scheduleRepeating(healthCheckInterval, [self] {
        if (self) {
            self->queue(0, [s = self.data()] { s->performHealthCheck(); });
        }
    });
}

void CameraViewModel::performHealthCheck() {
    // A session that is changing its camera's mode is judged once it ran again.
    if (!isRunning_ || captureSession_->isStarting()) {
        return;
    }
    if (!captureSession_->isRunning()) {
        qCCritical(lcCore, "Camera: session stopped unexpectedly, attempting restart");
        if (isRunning_) {
            stopCamera();
            startCamera();
        }
        return;
    }
    const auto active = activeDeviceId();
    if (!active) {
        return;
    }
    if (!contains(Utils::getAvailableCameras(), *active)) {
        qCCritical(lcCore,
                   "Camera: active device is no longer available, restarting preferred session");
        if (isRunning_) {
            stopCamera();
            startCamera();
        }
    }
    // V4L2 has no continuity cameras: a camera that goes away leaves the list
    // and is caught above.
}

// --- observable setters ---

void CameraViewModel::setGranted(bool value) {
    if (isGranted_ != value) {
        isGranted_ = value;
        Q_EMIT isGrantedChanged(value);
        Q_EMIT changed();
    }
}

void CameraViewModel::setSessionRunning(bool value) {
    if (isSessionRunning_ != value) {
        isSessionRunning_ = value;
        Q_EMIT isSessionRunningChanged(value);
        Q_EMIT changed();
    }
}

void CameraViewModel::setStartingCamera(bool value) {
    if (isStartingCamera_ != value) {
        isStartingCamera_ = value;
        Q_EMIT isStartingCameraChanged(value);
        Q_EMIT changed();
    }
}

void CameraViewModel::setCameraBusy(bool value) {
    if (isCameraBusy_ != value) {
        isCameraBusy_ = value;
        Q_EMIT isCameraBusyChanged(value);
        Q_EMIT changed();
    }
}

void CameraViewModel::setFailureMessage(std::optional<QString> value) {
    if (captureFailureMessage_ != value) {
        captureFailureMessage_ = std::move(value);
        Q_EMIT captureFailureMessageChanged();
        Q_EMIT changed();
    }
}

}  // namespace mirelon
