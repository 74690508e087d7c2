#include "app/Startup.h"
#include "config/CameraDeviceSettingsStore.h"
#include "platform/Logging.h"
#include "platform/UserDefaults.h"

#include <QApplication>

using namespace mirelon;

int main(int argc, char* argv[]) {
    const bool switchedToX11 = preferX11Platform();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirelon"));
    QApplication::setOrganizationDomain(QStringLiteral("mirelon.app"));
    QApplication::setApplicationVersion(QStringLiteral(MIRELON_VERSION));
    // A tray program: closing a panel, an overlay or the settings window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (switchedToX11) {
        qCInfo(lcCore) << "Running through XWayland: global hot keys and the command-key watch "
                          "work only while an X11 window has focus";
    }

    auto& store = CameraDeviceSettingsStore::shared();
    auto logConfigurations = [&store] {
        for (const auto& c : store.configurations()) {
            qCInfo(lcConfig).noquote() << "Camera" << c.name << "(" << c.id << ")"
                                       << (c.isEnabled ? "enabled" : "disabled");
        }
    };
    logConfigurations();
    ObserverToken changes = NotificationCenter::defaultCenter().addObserver(
        CameraDeviceSettingsStore::settingsChangedNotification,
        [&](const Notification&) { logConfigurations(); });
    return QApplication::exec();
}
