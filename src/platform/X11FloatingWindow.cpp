#include "platform/X11FloatingWindow.h"

#include <QWidget>
#include <QWindow>

namespace mirelon::FloatingWindow {

void prepare(QWidget* window, const QString& identifier) {
    window->setObjectName(identifier);
    window->setWindowRole(identifier);
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_NoSystemBackground);
    window->setAttribute(Qt::WA_X11DoNotAcceptFocus);
    window->setFocusPolicy(Qt::NoFocus);
}

void setIgnoresMouseEvents(QWidget* window, bool ignores) {
    if (QWindow* handle = window->windowHandle()) {
        handle->setFlag(Qt::WindowTransparentForInput, ignores);
    } else {
        // Not created yet: the widget's flags are carried into the window it makes.
        window->setWindowFlag(Qt::WindowTransparentForInput, ignores);
    }
}

bool ignoresMouseEvents(const QWidget* window) {
    if (const QWindow* handle = window->windowHandle()) {
        return handle->flags().testFlag(Qt::WindowTransparentForInput);
    }
    return window->windowFlags().testFlag(Qt::WindowTransparentForInput);
}

}  // namespace mirelon::FloatingWindow
