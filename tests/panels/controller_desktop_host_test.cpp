// SPDX-License-Identifier: GPL-3.0-or-later
// A host for the end-to-end panel tests (tests/e2e/panels_*_test.sh): runs the
// panel controller on the real display with the shared store, following the
// "isMirelonOn" preference the way the application shell does (forced off at
// start; show() when it turns true, hide() when it turns false). Disabled in
// normal runs; the scripts start it with --gtest_also_run_disabled_tests.
//
// MIRELON_HOST_COMMANDS names a FIFO the host reads edits from, one a line,
// made the way the settings window makes them (through the store):
//   set CAMERA FIELD VALUE   (cameraSize, cornerRadius, borderThickness,
//                             xAngle, yAngle, zAngle, textEnabled, text, cameraShape)
// and answers "host: applied LINE" on standard output.

#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "panels/controller/MirelonPanelController.h"
#include "platform/FloatingWindow.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"
#include "platform/x11/X11WindowStacking.h"

#include <QApplication>
#include <QPainter>
#include <QSocketNotifier>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>

using namespace mirelon;

namespace {
// A stand-in for a ring light overlay: a floating window at the overlay level,
// painted in one colour, that ignores the mouse.
class OverlayStandIn final : public QWidget {
public:
    OverlayStandIn() {
        FloatingWindow::prepare(this, QStringLiteral("MirelonRingLightOverlay"));
        FloatingWindow::setIgnoresMouseEvents(this, true);
        WindowStacking::shared().setLevel(this, WindowStacking::ringLightOverlay);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(0, 200, 0)); }
};

bool applyEdit(CameraDeviceSettingsStore& store, const QStringList& words) {
    if (words.size() < 4 || words[0] != u"set") {
        return false;
    }
    const QString& id = words[1];
    const QString& field = words[2];
    const QString value = words.mid(3).join(u' ');
    using A = CameraAppearanceSettings;
    const std::map<QString, double A::*> numbers = {{"cameraSize", &A::cameraSize},
                                                    {"cornerRadius", &A::cornerRadius},
                                                    {"borderThickness", &A::borderThickness},
                                                    {"xAngle", &A::xAngle},
                                                    {"yAngle", &A::yAngle},
                                                    {"zAngle", &A::zAngle}};
    if (auto it = numbers.find(field); it != numbers.end()) {
        store.updateAppearance(id, it->second, value.toDouble());
    } else if (field == u"textEnabled") {
        store.updateAppearance(id, &A::textEnabled, value == u"true");
    } else if (field == u"text") {
        store.updateAppearance(id, &A::text, value);
    } else if (field == u"cameraShape") {
        const auto shape = AppSettings::fromRawValue<AppSettings::CameraShape>(value);
        if (!shape) {
            return false;
        }
        store.updateAppearance(id, &A::cameraShape, *shape);
    } else {
        return false;
    }
    return true;
}
}  // namespace

TEST(PanelsDesktopHost, DISABLED_RunUntilKilled) {
    QApplication::setQuitOnLastWindowClosed(false);
    Preferences preferences;
    preferences.setIsMirelonOn(false);
    auto& controller = MirelonPanelController::shared();
    bool on = false;
    ObserverToken token =
        EventBus::shared().addObserver(Notifications::defaultsChanged, [&](const Notification&) {
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
    // MIRELON_HOST_OVERLAY=x,y,w,h shows an overlay stand-in there.
    std::unique_ptr<OverlayStandIn> overlay;
    const QStringList geometry = qEnvironmentVariable("MIRELON_HOST_OVERLAY").split(u',');
    if (geometry.size() == 4) {
        overlay = std::make_unique<OverlayStandIn>();
        overlay->setGeometry(geometry[0].toInt(), geometry[1].toInt(), geometry[2].toInt(),
                             geometry[3].toInt());
        overlay->show();
    }
    // Edits from the script (see the top of this file).
    std::unique_ptr<QSocketNotifier> commands;
    QByteArray pending;
    int fifo = -1;
    if (const QByteArray path = qgetenv("MIRELON_HOST_COMMANDS"); !path.isEmpty()) {
        // Read-write, so the FIFO never reports an end while no writer is open.
        fifo = ::open(path.constData(), O_RDWR | O_NONBLOCK);
        if (fifo >= 0) {
            commands = std::make_unique<QSocketNotifier>(fifo, QSocketNotifier::Read);
            QObject::connect(commands.get(), &QSocketNotifier::activated, [&] {
                char buffer[4096];
                const ssize_t n = ::read(fifo, buffer, sizeof buffer);
                if (n > 0) {
                    pending.append(buffer, n);
                }
                qsizetype end;
                while ((end = pending.indexOf('\n')) >= 0) {
                    const QString line = QString::fromUtf8(pending.left(end)).trimmed();
                    pending.remove(0, end + 1);
                    const bool done = applyEdit(CameraDeviceSettingsStore::shared(),
                                                line.split(u' ', Qt::SkipEmptyParts));
                    std::printf("host: %s %s\n", done ? "applied" : "refused",
                                line.toUtf8().constData());
                    std::fflush(stdout);
                }
            });
        }
    }
    std::printf("host: ready\n");
    std::fflush(stdout);
    QApplication::exec();
    if (fifo >= 0) {
        ::close(fifo);
    }
}
