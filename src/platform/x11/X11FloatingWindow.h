// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FloatingWindow.h"

namespace mirelon {

// Floating windows on an X server (X11 sessions and XWayland): Qt's window
// flags do most of it; compositors are asked to keep blending them.
class X11FloatingWindow final : public FloatingWindow::Presenter {
public:
    void keepComposited(QWidget* window) override;
};

}  // namespace mirelon
