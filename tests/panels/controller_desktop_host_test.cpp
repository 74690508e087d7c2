// A host for the end-to-end panel tests (tests/e2e/panels_*_test.sh): runs the
// panel controller on the real display with the shared store, following the
// "isMirelonOn" preference the way the application shell does (forced off at
// start; show() when it turns true, hide() when it turns false). Disabled in
// normal runs; the scripts start it with --gtest_also_run_disabled_tests.

#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "panels/controller/MirelonPanelController.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

using namespace mirelon;

TEST(PanelsDesktopHost, DISABLED_RunUntilKilled) {
    QApplication::setQuitOnLastWindowClosed(false);
    Preferences preferences;
    preferences.setIsMirelonOn(false);
    auto& controller = MirelonPanelController::shared();
    bool on = false;
    ObserverToken token = NotificationCenter::defaultCenter().addObserver(
        Notifications::defaultsChanged, [&](const Notification&) {
            const bool wanted = preferences.isMirelonOn();
            if (wanted != on) {
                on = wanted;
                std::printf("host: %s\n", on ? "show" : "hide");
                std::fflush(stdout);
                if (on) {
                    controller.show();
                } else {
                    controller.hide();
                }
            }
        });
    std::printf("host: ready\n");
    std::fflush(stdout);
    QApplication::exec();
}
