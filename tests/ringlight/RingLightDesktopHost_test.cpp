// SPDX-License-Identifier: GPL-3.0-or-later
// A host for the ring light's end-to-end tests (tests/e2e/ringlight_*_test.sh):
// runs the shared overlay controller on the real display with the standard
// defaults, as the application does, until killed. With MIRELON_HOST_PANELS=1
// the camera panel controller runs in the same process, following
// "isMirelonOn" the way the shell does (forced off at start), so that both
// kinds of window share one stacking service. Disabled in normal runs; the
// scripts start it with --gtest_also_run_disabled_tests.

#include "config/Preferences.h"
#include "panels/controller/MirelonPanelController.h"
#include "platform/qt/EventBus.h"
#include "ringlight/RingLightOverlayController.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

using namespace mirelon;

TEST(RingLightDesktopHost, DISABLED_RunUntilKilled) {
    QApplication::setQuitOnLastWindowClosed(false);
    ObserverToken panelsFollowSwitch;
    bool panelsOn = false;
    if (qEnvironmentVariable("MIRELON_HOST_PANELS") == QLatin1String("1")) {
        Preferences preferences;
        preferences.setIsMirelonOn(false);
        panelsFollowSwitch = EventBus::shared().addObserver(
            Notifications::defaultsChanged, [&panelsOn](const Notification&) {
                const bool wanted = Preferences().isMirelonOn();
                if (wanted != panelsOn) {
                    panelsOn = wanted;
                    if (wanted) {
                        MirelonPanelController::shared().show();
                    } else {
                        MirelonPanelController::shared().hide();
                    }
                }
            });
    }
    RingLightOverlayController::shared();
    std::printf("host: ready\n");
    std::fflush(stdout);
    QApplication::exec();
}
