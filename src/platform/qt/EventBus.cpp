// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/EventBus.h"

#include <algorithm>

namespace mirelon {

ObserverToken::ObserverToken(ObserverToken&& other) noexcept
    : center_(std::move(other.center_)), id_(other.id_) {
    other.id_ = 0;
}

ObserverToken& ObserverToken::operator=(ObserverToken&& other) noexcept {
    if (this != &other) {
        reset();
        center_ = std::move(other.center_);
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

ObserverToken::~ObserverToken() {
    reset();
}

void ObserverToken::reset() {
    if (id_ != 0) {
        if (auto center = center_.lock()) {
            (*center)->remove(id_);
        }
        id_ = 0;
    }
    center_.reset();
}

EventBus::EventBus() : self_(std::make_shared<EventBus*>(this)) {}

EventBus::~EventBus() = default;

EventBus& EventBus::shared() {
    static EventBus center;
    return center;
}

ObserverToken EventBus::addObserver(const QString& name, Handler handler) {
    const std::uint64_t id = nextId_++;
    entries_.push_back(Entry{id, name, std::make_shared<Handler>(std::move(handler))});
    return ObserverToken(self_, id);
}

void EventBus::post(const QString& name, const QVariant& object) {
    // Snapshot the matching observers; one removed during the post is skipped.
    std::vector<std::pair<std::uint64_t, std::shared_ptr<Handler>>> targets;
    for (const auto& e : entries_) {
        if (e.name == name) {
            targets.emplace_back(e.id, e.handler);
        }
    }
    const Notification note{name, object};
    for (const auto& [id, handler] : targets) {
        const bool stillRegistered = std::any_of(entries_.begin(), entries_.end(),
                                                 [id = id](const Entry& e) { return e.id == id; });
        if (stillRegistered) {
            (*handler)(note);
        }
    }
}

std::size_t EventBus::observerCount(const QString& name) const {
    return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(),
                                                  [&](const Entry& e) { return e.name == name; }));
}

void EventBus::remove(std::uint64_t id) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [id](const Entry& e) { return e.id == id; }),
                   entries_.end());
}

}  // namespace mirelon
