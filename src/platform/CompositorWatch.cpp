// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CompositorWatch.h"

namespace mirelon {

namespace {
std::function<CompositorWatch*()>& factory() {
    static std::function<CompositorWatch*()> f;
    return f;
}
}  // namespace

CompositorWatch& CompositorWatch::shared() {
    // Lives for the process.
    static CompositorWatch* watch = factory() ? factory()() : new CompositorWatch();
    return *watch;
}

void CompositorWatch::setFactory(std::function<CompositorWatch*()> make) {
    factory() = std::move(make);
}

void CompositorWatch::setCompositing(bool compositing) {
    if (compositing != compositing_) {
        compositing_ = compositing;
        Q_EMIT compositingChanged(compositing);
    }
}

}  // namespace mirelon
