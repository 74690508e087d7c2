// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MoveModeEscape.h"

#include "platform/MoveMode.h"
#include "platform/qt/Logging.h"
#include "shortcuts/Key.h"

namespace mirelon {

namespace {
constexpr std::uint32_t escapeId = 1;
}

MoveModeEscape::MoveModeEscape(MoveMode& mode, ServiceFactory makeService, QObject* parent)
    : QObject(parent), mode_(mode), makeService_(std::move(makeService)) {
    connect(&mode_, &MoveMode::activeChanged, this, &MoveModeEscape::modeChanged);
    if (mode_.isActive()) {
        grab();
    }
}

MoveModeEscape::~MoveModeEscape() {
    release();
    if (service_) {
        service_->setSink({});
    }
}

void MoveModeEscape::modeChanged(bool active) {
    if (active) {
        grab();
    } else {
        release();
    }
}

void MoveModeEscape::grab() {
    if (grabbed_) {
        return;
    }
    if (!service_) {
        service_ = makeService_ ? makeService_() : nullptr;
        if (!service_) {
            return;
        }
        service_->setSink({
            .pressed = [this](std::uint32_t) { mode_.setActive(false); },
            .released = {},
            .mappingChanged =
                [this] {
                    release();
                    if (mode_.isActive()) {
                        grab();
                    }
                },
            .triggersChanged = {},
        });
    }
    const int status = service_->registerHotKey(
        escapeId, static_cast<std::uint32_t>(GlobalShortcuts::Key::escape.rawValue), 0);
    grabbed_ = status == 0;
    if (!grabbed_) {
        qCInfo(lcCore) << "Escape cannot end move mode here: grabbing it failed with" << status;
    }
}

void MoveModeEscape::release() {
    if (grabbed_ && service_) {
        service_->unregisterHotKey(escapeId);
    }
    grabbed_ = false;
}

}  // namespace mirelon
