// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PlatformLoader.h"

#include "capture/CameraDirectory.h"
#include "capture/CaptureService.h"
#include "platform/CameraPortal.h"
#include "platform/CompositorWatch.h"
#include "platform/FloatingWindow.h"
#include "platform/MoveMode.h"
#include "platform/MoveModeEscape.h"
#include "platform/PointerWatch.h"
#include "platform/TrayHost.h"
#include "platform/WindowStacking.h"
#include "platform/gnome/GnomeHotKeyService.h"
#include "platform/gnome/GnomeOverlayWindows.h"
#include "platform/gnome/GnomePointerWatch.h"
#include "platform/gnome/GnomeShellBridge.h"
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

QtMessageHandler previousMessageHandler = nullptr;

// Qt reports the buffer integration chosen below as one it failed to load,
// and lists the ones it has: both expected, so not passed on.
void dropBufferIntegrationNotice(QtMsgType type, const QMessageLogContext& context,
                                 const QString& text) {
    if (type == QtWarningMsg && context.category &&
        qstrcmp(context.category, "qt.qpa.wayland") == 0 &&
        (text.startsWith(QLatin1String("Failed to load client buffer integration")) ||
         text.startsWith(QLatin1String("Available client buffer integrations")))) {
        return;
    }
    previousMessageHandler(type, context, text);
}

bool isNative() {
    return DisplaySession::mode() == DisplayMode::WaylandNative;
}

// The presenter of XWayland sessions, which knows the overlay windows.
GnomeOverlayWindows* xwaylandOverlays = nullptr;

