// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FloatingWindow.h"

#include <QWidget>
#include <QWindow>

namespace mirelon::FloatingWindow {

namespace {
std::unique_ptr<Presenter>& presenter() {
    static std::unique_ptr<Presenter> p = std::make_unique<Presenter>();
    return p;
}
}  // namespace

void setPresenter(std::unique_ptr<Presenter> installed) {
    presenter() = installed ? std::move(installed) : std::make_unique<Presenter>();
}

void prepare(QWidget* window, const QString& identifier, Role role) {
    window->setObjectName(identifier);
    window->setWindowRole(identifier);
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_NoSystemBackground);
    window->setAttribute(Qt::WA_X11DoNotAcceptFocus);
    window->setFocusPolicy(Qt::NoFocus);
    presenter()->prepare(window, role);
}

void setIgnoresMouseEvents(QWidget* window, bool ignores) {
    if (QWindow* handle = window->windowHandle()) {
        handle->setFlag(Qt::WindowTransparentForInput, ignores);
    } else {
        // Not created yet: the widget's flags are carried into the window it makes.
        window->setWindowFlag(Qt::WindowTransparentForInput, ignores);
    }
    presenter()->setAcceptsPointer(window, !ignores);
}

bool ignoresMouseEvents(const QWidget* window) {
    if (const QWindow* handle = window->windowHandle()) {
        return handle->flags().testFlag(Qt::WindowTransparentForInput);
    }
    return window->windowFlags().testFlag(Qt::WindowTransparentForInput);
}

bool canFollowPointer() {
    return presenter()->canFollowPointer();
}

bool overlaysBlockClicks() {
    return presenter()->overlaysBlockClicks();
}

void keepComposited(QWidget* window) {
    presenter()->keepComposited(window);
}

}  // namespace mirelon::FloatingWindow
