#pragma once

#include <QObject>

#include <memory>

namespace mirelon {

class AppDelegate;
class AppShell;
class MenuBarMenu;
class RingLightAdapter;
class RingLightRecordsAdapter;
class SettingsWindowHost;
class ShortcutsAdapter;
class SingleInstance;
class TrayController;

// The application object: hands over to a running instance or launches the
// tray program with its menu, settings window, shortcuts and updater.
class MirelonApp : public QObject {
    Q_OBJECT
public:
    // switchedToX11: the platform was forced to X11 under Wayland (logged once).
    explicit MirelonApp(bool switchedToX11, QObject* parent = nullptr);
    ~MirelonApp() override;

    // False when another instance was running and took the request: the
    // caller exits without touching anything else.
    bool launch();

    void openSettings();

private:
    bool switchedToX11_;
    std::unique_ptr<SingleInstance> singleInstance_;
    std::unique_ptr<AppDelegate> appDelegate_;
    std::unique_ptr<RingLightAdapter> ringLightController_;
    std::unique_ptr<RingLightRecordsAdapter> ringLightRecords_;
    std::unique_ptr<ShortcutsAdapter> shortcuts_;
    std::unique_ptr<AppShell> shell_;
    std::unique_ptr<SettingsWindowHost> settings_;
    std::unique_ptr<MenuBarMenu> menu_;
    std::unique_ptr<TrayController> tray_;
};

}  // namespace mirelon
