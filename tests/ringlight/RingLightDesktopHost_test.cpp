// A host for the ring light's end-to-end tests (tests/e2e/ringlight_*_test.sh):
// runs the shared overlay controller on the real display with the standard
// defaults, as the application does, until killed. Disabled in normal runs;
// the scripts start it with --gtest_also_run_disabled_tests.

#include "ringlight/RingLightOverlayController.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

using namespace mirelon;

TEST(RingLightDesktopHost, DISABLED_RunUntilKilled) {
    QApplication::setQuitOnLastWindowClosed(false);
    RingLightOverlayController::shared();
    std::printf("host: ready\n");
    std::fflush(stdout);
    QApplication::exec();
}