bool gnomeDesktopNamed() {
    const QByteArray desktops = qgetenv("XDG_CURRENT_DESKTOP");
    for (const QByteArray& name : desktops.split(':')) {
        if (name.trimmed().compare("GNOME", Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// XWayland mode under GNOME Shell (named by the session, or its Mirelon
// extension on the bus): the GNOME backends serve, through the extension
// while it runs and through X11 otherwise, switching when it comes or goes.
bool isGnome() {
    if (DisplaySession::mode() != DisplayMode::XWayland || !xwaylandOverlays) {
        return false;
    }
    static const bool gnome = gnomeDesktopNamed() || (QGuiApplication::instance() &&
                                                      GnomeShellBridge::extensionOwnsBusName());
    return gnome;
}

// Hot keys under GNOME: in the shell while the extension runs, else X key
// grabs; the names of the grabs in the shell start with `prefix`.
std::shared_ptr<GlobalShortcuts::HotKeyBackend> makeGnomeHotKeys(GnomeShellBridge& bridge,
                                                                 const QString& prefix = {}) {
    std::shared_ptr<GlobalShortcuts::HotKeyBackend> x11 = X11HotKeyService::connect();
    if (!x11) {
        x11 = std::make_shared<XkbKeyTextService>();
    }
    auto layout = std::make_shared<XkbKeyTextService>();
    return std::make_shared<GnomeHotKeyService>(
        bridge, std::move(x11), [layout](std::int64_t keyCode) { return layout->keyText(keyCode); },
        prefix);
}

// The bridge to the extension, wired to the program's state on first use.
GnomeShellBridge& gnomeBridge() {
    GnomeShellBridge& bridge = GnomeShellBridge::shared();
    static const bool wired = [&bridge] {
        GnomeOverlayWindows* overlays = xwaylandOverlays;
        overlays->setChangeHandler(
            [&bridge, overlays] { bridge.setOverlayWindows(overlays->windowIds()); });
        overlays->setClickFault([&bridge] {
            return !bridge.isRunning() &&
                   GnomeShellBridge::hasInputShapeFault(bridge.shellVersion());
        });
        bridge.setOverlayWindows(overlays->windowIds());
        QObject::connect(&MoveMode::shared(), &MoveMode::activeChanged, &bridge,
                         &GnomeShellBridge::setMoveMode);
        bridge.setMoveMode(MoveMode::shared().isActive());
        // No window of the program has the keyboard in move mode: Escape is
        // grabbed while it is on.
        new MoveModeEscape(
            MoveMode::shared(),
            [&bridge] { return makeGnomeHotKeys(bridge, QStringLiteral("moveMode:")); }, &bridge);
        // With the extension the shell grabs the shortcuts whatever has focus.
        QObject::connect(&bridge, &GnomeShellBridge::runningChanged, [](bool running) {
            GlobalShortcuts::setSessionDelivery(running ? GlobalShortcuts::Delivery::Grabs
                                                        : GlobalShortcuts::Delivery::FocusedGrabs);
        });
        return true;
    }();
    Q_UNUSED(wired);
    return bridge;
}

void applyTraits(DisplayMode mode) {
    DisplaySession::setMode(mode);
    const bool native = mode == DisplayMode::WaylandNative;
    // Where no program sees the pointer or the keys of others, panels move in
    // move mode; so do they under GNOME, which keeps Super-drag for itself.
    MoveMode::setOfferedInSession(native || (mode == DisplayMode::XWayland && gnomeDesktopNamed()));
    // The status-notifier host shows the menu handed to it; a menu popped up
    // by the program would be an ordinary (tiled) window there.
    TrayHost::setMenusShownByHost(native);
    GlobalShortcuts::setSessionDelivery(native ? GlobalShortcuts::Delivery::None
                                        : mode == DisplayMode::XWayland
                                            ? GlobalShortcuts::Delivery::FocusedGrabs
                                            : GlobalShortcuts::Delivery::Grabs);
    xwaylandOverlays = nullptr;
    if (native) {
        FloatingWindow::setPresenter(std::make_unique<WaylandFloatingWindow>());
    } else if (mode == DisplayMode::XWayland) {
        auto overlays =
            std::make_unique<GnomeOverlayWindows>(std::make_unique<X11FloatingWindow>());
        xwaylandOverlays = overlays.get();
        // The list goes to GNOME Shell's extension once the session is known to be GNOME.
        overlays->setChangeHandler([] {
            if (isGnome()) {
                gnomeBridge();
            }
        });
        FloatingWindow::setPresenter(std::move(overlays));
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
    if (isGnome()) {
        std::unique_ptr<PointerWatch> x11 = X11PointerWatch::create();
        if (!x11) {
            x11 = std::make_unique<PollingPointerWatch>();
        }
        return new GnomePointerWatch(gnomeBridge(), std::move(x11), [] {
            return xwaylandOverlays ? xwaylandOverlays->panelFrames() : QList<QRect>{};
        });
    }
    return X11PointerWatch::create().release();  // none: the loader's poll
}

// The service that grabs keys itself (or, with nothing to grab on, names them).
std::shared_ptr<GlobalShortcuts::HotKeyBackend> makeGrabbingHotKeyService() {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (isGnome()) {
            return makeGnomeHotKeys(gnomeBridge());
        }
        if (auto x11 = X11HotKeyService::connect()) {
            return x11;
        }
        qWarning("Global hot keys: cannot open a connection to the X server");
    } else if (!QGuiApplication::instance()) {
        qWarning("Global hot keys: used before the application object exists; none will work");
    }
    return std::make_shared<XkbKeyTextService>();
}

std::shared_ptr<GlobalShortcuts::HotKeyBackend> makeHotKeyService(
    GlobalShortcuts::NamedBindingSource bindings) {
    std::shared_ptr<GlobalShortcuts::HotKeyBackend> grabbing = makeGrabbingHotKeyService();
    // Through XWayland too: the portal's shortcuts work whatever has focus,
    // key grabs only while a Mirelon window has.
    const bool xwayland = DisplaySession::mode() == DisplayMode::XWayland;
    // Under GNOME with Mirelon's extension running, the shell grabs the
    // accelerators itself; the portal is for GNOME without it.
    const bool gnomeExtension = xwayland && QGuiApplication::instance() && isGnome() &&
                                GnomeShellBridge::extensionOwnsBusName();
    if (!(isNative() || xwayland) || gnomeExtension || !QGuiApplication::instance()) {
        return grabbing;
    }
    // The key grabs (or nothing) serve until the portal answers.
    return portalHotKeysAfter(
        std::move(grabbing), std::move(bindings), [xwayland](const QString& whyNot) {
            if (xwayland) {
                qCInfo(lcPortal).noquote() << "No GlobalShortcuts portal (" + whyNot +
                                                  "): shortcuts through XWayland key grabs";
                return;
            }
            qCWarning(lcPortal).noquote() << "No GlobalShortcuts portal (" + whyNot +
                                                 "): no global shortcuts in this session; bind "
                                                 "\"mirelon --action NAME\" in the desktop's "
                                                 "keyboard settings instead";
        });
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
        const bool layerShell = WaylandDisplay::offersLayerShell();
        if (forced == "wayland" && !layerShell) {
            // Native mode shows nothing without layer surfaces.
            qWarning(
                "MIRELON_DISPLAY_BACKEND=wayland: this compositor offers no layer shell, "
                "so Mirelon runs through XWayland");
        }
        mode = layerShell ? DisplayMode::WaylandNative : DisplayMode::XWayland;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", mode == DisplayMode::WaylandNative ? "wayland" : "xcb");
    }
    // Every window is painted by the CPU into shared memory: without this Qt
    // loads the OpenGL driver on Wayland (some 50 MB of it resident, a
    // software one included) for buffers it never makes.
    if (mode == DisplayMode::WaylandNative &&
        !qEnvironmentVariableIsSet("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION")) {
        qputenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION", "shm");
        previousMessageHandler = qInstallMessageHandler(dropBufferIntegrationNotice);
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
