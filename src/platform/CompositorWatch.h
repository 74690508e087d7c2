// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

namespace mirelon {

// Whether a compositing manager blends the program's translucent windows. The
// base reports compositing for good (Wayland compositors always composite);
// the X11 watch follows the compositing manager's selection live.
class CompositorWatch : public QObject {
    Q_OBJECT
public:
    // The session's watch, made on first use by the factory the platform
    // loader installed (or the base without one).
    static CompositorWatch& shared();
    static void setFactory(std::function<CompositorWatch*()> factory);

    CompositorWatch() = default;
    bool isCompositing() const { return compositing_; }

Q_SIGNALS:
    void compositingChanged(bool compositing);

protected:
    void setCompositing(bool compositing);

private:
    bool compositing_ = true;
};

}  // namespace mirelon
