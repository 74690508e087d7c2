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
#include "platform/WindowLevels.h"
#include "platform/X11FloatingWindow.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <QPainter>

#include <cstdio>
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
        WindowLevels::shared().setLevel(this, WindowLevels::ringLightOverlay);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(0, 200, 0)); }
};
}  // namespace

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
    // MIRELON_HOST_OVERLAY=x,y,w,h shows an overlay stand-in there.
    std::unique_ptr<OverlayStandIn> overlay;
    const QStringList geometry = qEnvironmentVariable("MIRELON_HOST_OVERLAY").split(u',');
    if (geometry.size() == 4) {
        overlay = std::make_unique<OverlayStandIn>();
        overlay->setGeometry(geometry[0].toInt(), geometry[1].toInt(), geometry[2].toInt(),
                             geometry[3].toInt());
        overlay->show();
    }
    std::printf("host: ready\n");
    std::fflush(stdout);
    QApplication::exec();
}
