// SPDX-License-Identifier: GPL-3.0-or-later
// A host for looking at the real panel content on a desktop: the panel
// controller with CameraPanelContent in each panel, on the shared store and
// the standard defaults, following "isMirelonOn" like the application shell
// (forced off at start). Disabled in normal runs; start it with
// --gtest_also_run_disabled_tests --gtest_filter='ContentDesktopHost.*'.

#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "panels/controller/CameraPanelContent.h"
#include "panels/controller/MirelonPanelController.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

namespace mirelon {
namespace {

TEST(ContentDesktopHost, DISABLED_RunUntilKilled) {
    QApplication::setQuitOnLastWindowClosed(false);
    Preferences preferences;
    preferences.setIsMirelonOn(false);
    auto& store = CameraDeviceSettingsStore::shared();
    MirelonPanelController controller(store, std::make_unique<CameraPanelParts>(
                                                 store, std::make_shared<std::function<void()>>()));
    bool on = false;
    ObserverToken token =
        EventBus::shared().addObserver(Notifications::defaultsChanged, [&](const Notification&) {
            const bool wanted = preferences.isMirelonOn();
            if (wanted != on) {
                on = wanted;
                std::printf("host: %s\n", on ? "show" : "hide");
                std::fflush(stdout);
                on ? controller.show() : controller.hide();
            }
        });
    std::printf("host: ready\n");
    std::fflush(stdout);
    QApplication::exec();
}

}  // namespace
}  // namespace mirelon
