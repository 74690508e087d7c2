// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Stand-ins for the camera list and the capture service, driven by the tests.

#include "capture/CameraDirectory.h"
#include "capture/CaptureService.h"
#include "platform/qt/EventBus.h"

#include <QList>
#include <QMap>

#include <functional>
#include <memory>

namespace mirelon::testing {

class FakeCameraDirectory final : public CameraDirectory {
public:
    FakeCameraDirectory() { CameraDirectory::setShared(this); }
    ~FakeCameraDirectory() override { CameraDirectory::setShared(nullptr); }

    QList<AvailableCameraDevice> devices() const override { return devices_; }

    void plug(const QString& id, const QString& name) {
        devices_.append(AvailableCameraDevice{id, name, devices_.isEmpty()});
        EventBus::shared().post(Notifications::cameraConnected, id);
    }
    void unplug(const QString& id) {
        devices_.removeIf([&](const AvailableCameraDevice& d) { return d.id == id; });
        EventBus::shared().post(Notifications::cameraDisconnected, id);
    }

private:
    QList<AvailableCameraDevice> devices_;
};

// How a fake camera behaves; shared with its pipelines so a test can change
// it while the camera runs.
struct FakeCameraBehaviour {
    bool openFails = false;   // no device input
    bool startFails = false;  // the pipeline never runs
    bool busy = false;        // another app holds the camera: starts fail as busy
    bool running = true;      // a started pipeline counts as running
    // Starts stay pending until the test says how they went (firstFrame, or
    // startFails/busy) and calls announce().
    bool answerLater = false;
    bool firstFrame = false;
    std::function<void()> announce;  // of the pending pipeline, until it stops
    int pipelinesStarted = 0;
    int pipelinesStopped = 0;
    FrameMailbox* mailbox = nullptr;  // of the newest pipeline
};

class FakePipeline final : public CapturePipeline {
public:
    FakePipeline(std::shared_ptr<FakeCameraBehaviour> b, FrameMailbox& mailbox)
        : b_(std::move(b)), mailbox_(mailbox) {}
    ~FakePipeline() override { stop(); }
    void start(std::function<void()> changed) override {
        started_ = true;
        ++b_->pipelinesStarted;
        b_->mailbox = &mailbox_;
        if (b_->answerLater) {
            b_->announce = std::move(changed);
        }
    }
    StartProgress startProgress(QString* error) const override {
        if (b_->startFails || b_->busy) {
            *error = b_->busy ? QStringLiteral("Device /dev/video0 is busy")
                              : QStringLiteral("no frames");
            return StartProgress::failed;
        }
        // A stalled camera sends no first frame: its start ends by the deadline.
        const bool frame = b_->answerLater ? b_->firstFrame : b_->running;
        return frame ? StartProgress::started : StartProgress::pending;
    }
    double startTimeoutSeconds() const override { return 2.0; }
    void stop() override {
        if (started_) {
            started_ = false;
            ++b_->pipelinesStopped;
            if (b_->mailbox == &mailbox_) {
                b_->mailbox = nullptr;
                b_->announce = nullptr;
            }
        }
    }
    bool isRunning() const override { return started_ && b_->running; }
    bool failedBecauseBusy() const override { return b_->busy; }

private:
    std::shared_ptr<FakeCameraBehaviour> b_;
    FrameMailbox& mailbox_;
    bool started_ = false;
};

class FakeInput final : public CaptureDeviceInput {
public:
    FakeInput(QString id, QString name, std::shared_ptr<FakeCameraBehaviour> b)
        : CaptureDeviceInput(std::move(id), std::move(name)), b_(std::move(b)) {}
    std::unique_ptr<CapturePipeline> makePipeline(FrameMailbox& mailbox) override {
        return std::make_unique<FakePipeline>(b_, mailbox);
    }

private:
    std::shared_ptr<FakeCameraBehaviour> b_;
};

class FakeCaptureService final : public CaptureService {
public:
    explicit FakeCaptureService(const FakeCameraDirectory& directory) : directory_(directory) {
        CaptureService::setShared(this);
    }
    ~FakeCaptureService() override { CaptureService::setShared(nullptr); }

    CameraAuthorization status = CameraAuthorization::authorized;
    int questionsAsked = 0;
    std::function<void(bool)> pendingAnswer;

    CameraAuthorization authorizationStatus() override { return status; }
    void requestAccess(std::function<void(bool)> answer) override {
        ++questionsAsked;
        pendingAnswer = std::move(answer);
    }
    std::shared_ptr<CaptureDeviceInput> makeInput(const QString& id, QString* error) override {
        for (const auto& d : directory_.devices()) {
            if (d.id == id) {
                auto b = behaviour(id);
                if (b->openFails) {
                    *error = QStringLiteral("busy");
                    return nullptr;
                }
                return std::make_shared<FakeInput>(id, d.name, b);
            }
        }
        *error = QStringLiteral("gone");
        return nullptr;
    }

    std::shared_ptr<FakeCameraBehaviour> behaviour(const QString& id) {
        auto& b = behaviours_[id];
        if (!b) {
            b = std::make_shared<FakeCameraBehaviour>();
        }
        return b;
    }

private:
    const FakeCameraDirectory& directory_;
    QMap<QString, std::shared_ptr<FakeCameraBehaviour>> behaviours_;
};

}  // namespace mirelon::testing
