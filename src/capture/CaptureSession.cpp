// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureSession.h"

#include <QMetaObject>
#include <QPointer>

namespace mirelon {

CaptureSession::CaptureSession() {
    // Runs on the streaming thread: queue exactly one call on the main thread.
    // A session destroyed before the call runs takes the queued call with it;
    // it stops its pipeline first, so nothing posts after that.
    mailbox_.setWakeUp([this] {
        QMetaObject::invokeMethod(
            this, [this] { deliverPendingFrame(); }, Qt::QueuedConnection);
    });
}

CaptureSession::~CaptureSession() {
    if (pipeline_) {
        pipeline_->stop();
        pipeline_.reset();
    }
}

void CaptureSession::beginConfiguration() {
    ++configurationDepth_;
}

void CaptureSession::commitConfiguration() {
    if (configurationDepth_ > 0 && --configurationDepth_ == 0 && restartOnCommit_) {
        restartOnCommit_ = false;
        startRunning();
    }
}

bool CaptureSession::canAddInput(const std::shared_ptr<CaptureDeviceInput>& input) const {
    return input && !input_;
}

bool CaptureSession::addInput(std::shared_ptr<CaptureDeviceInput> input) {
    if (!canAddInput(input)) {
        return false;
    }
    input_ = std::move(input);
    return true;
}

void CaptureSession::removeInput() {
    if (!input_) {
        return;
    }
    const bool wasRunning = pipeline_ != nullptr;
    stopRunning();
    input_.reset();
    // A running session whose input goes away stays idle; one that gets a new
    // input inside the same configuration starts on it at commit.
    restartOnCommit_ = wasRunning && configurationDepth_ > 0;
}

void CaptureSession::startRunning() {
    if (starting_ || (pipeline_ && pipeline_->isRunning())) {
        return;
    }
    if (configurationDepth_ > 0) {
        restartOnCommit_ = true;
        return;
    }
    dropPipeline();
    if (!input_) {
        lastError_ = QStringLiteral("The session has no input");
        return;
    }
    input_->adaptTo(wantedSize());
    beginStart();
}

void CaptureSession::beginStart() {
    mailbox_.reset();
    pipeline_ = input_->makePipeline(mailbox_);
    if (!pipeline_) {
        finishStart(false, QStringLiteral("The camera could not be opened"), false);
        return;
    }
    starting_ = true;
    // Runs on the pipeline's threads until it stops: queue a look on the
    // main thread (dropped with the session).
    pipeline_->start([this] {
        QMetaObject::invokeMethod(
            this, [this] { checkStart(); }, Qt::QueuedConnection);
    });
    const double timeout = pipeline_->startTimeoutSeconds();
    QPointer<CaptureSession> self(this);
    startDeadline_ = Scheduler::main().schedule(timeout, [self, timeout] {
        if (self && self->starting_) {
            self->finishStart(false, QStringLiteral("no frame arrived within %1 s").arg(timeout),
                              false);
        }
    });
    // A pipeline may know its outcome at once (one that could not be built).
    checkStart();
}

void CaptureSession::checkStart() {
    if (!starting_ || !pipeline_) {
        return;
    }
    QString error;
    switch (pipeline_->startProgress(&error)) {
        case CapturePipeline::StartProgress::pending:
            return;
        case CapturePipeline::StartProgress::started:
            finishStart(true, {}, false);
            return;
        case CapturePipeline::StartProgress::failed:
            finishStart(false, error, pipeline_->failedBecauseBusy());
            return;
    }
}

void CaptureSession::finishStart(bool ok, const QString& error, bool busy) {
    starting_ = false;
    startDeadline_.cancel();
    // A slot may drop the last owner (a model restarting its camera).
    const auto keepAlive = weak_from_this().lock();
    if (ok) {
        lastError_.clear();
        lastErrorIsBusy_ = false;
        Q_EMIT runningChanged(true);
    } else {
        lastError_ = error;
        lastErrorIsBusy_ = busy;
        dropPipeline();
    }
    Q_EMIT startFinished(ok);
}

void CaptureSession::dropPipeline() {
    starting_ = false;
    startDeadline_.cancel();
    if (pipeline_) {
        pipeline_->stop();
        pipeline_.reset();
    }
    // A frame that arrived before the stop is dropped with its wake-up's work.
    mailbox_.take();
}

void CaptureSession::stopRunning() {
    restartOnCommit_ = false;
    if (!pipeline_) {
        return;
    }
    const bool wasStarted = !starting_;
    dropPipeline();
    if (wasStarted) {
        Q_EMIT runningChanged(false);
    }
}

bool CaptureSession::isRunning() const {
    return pipeline_ && !starting_ && pipeline_->isRunning();
}

void CaptureSession::setWantedSize(const void* viewer, QSize size, QRectF region) {
    if (size.isEmpty()) {
        wanted_.erase(viewer);
    } else {
        wanted_[viewer] = Need{size, region};
    }
    const QSize largest = wantedSize();
    mailbox_.setWantedSize(largest);
    mailbox_.setWantedRegion(wantedRegion());
    if (input_ && input_->adaptTo(largest) && pipeline_ && configurationDepth_ == 0) {
        // Another mode: the same session goes on with a new pipeline; a
        // failed start is told like any other.
        dropPipeline();
        beginStart();
    }
}

QSize CaptureSession::wantedSize() const {
    QSize largest;
    for (const auto& [viewer, need] : wanted_) {
        largest = largest.expandedTo(need.size);
    }
    return largest;
}

QRectF CaptureSession::wantedRegion() const {
    // Everything as soon as one viewer shows everything (or does not say).
    QRectF all;
    for (const auto& [viewer, need] : wanted_) {
        if (need.region.isEmpty()) {
            return {};
        }
        all = all.united(need.region);
    }
    return all;
}

bool CaptureSession::deliverPendingFrame() {
    VideoFrame frame = mailbox_.take();
    if (frame.isNull()) {
        return false;
    }
    // A slot may drop the last owner (a model restarting its camera).
    const auto keepAlive = weak_from_this().lock();
    // The first frame of a start is what makes it a success.
    checkStart();
    latestFrame_ = std::move(frame);
    ++delivered_;
    Q_EMIT frameArrived(latestFrame_);
    return true;
}

}  // namespace mirelon
