// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/SingleInstance.h"
#include "platform/qt/EventBus.h"

#include <QObject>

#include <memory>

namespace mirelon {

class AppDelegate;
class AppShell;
class TrayMenu;
class RingLightAdapter;
class RingLightRecordsAdapter;
class SettingsWindowHost;
class ShortcutsAdapter;
class TrayController;

// The application object: hands over to a running instance or launches the
// tray program with its menu, settings window, shortcuts and updater.
class MirelonApp : public QObject {
    Q_OBJECT
public:
    explicit MirelonApp(QObject* parent = nullptr);
    ~MirelonApp() override;

    // False when another instance was running: the caller exits with
    // exitCode() without touching anything else.
    bool launch();
    // 0 when the running instance took the request, 1 when it did not answer.
    int exitCode() const { return exitCode_; }

    void openSettings();

    // What `mirelon --action NAME` asks of the running instance.
    static SingleInstance::ActionResult performCommandAction(const QString& name);

private:
    void warnPreferencesNotSaved(const QString& path);
    void warnCameraAccessRefused();

    int exitCode_ = 0;
    std::unique_ptr<SingleInstance> singleInstance_;
    std::unique_ptr<AppDelegate> appDelegate_;
    std::unique_ptr<RingLightAdapter> ringLightController_;
    std::unique_ptr<RingLightRecordsAdapter> ringLightRecords_;
    std::unique_ptr<ShortcutsAdapter> shortcuts_;
    std::unique_ptr<AppShell> shell_;
    std::unique_ptr<SettingsWindowHost> settings_;
    std::unique_ptr<TrayMenu> menu_;
    std::unique_ptr<TrayController> tray_;
    ObserverToken saveRefusals_;
    QString unsavedPreferencesPath_;
    ObserverToken accessRefusals_;
    bool cameraAccessRefused_ = false;
};

}  // namespace mirelon
