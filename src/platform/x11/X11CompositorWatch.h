// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CompositorWatch.h"

#include <cstdint>
#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

namespace mirelon {

// Follows whether a compositing manager runs (someone owns
// _NET_WM_CM_S<screen>) through XFixes selection-owner events on an X
// connection of its own. Without an X server it reports compositing.
class X11CompositorWatch final : public CompositorWatch {
    Q_OBJECT
public:
    X11CompositorWatch();
    ~X11CompositorWatch() override;

private:
    void readEvents();
    void queryOwner();

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t selection_ = 0;
    std::uint8_t xfixesFirstEvent_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace mirelon
