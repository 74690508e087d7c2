// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsView.h"

#include "config/CameraDeviceSettingsStore.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

// Not a unit test: the settings end-to-end test runs it on a real X server
// (tests/e2e/settings_window_test.sh). It shows the settings window over the
// defaults in $MIRELON_SETTINGS_E2E_DIR with two cameras, and keeps it open
// until that folder holds a file named "quit".
TEST(SettingsDesktopHost, DISABLED_ShowTheWindowUntilAskedToQuit) {
    const QString dir = qEnvironmentVariable("MIRELON_SETTINGS_E2E_DIR");
    if (dir.isEmpty()) {
        GTEST_SKIP() << "only for the end-to-end test";
    }
    EventBus center;
    PreferencesFile defaults(dir + "/defaults.json", center);
    const QList<AvailableCameraDevice> devices = {{"desk", "Desk Camera", true},
                                                  {"studio", "Studio Camera", false}};
    CameraDeviceSettingsStore store(
        defaults, [devices] { return devices; }, center);
    SettingsView view(SettingsContext{&defaults, &store, &center});
    view.show();

    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QFile::exists(dir + "/quit")) {
            loop.quit();
        }
    });
    poll.start(50);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);  // never outlive the test script
    loop.exec();
}

}  // namespace
}  // namespace mirelon
