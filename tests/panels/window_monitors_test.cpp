// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/window/CommandKeyMonitor.h"
#include "panels/window/HoverTracker.h"
#include "panels/window/WindowAccessor.h"
#include "panels/window_fakes.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace mirelon;
using mirelon::testing::FakePointerWatch;

TEST(CommandKeyMonitor, ReportsInitialStateEveryEventAndNothingAfterRemoval) {
    FakePointerWatch watch;
    watch.holdCommandKeySilently(true);  // held before the panel exists
    QWidget host;
    std::vector<bool> reports;
    auto* monitor = new CommandKeyMonitor([&](bool down) { reports.push_back(down); }, &host);
    ASSERT_EQ(reports, std::vector<bool>{true});  // read at attach time
    EXPECT_EQ(watch.keyInterestCount(), 1);

    watch.modifierEvent(true);  // Shift pressed while Super is held: a repeat
    watch.modifierEvent(true);
    watch.modifierEvent(false);
    EXPECT_EQ(reports, (std::vector<bool>{true, true, true, false}));

    // An update of the embedding view swaps the callback.
    std::vector<bool> second;
    monitor->setOnChange([&](bool down) { second.push_back(down); });
    watch.modifierEvent(true);
    EXPECT_EQ(second, std::vector<bool>{true});
    EXPECT_EQ(reports.size(), 4u);

    // Detached: monitors gone, no callback, no interest left.
    monitor->trackingView()->setParent(nullptr);
    watch.modifierEvent(false);
    EXPECT_EQ(second.size(), 1u);
    EXPECT_EQ(watch.keyInterestCount(), 0);
    delete monitor->trackingView();
    delete monitor;
}

TEST(CommandKeyMonitor, DestroyingTheContentRemovesTheMonitors) {
    FakePointerWatch watch;
    int calls = 0;
    {
        QWidget content;
        new CommandKeyMonitor([&](bool) { ++calls; }, &content);
        EXPECT_EQ(calls, 1);
    }
    watch.modifierEvent(true);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(watch.keyInterestCount(), 0);
}

TEST(WindowAccessor, ReportsTheHostingWindowOnAttachAndDetach) {
    std::vector<QWidget*> reports;
    QWidget window;
    window.resize(100, 100);
    auto* content = new QWidget();  // built before it is placed in the window
    new WindowAccessor([&](QWidget* w) { reports.push_back(w); }, content);
    content->setParent(&window);
    EXPECT_TRUE(reports.empty() || reports.back() == nullptr);  // no native window yet
    window.show();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), &window);
    const std::size_t count = reports.size();
    window.hide();
    window.show();  // same window again: no repeat
    EXPECT_EQ(reports.size(), count);
}

TEST(WindowObserverView, DetachReportsNone) {
    std::vector<QWidget*> reports;
    QWidget window;
    window.show();
    auto* view = new WindowObserverView(&window);
    view->onWindowChange = [&](QWidget* w) { reports.push_back(w); };
    view->setParent(nullptr);
    view->setParent(&window);
    view->setParent(nullptr);
    EXPECT_EQ(reports, (std::vector<QWidget*>{nullptr, &window, nullptr}));
    delete view;
}

TEST(HoverTracker, ActiveWhileInsideEndedOnLeavingOrHiding) {
    FakePointerWatch watch;
    QWidget window;
    window.setGeometry(100, 100, 200, 200);
    auto* picture = new QWidget(&window);
    picture->setGeometry(50, 50, 100, 100);
    std::vector<HoverPhase> phases;
    auto* tracker = new HoverTracker(picture, [&](HoverPhase p) { phases.push_back(p); });
    EXPECT_EQ(watch.motionInterestCount(), 0);  // nothing watched while hidden
    window.show();
    EXPECT_EQ(watch.motionInterestCount(), 1);

    const QPoint inside = picture->mapToGlobal(QPoint(10, 10));
    const QPoint outsidePicture = window.mapToGlobal(QPoint(5, 5));
    watch.movePointer(outsidePicture);
    EXPECT_TRUE(phases.empty());
    watch.movePointer(inside);
    watch.movePointer(inside + QPoint(5, 5));
    EXPECT_EQ(phases, (std::vector<HoverPhase>{HoverPhase::active, HoverPhase::active}));
    EXPECT_TRUE(tracker->isHovering());
    watch.movePointer(outsidePicture);
    EXPECT_EQ(phases.back(), HoverPhase::ended);
    EXPECT_FALSE(tracker->isHovering());

    watch.movePointer(inside);
    phases.clear();
    window.hide();
    EXPECT_EQ(phases, std::vector<HoverPhase>{HoverPhase::ended});
    EXPECT_EQ(watch.motionInterestCount(), 0);
}

TEST(PointerWatch, InterestsCountAndOutliveTheWatchSafely) {
    PointerWatch::Interest survivor;
    {
        FakePointerWatch watch;
        auto a = watch.motionInterest();
        auto b = watch.motionInterest();
        EXPECT_EQ(watch.motionInterestCount(), 2);
        a.reset();
        EXPECT_EQ(watch.motionInterestCount(), 1);
        survivor = watch.keyInterest();
    }
    survivor.reset();  // the watch is gone: releasing must not touch it
    SUCCEED();
}
