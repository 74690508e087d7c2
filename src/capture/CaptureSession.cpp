// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureSession.h"

#include <QMetaObject>

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
    if (pipeline_ && pipeline_->isRunning()) {
        return;
    }
    if (configurationDepth_ > 0) {
        restartOnCommit_ = true;
        return;
    }
    if (pipeline_) {
        pipeline_->stop();
        pipeline_.reset();
    }
    if (!input_) {
        lastError_ = QStringLiteral("The session has no input");
        return;
    }
    mailbox_.reset();
    input_->adaptTo(wantedSize());
    auto pipeline = input_->makePipeline(mailbox_);
    QString error;
    if (!pipeline || !pipeline->start(&error)) {
        lastError_ = pipeline ? error : QStringLiteral("The camera could not be opened");
        lastErrorIsBusy_ = pipeline && pipeline->failedBecauseBusy();
        return;
    }
    lastError_.clear();
    lastErrorIsBusy_ = false;
    pipeline_ = std::move(pipeline);
    Q_EMIT runningChanged(true);
}

void CaptureSession::stopRunning() {
    restartOnCommit_ = false;
    if (!pipeline_) {
        return;
    }
    pipeline_->stop();
    pipeline_.reset();
    // A frame that arrived before the stop is dropped with its wake-up's work.
    mailbox_.take();
    Q_EMIT runningChanged(false);
}

bool CaptureSession::isRunning() const {
    return pipeline_ && pipeline_->isRunning();
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
        // Another mode: the same session goes on with a new pipeline.
        pipeline_->stop();
        pipeline_.reset();
        mailbox_.take();
        mailbox_.reset();
        auto pipeline = input_->makePipeline(mailbox_);
        QString error;
        if (pipeline && pipeline->start(&error)) {
            pipeline_ = std::move(pipeline);
        } else {
            lastError_ = pipeline ? error : QStringLiteral("The camera could not be opened");
            Q_EMIT runningChanged(false);
        }
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
    latestFrame_ = std::move(frame);
    ++delivered_;
    Q_EMIT frameArrived(latestFrame_);
    return true;
}

}  // namespace mirelon
