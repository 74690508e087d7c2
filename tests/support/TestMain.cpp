// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PlatformLoader.h"

#include <QApplication>

#include <gtest/gtest.h>

// Every test binary has a QApplication (offscreen in CTest) so widgets,
// fonts and the event loop are available, and the platform's backends as the
// program has them (tests replace them where they need to).
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    mirelon::PlatformLoader::installBackends();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
