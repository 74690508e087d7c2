// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomeOverlayWindows.h"
#include "platform/FloatingWindow.h"
#include "platform/MoveMode.h"
#include "platform/qt/ManualScheduler.h"

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace mirelon {
namespace {

bool takesPointer(const QWidget& window) {
    return !FloatingWindow::ignoresMouseEvents(&window);
}

// What FloatingWindow::setIgnoresMouseEvents does with the presenter installed.
void ask(GnomeOverlayWindows& presenter, QWidget& window, bool accepts) {
    window.windowHandle()->setFlag(Qt::WindowTransparentForInput, !accepts);
    presenter.setAcceptsPointer(&window, accepts);
}

class GnomeOverlaysTest : public ::testing::Test {
protected:
    void SetUp() override {
        offered = MoveMode::offeredInSession();
        MoveMode::setOfferedInSession(true);
    }
    void TearDown() override {
        MoveMode::shared().setActive(false);
        MoveMode::setOfferedInSession(offered);
    }
    ScopedManualScheduler manual;
    bool offered = false;
    GnomeOverlayWindows presenter{std::make_unique<FloatingWindow::Presenter>()};
};

TEST_F(GnomeOverlaysTest, ListsTheOverlaysThatHaveAnXWindowOnceTheyChanged) {
    int changes = 0;
    presenter.setChangeHandler([&] { ++changes; });
    QWidget panel;
    QWidget ring;
    presenter.prepare(&panel, FloatingWindow::Role::cameraPanel);
    presenter.prepare(&ring, FloatingWindow::Role::ringLight);
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 1) << "one report for a burst";
    EXPECT_TRUE(presenter.windowIds().isEmpty()) << "nothing made yet";

    panel.setGeometry(10, 20, 300, 200);
    panel.show();
    ring.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(presenter.windowIds(),
              (QList<quint64>{static_cast<quint64>(panel.windowHandle()->winId()),
                              static_cast<quint64>(ring.windowHandle()->winId())}));
    EXPECT_EQ(presenter.panelFrames(), QList<QRect>{panel.geometry()});

    ring.hide();
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(presenter.panelFrames().size(), 1);
}

TEST_F(GnomeOverlaysTest, PanelsTakeThePointerWhileMoveModeIsOnWhateverTheyAsk) {
    QWidget panel;
    QWidget ring;
    presenter.prepare(&panel, FloatingWindow::Role::cameraPanel);
    presenter.prepare(&ring, FloatingWindow::Role::ringLight);
    panel.show();
    ring.show();
    ask(presenter, panel, false);
    ask(presenter, ring, false);

    MoveMode::shared().setActive(true);
    EXPECT_TRUE(takesPointer(panel));
    EXPECT_FALSE(takesPointer(ring)) << "the ring light never takes the pointer";
    // Not hovered (as far as the panel knows): it asks again, and still takes it.
    ask(presenter, panel, false);
    EXPECT_TRUE(takesPointer(panel));

    MoveMode::shared().setActive(false);
    EXPECT_FALSE(takesPointer(panel)) << "its own wish applies again";
    ask(presenter, panel, true);
    MoveMode::shared().setActive(true);
    MoveMode::shared().setActive(false);
    EXPECT_TRUE(takesPointer(panel));
}

}  // namespace
}  // namespace mirelon
