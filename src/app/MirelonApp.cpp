// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MirelonApp.h"

#include "app/AppDelegate.h"
#include "app/AppShell.h"
#include "app/CommandLine.h"
#include "app/MenuBarIcon.h"
#include "app/SettingsWindowHost.h"
#include "app/ShortcutActions.h"
#include "app/SingleInstance.h"
#include "app/SubsystemAdapters.h"
#include "app/Translations.h"
#include "app/TrayController.h"
#include "app/TrayMenu.h"
#include "app/UpdateFeed.h"
#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "panels/controller/MirelonPanelController.h"
#include "platform/DisplaySession.h"
#include "platform/files/PreferencesFile.h"
#include "platform/files/PreferencesSaveRefusal.h"
#include "platform/qt/IconRegistry.h"
#include "platform/qt/Logging.h"
#include "ringlight/RingLightOverlayController.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/GlobalShortcutsTesting.h"
#include "startatlogin/StartAtLogin.h"

#include <QApplication>

// The settings window of the settings subsystem, when it is part of the build.
#if __has_include("settings/SettingsView.h")
#include "settings/SettingsView.h"
#define MIRELON_HAS_SETTINGS_VIEW 1
#endif
#include <QDesktopServices>

namespace mirelon {

MirelonApp::MirelonApp(QObject* parent) : QObject(parent) {}

MirelonApp::~MirelonApp() {
    if (shortcuts_) {
        // The actions refer to the shell, which goes with this object.
        shortcuts_->removeAllHandlers();
        GlobalShortcuts::setApplicationMenu(nullptr);
    }
    // The menu goes before the tray item that shows it.
    tray_.reset();
    menu_.reset();
}

bool MirelonApp::launch() {
    QApplication::setApplicationName(QStringLiteral("Mirelon"));
    QApplication::setOrganizationDomain(QStringLiteral("mirelon.app"));
    QApplication::setApplicationVersion(QStringLiteral(MIRELON_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("app.mirelon.Mirelon"));
    // Menus, windows and key names in the user's language.
    Translations::install();
    // A tray program: closing a panel, an overlay or the settings window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Before any store exists: a second launch only hands over.
    QString channelProblem;
    auto channel = SingleInstance::defaultChannel(&channelProblem);
    if (!channel) {
        qCWarning(lcMain).noquote()
            << "No private runtime folder (" + channelProblem +
                   "): running without hand-over, so a second launch will start a second Mirelon";
    }
    singleInstance_ = std::make_unique<SingleInstance>(std::move(channel));
    switch (singleInstance_->claim()) {
        case SingleInstance::Claim::Instance:
            break;
        case SingleInstance::Claim::HandedOver:
            exitCode_ = 0;
            return false;
        case SingleInstance::Claim::NoAnswer:
            exitCode_ = 1;
            return false;
    }
    singleInstance_->setActionHandler(&MirelonApp::performCommandAction);
    // The preferences file posts this once until a save succeeds again; the
    // first save may come before the tray item exists.
    saveRefusals_ = EventBus::shared().addObserver(
        PreferencesSaveRefusal::notification, [this](const Notification& n) {
            unsavedPreferencesPath_ = n.object.toString();
            if (tray_) {
                warnPreferencesNotSaved(unsavedPreferencesPath_);
            }
        });
    // The desktop's answer may come before the tray item exists.
    accessRefusals_ = EventBus::shared().addObserver(Notifications::cameraAccessRefused,
                                                     [this](const Notification&) {
                                                         cameraAccessRefused_ = true;
                                                         if (tray_) {
                                                             warnCameraAccessRefused();
                                                         }
                                                     });
    qCInfo(lcCore).noquote() << DisplaySession::describe(DisplaySession::mode());
    if (StartAtLogin::wasLaunchedAtLogin()) {
        qCInfo(lcMain) << "Launched at login";
    }
    qCDebug(lcMain) << "Start at login:" << (StartAtLogin::isEnabled() ? "on" : "off");
    QApplication::setWindowIcon(IconRegistry::icon(QStringLiteral("Icon")));

    appDelegate_ = std::make_unique<AppDelegate>();
    // Creating the panel controller creates the camera store too; then the
    // ring light controller, which refreshes once.
    MirelonPanelController& panelController = MirelonPanelController::shared();
    RingLightOverlayController::shared();
    ringLightController_ = std::make_unique<RingLightAdapter>();
    ringLightRecords_ = std::make_unique<RingLightRecordsAdapter>();
    // The desktop's shortcut settings list the names by their titles.
    GlobalShortcuts::setNameDescriber(&ShortcutNames::title);
    shortcuts_ = std::make_unique<ShortcutsAdapter>();
    PreferencesFile& defaults = PreferencesFile::standard();
    CameraDeviceSettingsStore& store = CameraDeviceSettingsStore::shared();

    shell_ = std::make_unique<AppShell>(
        AppShell::Services{defaults, store, panelController, *ringLightController_,
                           *ringLightRecords_, *shortcuts_, EventBus::shared()});

#ifdef MIRELON_HAS_SETTINGS_VIEW
    settings_ = std::make_unique<SettingsWindowHost>([]() -> QWidget* { return new SettingsView; });
#else
    settings_ = std::make_unique<SettingsWindowHost>(&SettingsWindowHost::makePlaceholderWindow);
#endif
    connect(singleInstance_.get(), &SingleInstance::settingsRequested, this,
            &MirelonApp::openSettings);
    panelController.setOpenSettingsAction([this] { openSettings(); });

    TrayMenu::Handlers handlers;
    handlers.startStop = [this] { shell_->startStop(); };
    handlers.appear = [this] { shell_->appear(); };
    handlers.openSettings = [this] { openSettings(); };
    handlers.checkForUpdates = [this] { appDelegate_->checkForUpdates(); };
    handlers.quit = [] { QApplication::quit(); };
    handlers.openLink = [](const QUrl& url) {
        if (UpdateFeed::isOpenableLink(url)) {
            QDesktopServices::openUrl(url);
        }
    };
    menu_ = std::make_unique<TrayMenu>(defaults, shell_->actions(), *shortcuts_, handlers);
    // The shortcut recorder warns about combinations this menu already uses.
    GlobalShortcuts::setApplicationMenu(menu_->menu());

    tray_ = std::make_unique<TrayController>(
        menu_->menu(),
        [this] {
            const bool embedded = tray_ && tray_->isIconEmbedded();
            return MenuBarIcon::makeForTray(
                Preferences().menuBarIcon(),
                embedded ? MenuBarIcon::embeddedTrayStyle() : MenuBarIcon::currentTrayStyle());
        },
        [this] { settings_->openWithNoTrayNote(); });
    if (StartAtLogin::wasLaunchedAtLogin()) {
        tray_->noTrayGrace = TrayController::noTrayGraceAtLogin;
    }
    shell_->onMenuBarIconChanged = [this](const QString&) { tray_->updateIcon(); };
    settings_->onWindowClosed = [this] {
        if (shell_->quitsWhenSettingsClose(tray_->trayIcon() != nullptr)) {
            qCInfo(lcMain) << "Settings closed without a tray icon while Mirelon is off: quitting";
            QApplication::quit();
        }
    };
    if (!unsavedPreferencesPath_.isEmpty()) {
        warnPreferencesNotSaved(unsavedPreferencesPath_);
    }
    if (cameraAccessRefused_) {
        warnCameraAccessRefused();
    }
    tray_->start();
    return true;
}

SingleInstance::ActionResult MirelonApp::performCommandAction(const QString& name) {
    if (!commandActionNames().contains(name)) {
        return SingleInstance::ActionResult::Unknown;
    }
    // The same actions the name's shortcut runs.
    return GlobalShortcuts::performActions(GlobalShortcuts::Name(name))
               ? SingleInstance::ActionResult::Done
               : SingleInstance::ActionResult::Unavailable;
}

void MirelonApp::warnPreferencesNotSaved(const QString& path) {
    tray_->showWarning(tr("Settings are not saved"),
                       tr("Mirelon does not save its settings to %1, because that is not an "
                          "ordinary file. Your changes apply until Mirelon quits.")
                           .arg(path));
}

void MirelonApp::warnCameraAccessRefused() {
    tray_->showWarning(tr("Camera access refused"),
                       tr("Mirelon may not use the camera: access was refused when the desktop "
                          "asked. Allow Mirelon to use the camera in the privacy settings of your "
                          "desktop, then restart Mirelon."));
}

void MirelonApp::openSettings() {
    if (settings_) {
        settings_->openSettings();
    }
}

}  // namespace mirelon
