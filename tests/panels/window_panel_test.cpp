// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/window/PanelWindow.h"
#include "platform/FloatingWindow.h"
#include "platform/x11/X11WindowStacking.h"

#include <QApplication>
#include <QPainter>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace mirelon;

namespace {
// Draws an opaque 100x100 block at (20, 20) over a faint shadow filling the rest.
class BlockContent final : public QWidget, public PanelContent {
public:
    QWidget* widget() override { return this; }
    QSize sizeHint() const override { return natural; }
    QSize natural{140, 140};

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(0, 0, 0, 100));
        p.fillRect(QRect(20, 20, 100, 100), Qt::red);
    }
};
}  // namespace

TEST(PanelWindow, FloatingAttributesAndLevel) {
    PanelWindow panel;
    EXPECT_EQ(panel.objectName(), "MirelonPanel");
    EXPECT_EQ(panel.windowRole(), "MirelonPanel");
    const Qt::WindowFlags flags = panel.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(panel.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(panel.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(WindowStacking::shared().level(&panel), WindowStacking::cameraPanel);
}

TEST(PanelWindow, TakesTheContentsNaturalSizeAndFollowsIt) {
    PanelWindow panel;
    auto* content = new BlockContent();
    panel.setContent(content);
    EXPECT_EQ(panel.size(), QSize(140, 140));
    content->natural = QSize(200, 160);
    content->updateGeometry();
    panel.show();
    QApplication::processEvents();
    EXPECT_EQ(panel.size(), QSize(200, 160));
}

TEST(PanelWindow, ShapeMaskOnlyWithoutACompositor) {
    PanelWindow panel;
    panel.setContent(new BlockContent());
    panel.show();
    panel.setCompositing(false);
    // The faint shadow is left out; the opaque block is the shape.
    EXPECT_EQ(panel.mask(), QRegion(20, 20, 100, 100));
    panel.setCompositing(true);
    EXPECT_TRUE(panel.mask().isEmpty());
}

TEST(PanelWindow, ClosingDetachesTheContentAndIgnoresTheMouse) {
    PanelWindow panel;
    QPointer<QWidget> content = new BlockContent();
    panel.setContent(dynamic_cast<PanelContent*>(content.data()));
    panel.show();
    FloatingWindow::setIgnoresMouseEvents(&panel, false);
    EXPECT_FALSE(FloatingWindow::ignoresMouseEvents(&panel));
    panel.closePanel();
    EXPECT_TRUE(content.isNull());
    EXPECT_EQ(panel.content(), nullptr);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_TRUE(FloatingWindow::ignoresMouseEvents(&panel));
}

TEST(X11WindowStacking, OrderByLevelThenRegistration) {
    QWidget overlay;
    QWidget panelA;
    QWidget panelB;
    auto& levels = WindowStacking::shared();
    levels.setLevel(&panelA, WindowStacking::cameraPanel);
    levels.setLevel(&overlay, WindowStacking::ringLightOverlay);
    levels.setLevel(&panelB, WindowStacking::cameraPanel);
    overlay.show();
    panelA.show();
    panelB.show();
    EXPECT_EQ(levels.stackingOrder(), (QList<QWidget*>{&overlay, &panelA, &panelB}));
    panelA.hide();  // hidden windows are not stacked
    EXPECT_EQ(levels.stackingOrder(), (QList<QWidget*>{&overlay, &panelB}));
}

TEST(X11WindowStacking, NeedsRestackWhenAViewableForeignWindowIsAboveOrTheOrderIsWrong) {
    const auto viewable = [](std::uint32_t id) { return id != 99; };  // 99 is unmapped
    // Bottom to top.
    EXPECT_FALSE(X11WindowStacking::needsRestack({1, 2, 10, 20}, {10, 20}, viewable));
    EXPECT_TRUE(X11WindowStacking::needsRestack({1, 10, 20, 2}, {10, 20}, viewable));
    EXPECT_TRUE(X11WindowStacking::needsRestack({1, 10, 2, 20}, {10, 20}, viewable));
    EXPECT_TRUE(X11WindowStacking::needsRestack({1, 20, 10}, {10, 20}, viewable));
    EXPECT_FALSE(X11WindowStacking::needsRestack({1, 10, 20, 99}, {10, 20}, viewable));
    EXPECT_FALSE(X11WindowStacking::needsRestack({1, 2}, {}, viewable));
    // One of ours not in the tree (not created yet): the rest is judged.
    EXPECT_FALSE(X11WindowStacking::needsRestack({1, 20}, {10, 20}, viewable));
}

TEST(X11WindowStacking, TheRingLightGoesAboveOtherProgramsButUnderOurOwnWindows) {
    // 1, 2: other programs' windows; 3: another program's dock along the top;
    // 5: our menu; 6: our settings window's frame; 10: a ring light overlay;
    // 20: a camera panel; 99: unmapped.
    X11WindowStacking::Stack stack;
    stack.under = {10};
    stack.over = {20};
    stack.isOwn = [](std::uint32_t id) { return id == 5 || id == 6; };
    stack.isViewable = [](std::uint32_t id) { return id != 99; };
    stack.frame = [](std::uint32_t id) {
        return id == 3 ? QRect(0, 0, 2560, 24) : QRect(100, 100, 800, 600);
    };
    using Order = std::vector<std::uint32_t>;
    using Anchor = X11WindowStacking::Anchor;

    // A menu that opened over the ring light is left above it.
    stack.children = {1, 2, 10, 5, 20};
    EXPECT_FALSE(X11WindowStacking::needsRestack(stack));
    // A menu that opened on top of everything: the panel goes back on top,
    // the ring light stays under the menu.
    stack.children = {1, 2, 10, 20, 5};
    EXPECT_TRUE(X11WindowStacking::needsRestack(stack));
    EXPECT_EQ(X11WindowStacking::wantedOrder(stack), (Order{1, 2, 10, 5, 20}));
    EXPECT_EQ(X11WindowStacking::underAnchor(stack), (Anchor{5, true}));
    // The old way, ring light over our own menu, is wrong now.
    stack.children = {1, 2, 5, 10, 20};
    EXPECT_TRUE(X11WindowStacking::needsRestack(stack));
    EXPECT_EQ(X11WindowStacking::wantedOrder(stack), (Order{1, 2, 10, 5, 20}));
    // Another program's window raised over our settings window covers it:
    // the ring light goes over that window (and so over ours).
    stack.children = {1, 10, 6, 2, 20};
    EXPECT_EQ(X11WindowStacking::underAnchor(stack), (Anchor{2, false}));
    EXPECT_EQ(X11WindowStacking::wantedOrder(stack), (Order{1, 6, 2, 10, 20}));
    stack.children = {6, 1, 10, 20};
    EXPECT_FALSE(X11WindowStacking::needsRestack(stack));
    // A dock above the settings window that does not cover it: the settings
    // window stays readable, the dock is left above the ring light.
    stack.children = {1, 6, 3, 10, 20};
    EXPECT_EQ(X11WindowStacking::underAnchor(stack), (Anchor{6, true}));
    EXPECT_EQ(X11WindowStacking::wantedOrder(stack), (Order{1, 10, 6, 3, 20}));
    // Unmapped windows do not count; nothing of another program and nothing
    // of ours: the bottom.
    stack.children = {99, 10, 20};
    EXPECT_EQ(X11WindowStacking::underAnchor(stack), std::nullopt);
    EXPECT_EQ(X11WindowStacking::wantedOrder(stack), (Order{10, 20}));
    // Several of each keep their order.
    stack.under = {10, 11};
    stack.over = {20, 21};
    stack.children = {1, 11, 10, 5, 21, 20};
    EXPECT_EQ(X11WindowStacking::wantedOrder(stack), (Order{1, 10, 11, 5, 20, 21}));
    stack.children = {1, 10, 11, 5, 20, 21};
    EXPECT_FALSE(X11WindowStacking::needsRestack(stack));
}
