// SPDX-License-Identifier: GPL-3.0-or-later
// A host for the reliability end-to-end runs (tests/e2e/reliability_*): the
// camera panels and the ring light in one process on the real display, the
// panels following "isMirelonOn" the way the program does (forced off at
// start), plus the store's own edit route on standard input, one command a
// line, so that a script can toggle cameras the way the settings window does:
//   enable ID | disable ID | enable-all | panels-on | panels-off
// (panels-on/off store "isMirelonOn" as the menu does.)
// Each command is answered with "host: done <command>". Disabled in normal
// runs; the scripts start it with --gtest_also_run_disabled_tests.
#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "panels/controller/MirelonPanelController.h"
#include "platform/qt/EventBus.h"
#include "ringlight/RingLightOverlayController.h"

#include <QApplication>
#include <QSocketNotifier>

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>

using namespace mirelon;

namespace {
void runCommand(const QByteArray& line) {
    auto& store = CameraDeviceSettingsStore::shared();
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.size() == 2 && (words[0] == "enable" || words[0] == "disable")) {
        store.setEnabled(words[0] == "enable", QString::fromUtf8(words[1]));
    } else if (words.value(0) == "panels-on" || words.value(0) == "panels-off") {
        Preferences().setIsMirelonOn(words[0] == "panels-on");
    } else if (words.value(0) == "enable-all") {
        for (const auto& c : store.configurations()) {
            store.setEnabled(true, c.id);
        }
    }
    std::printf("host: done %s\n", line.trimmed().constData());
    std::fflush(stdout);
}
}  // namespace

TEST(ReliabilityDesktopHost, DISABLED_RunUntilKilled) {
    QApplication::setQuitOnLastWindowClosed(false);
    Preferences().setIsMirelonOn(false);
    bool panelsOn = false;
    ObserverToken follow = EventBus::shared().addObserver(
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
    RingLightOverlayController::shared();
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);  // the script closed its end: keep running
            return;
        }
        pending.append(buffer, static_cast<qsizetype>(n));
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            runCommand(pending.left(end));
            pending.remove(0, end + 1);
        }
    });
    std::printf("host: ready\n");
    std::fflush(stdout);
    QApplication::exec();
}
