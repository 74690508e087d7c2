// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PlatformLoader.h"

#include "capture/CameraDirectory.h"
#include "capture/CaptureService.h"
#include "platform/CameraPortal.h"
#include "platform/CompositorWatch.h"
#include "platform/FloatingWindow.h"
#include "platform/MoveMode.h"
#include "platform/PointerWatch.h"
#include "platform/TrayHost.h"
#include "platform/WindowStacking.h"
#include "platform/gstreamer/GstCaptureService.h"
#include "platform/portal/PortalServices.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandFloatingWindow.h"
#include "platform/x11/X11CompositorWatch.h"
#include "platform/x11/X11FloatingWindow.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11PointerWatch.h"
#include "platform/x11/X11WindowStacking.h"
#include "platform/xkb/XkbKeyTextService.h"
#include "shortcuts/GlobalShortcuts.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPortal)

namespace mirelon::PlatformLoader {

namespace {

bool isNative() {
    return DisplaySession::mode() == DisplayMode::WaylandNative;
}

void applyTraits(DisplayMode mode) {
    DisplaySession::setMode(mode);
    const bool native = mode == DisplayMode::WaylandNative;
    // Where no program sees the pointer or the keys of others, panels move in move mode.
    MoveMode::setOfferedInSession(native);
    // The status-notifier host shows the menu handed to it; a menu popped up
    // by the program would be an ordinary (tiled) window there.
    TrayHost::setMenusShownByHost(native);
    GlobalShortcuts::setSessionDelivery(native ? GlobalShortcuts::Delivery::None
                                        : mode == DisplayMode::XWayland
                                            ? GlobalShortcuts::Delivery::FocusedGrabs
                                            : GlobalShortcuts::Delivery::Grabs);
    if (native) {
        FloatingWindow::setPresenter(std::make_unique<WaylandFloatingWindow>());
    } else {
        FloatingWindow::setPresenter(std::make_unique<X11FloatingWindow>());
    }
}

PointerWatch* makePointerWatch() {
    if (isNative()) {
        // Only the program's own surfaces report the pointer; move mode
        // stands for the command key.
        auto* fed = new FedPointerWatch();
        QObject::connect(&MoveMode::shared(), &MoveMode::activeChanged, fed,
                         &FedPointerWatch::feedCommandKey);
        return fed;
    }
    return X11PointerWatch::create().release();  // none: the loader's poll
}

std::shared_ptr<GlobalShortcuts::HotKeyBackend> makeHotKeyService(
    GlobalShortcuts::NamedBindingSource bindings) {
    if (isNative() && QGuiApplication::instance()) {
        QString whyNot;
        if (auto portal = connectPortalHotKeys(std::move(bindings), &whyNot)) {
            return portal;
        }
        qCWarning(lcPortal).noquote()
            << "No GlobalShortcuts portal (" + whyNot +
                   "): no global shortcuts in this session; bind \"mirelon --action NAME\" in "
                   "the desktop's keyboard settings instead";
        return std::make_shared<XkbKeyTextService>();
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto x11 = X11HotKeyService::connect()) {
            return x11;
        }
        qWarning("Global hot keys: cannot open a connection to the X server");
    } else if (!QGuiApplication::instance()) {
        qWarning("Global hot keys: used before the application object exists; none will work");
    }
    return std::make_shared<XkbKeyTextService>();
}

}  // namespace

DisplayMode detectDisplay() {
    const QByteArray forced = qgetenv("MIRELON_DISPLAY_BACKEND").trimmed().toLower();
    const bool waylandSession = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    DisplayMode mode = DisplayMode::X11;
    if (forced == "x11") {
        mode = waylandSession ? DisplayMode::XWayland : DisplayMode::X11;
    } else if (waylandSession) {
        // A short-lived connection reads the compositor's registry once.
        const bool native = forced == "wayland" || WaylandDisplay::offersLayerShell();
        mode = native ? DisplayMode::WaylandNative : DisplayMode::XWayland;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", mode == DisplayMode::WaylandNative ? "wayland" : "xcb");
    }
    applyTraits(mode);
    return mode;
}

void installBackends() {
    PointerWatch::setFactory(makePointerWatch);
    // The X11 services report compositing and keep no stack without an X server.
    CompositorWatch::setFactory([]() -> CompositorWatch* { return new X11CompositorWatch(); });
    WindowStacking::setFactory([]() -> WindowStacking* { return new X11WindowStacking(); });
    GlobalShortcuts::setBackendFactory(makeHotKeyService);
    CameraDirectory::setFactory(makeGstCameraDirectory);
    CaptureService::setFactory(makeGstCaptureService);
    CameraPortal::setFactory(makePortalCamera);
}

void setModeForTesting(DisplayMode mode) {
    applyTraits(mode);
}

}  // namespace mirelon::PlatformLoader
