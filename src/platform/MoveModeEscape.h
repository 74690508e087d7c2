// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <QObject>

#include <functional>
#include <memory>

namespace mirelon {

class MoveMode;

// Escape ends move mode where no surface of the program gets the keyboard
// while the mode is on (XWayland under GNOME): Escape is a hot key of its own
// while the mode is on, through a hot-key service made on first use. A service
// that moves its grabs (mappingChanged: the Shell extension came or went) has
// Escape grabbed again.
class MoveModeEscape final : public QObject {
    Q_OBJECT
public:
    using ServiceFactory = std::function<std::shared_ptr<GlobalShortcuts::HotKeyBackend>()>;

    MoveModeEscape(MoveMode& mode, ServiceFactory makeService, QObject* parent = nullptr);
    ~MoveModeEscape() override;

    bool isGrabbed() const { return grabbed_; }

private:
    void modeChanged(bool active);
    void grab();
    void release();

    MoveMode& mode_;
    ServiceFactory makeService_;
    std::shared_ptr<GlobalShortcuts::HotKeyBackend> service_;
    bool grabbed_ = false;
};

}  // namespace mirelon
