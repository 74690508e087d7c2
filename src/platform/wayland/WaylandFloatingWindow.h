// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FloatingWindow.h"

namespace mirelon {

// Floating windows of a native Wayland session: Qt never shows them (it would
// make ordinary application windows of them); the overlay layer presents them
// as layer surfaces and decides where they take the pointer.
class WaylandFloatingWindow final : public FloatingWindow::Presenter {
public:
    void prepare(QWidget* window, FloatingWindow::Role role) override;
    void setAcceptsPointer(QWidget* window, bool accepts) override;
    bool canFollowPointer() const override { return false; }
};

}  // namespace mirelon
