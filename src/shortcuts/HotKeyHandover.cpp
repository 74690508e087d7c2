// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/HotKeyHandover.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcHandover, "app.mirelon.Mirelon.shortcuts", QtInfoMsg)

namespace mirelon::GlobalShortcuts {

HotKeyHandover::HotKeyHandover(std::shared_ptr<HotKeyBackend> first, bool awaitingSuccessor)
    : first_(std::move(first)), current_(first_), awaiting_(awaitingSuccessor) {
    listenTo(first_);
}

void HotKeyHandover::listenTo(const std::shared_ptr<HotKeyBackend>& backend) {
    const HotKeyBackend* from = backend.get();
    Sink forward = Sink::passingPressesTo(sink_);
    forward.mappingChanged = [this, from] {
        // A service that no longer serves holds nothing to grab again.
        if (from == current_.get()) {
            regrab();
        }
    };
    forward.triggersChanged = [this, from] { triggersChanged(from); };
    backend->setSink(std::move(forward));
}

void HotKeyHandover::setSink(Sink sink) {
    sink_ = std::move(sink);
}

void HotKeyHandover::regrab() {
    if (sink_.mappingChanged) {
        sink_.mappingChanged();
    }
}

void HotKeyHandover::serveWith(std::shared_ptr<HotKeyBackend> next) {
    if (std::find(retired_.begin(), retired_.end(), current_) == retired_.end()) {
        retired_.push_back(current_);
    }
    current_ = std::move(next);
    listenTo(current_);
    regrab();
    if (sink_.triggersChanged) {
        sink_.triggersChanged();
    }
}

void HotKeyHandover::offer(std::shared_ptr<HotKeyBackend> candidate) {
    candidate_ = std::move(candidate);
    listenTo(candidate_);
}

void HotKeyHandover::endWait() {
    if (!awaiting_) {
        return;
    }
    awaiting_ = false;
    const bool kept = std::any_of(holders_.begin(), holders_.end(),
                                  [](const auto& entry) { return entry.second == nullptr; });
    if (kept) {
        regrab();
    }
}

void HotKeyHandover::triggersChanged(const HotKeyBackend* from) {
    if (candidate_ && from == candidate_.get()) {
        // Kept alive: this may be the candidate's own call.
        std::shared_ptr<HotKeyBackend> candidate = std::move(candidate_);
        if (candidate->kind() == Kind::Unavailable) {
            qCInfo(lcHandover) << "The shortcut service found later has nothing to offer: the "
                                  "first one keeps serving";
            retired_.push_back(std::move(candidate));
            endWait();
            return;
        }
        qCInfo(lcHandover) << "The shortcut service found later serves: it takes every hot key";
        awaiting_ = false;
        serveWith(std::move(candidate));
        return;
    }
    if (from != current_.get()) {
        return;
    }
    if (current_ != first_ && current_->kind() == Kind::Unavailable &&
        first_->kind() != Kind::Unavailable) {
        qCInfo(lcHandover) << "The shortcut service that took over has nothing to offer: the "
                              "hot keys go back to the one that served first";
        serveWith(first_);
        return;
    }
    if (sink_.triggersChanged) {
        sink_.triggersChanged();
    }
}

int HotKeyHandover::registerHotKey(std::uint32_t id, std::uint32_t keyCode,
                                   std::uint32_t carbonModifiers) {
    const int status = current_->registerHotKey(id, keyCode, carbonModifiers);
    if (status == 0) {
        holders_[id] = current_.get();
        return 0;
    }
    if (awaiting_ && current_->kind() == Kind::Unavailable) {
        holders_[id] = nullptr;
        return 0;
    }
    return status;
}

void HotKeyHandover::unregisterHotKey(std::uint32_t id) {
    const auto it = holders_.find(id);
    if (it == holders_.end()) {
        return;
    }
    if (it->second) {
        it->second->unregisterHotKey(id);
    }
    holders_.erase(it);
}

bool HotKeyHandover::isHeldByAnotherClient(std::uint32_t keyCode, std::uint32_t carbonModifiers) {
    return current_->isHeldByAnotherClient(keyCode, carbonModifiers);
}

std::optional<QString> HotKeyHandover::keyText(std::int64_t keyCode) const {
    return current_->keyText(keyCode);
}

HotKeyBackend::Kind HotKeyHandover::kind() const {
    return current_->kind();
}

std::optional<QString> HotKeyHandover::boundTrigger(const QString& name) const {
    return current_->boundTrigger(name);
}

}  // namespace mirelon::GlobalShortcuts
