// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightOverlayController.h"
#include "config/Preferences.h"
#include "platform/WindowStacking.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"
#include "platform/qt/ManualScheduler.h"
#include "ringlight/RingLightDisplaySettingsStore.h"
#include "ringlight/RingLightOverlayView.h"
#include "ringlight/RingLightOverlayWindow.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

namespace Store = RingLightDisplaySettingsStore;

// Two monitors side by side, 1920x1080 on the left (primary) and 1280x1024 on
// the right, plus whatever a test adds.
class FakeDesktop final : public RingLightDesktop {
public:
    QList<RingLightScreen> list;
    std::optional<QPointF> pointer;
    const void* keyScreen = nullptr;
    const void* primary = nullptr;
    bool compositing = true;
    bool followed = false;

    FakeDesktop() {
        list.append(make(1, "111", QRect(0, 0, 1920, 1080)));
        list.append(make(2, "222", QRect(1920, 0, 1280, 1024)));
        primary = list[0].handle;
    }
    static RingLightScreen make(std::uintptr_t handle, const QString& id, const QRect& g) {
        RingLightScreen s;
        s.handle = reinterpret_cast<const void*>(handle);
        s.displayID = id;
        s.geometry = g;
        s.frame = QRectF(g.x(), 1080 - g.y() - g.height(), g.width(), g.height());
        return s;
    }
    void changeScreens() { Q_EMIT screensChanged(); }
    void movePointer(QPointF p) {
        pointer = p;
        Q_EMIT pointerMoved();
    }
    void setPointerFollowed(bool f) override { followed = f; }

    QList<RingLightScreen> screens() const override { return list; }
    std::optional<QPointF> pointerLocation() const override { return pointer; }
    const void* keyWindowScreen() const override { return keyScreen; }
    const void* mainScreen() const override { return primary; }
    bool isCompositing() const override { return compositing; }
};

class RingLightControllerTest : public ::testing::Test {
protected:
    ScopedManualScheduler clock;
    QTemporaryDir dir;
    EventBus center;
    PreferencesFile defaults{dir.filePath(QStringLiteral("defaults.json")), center};
    FakeDesktop* desktop = nullptr;
    std::unique_ptr<RingLightOverlayController> controller;

    void start() {
        auto d = std::make_unique<FakeDesktop>();
        desktop = d.get();
        controller = std::make_unique<RingLightOverlayController>(defaults, std::move(d), center);
    }
    void TearDown() override {
        controller.reset();
        settle();
    }
    // Runs the next turn: deferred refreshes and window deletions.
    void settle() {
        clock.scheduler.runPending();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void switchOn(bool on = true) {
        defaults.setBool(PreferenceKeys::ringLightEnabled, on);
        settle();
    }
    QStringList shownIDs() const {
        QStringList ids;
        for (const auto& [id, window] : controller->windowsByDisplayID()) {
            ids << id;
        }
        return ids;
    }
    static int visibleOverlays() {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            n += w->objectName() == RingLightOverlayController::windowIdentifier && w->isVisible();
        }
        return n;
    }
    RingLightOverlayView* view(const QString& id) const {
        return controller->windowsByDisplayID().at(id)->content();
    }
};

TEST_F(RingLightControllerTest, SwitchOffShowsNothingWhateverTheRecordsSay) {
    Store::saveAllSettings({{"111", {true, 0.5, 44, 0.5}}, {"222", {true, 0.5, 44, 0.5}}},
                           defaults);
    start();
    EXPECT_TRUE(controller->windowsByDisplayID().empty());
    EXPECT_EQ(visibleOverlays(), 0);
    switchOn();
    EXPECT_EQ(visibleOverlays(), 2);
    switchOn(false);
    EXPECT_EQ(visibleOverlays(), 0);
    EXPECT_TRUE(controller->windowsByDisplayID().empty());
}

TEST_F(RingLightControllerTest, SwitchOnWithoutRecordsLightsEveryDisplayWithAnIdentifier) {
    start();
    desktop->list.append(FakeDesktop::make(3, QString(), QRect(3200, 0, 800, 600)));
    switchOn();
    EXPECT_EQ(shownIDs(), (QStringList{"111", "222"}));
    const RingLightOverlayWindow* left = controller->windowsByDisplayID().at("111");
    const RingLightOverlayWindow* right = controller->windowsByDisplayID().at("222");
    EXPECT_EQ(left->geometry(), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(right->geometry(), QRect(1920, 0, 1280, 1024));
    EXPECT_EQ(right->content()->geometry(), QRect(0, 0, 1280, 1024));
    const auto& c = right->content()->configuration();
    EXPECT_EQ(c.settings, (RingLightDisplaySettings{true, 0.5, 44, 0.5}));
    EXPECT_EQ(c.screenFrame, QRectF(1920, 56, 1280, 1024));
    EXPECT_EQ(c.maxHoverCutoutRadius, 88);
    EXPECT_EQ(c.hoverEdgeSlack, 24);

    // The window's platform side.
    EXPECT_EQ(left->objectName(), "MirelonRingLightOverlay");
    EXPECT_EQ(left->windowRole(), "MirelonRingLightOverlay");
    EXPECT_TRUE(left->windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_TRUE(left->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(left->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(left->testAttribute(Qt::WA_ShowWithoutActivating));
    ASSERT_TRUE(left->windowHandle());
    EXPECT_TRUE(left->windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(left->content()->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(WindowStacking::shared().level(left), 1900);
}

TEST_F(RingLightControllerTest, LegacyEntriesSeedDisplaysWithoutRecords) {
    defaults.setDouble(Store::legacyWidthKey, 12);
    defaults.setDouble(Store::legacyTemperatureKey, 0.9);
    start();
    switchOn();
    EXPECT_EQ(view("222")->configuration().settings,
              (RingLightDisplaySettings{true, 0.9, 12, 0.5}));
}

TEST_F(RingLightControllerTest, EveryRecordDisabledLightsOnlyThePointersDisplay) {
    Store::saveAllSettings({{"111", {false, 0.1, 30, 0.2}}, {"222", {false, 0.9, 60, 0.8}}},
                           defaults);
    start();
    desktop->pointer = QPointF(2000, 500);  // y up, on the right display
    switchOn();
    EXPECT_EQ(shownIDs(), QStringList{"222"});
    EXPECT_EQ(view("222")->configuration().settings,
              (RingLightDisplaySettings{false, 0.9, 60, 0.8}));

    // Pointer off every display: the key window's display, else the main one.
    desktop->pointer = QPointF(-500, -500);
    desktop->keyScreen = desktop->list[1].handle;
    controller->refresh();
    EXPECT_EQ(shownIDs(), QStringList{"222"});
    desktop->keyScreen = nullptr;
    controller->refresh();
    settle();
    EXPECT_EQ(shownIDs(), QStringList{"111"});
    EXPECT_EQ(visibleOverlays(), 1);
    desktop->primary = nullptr;
    desktop->list.swapItemsAt(0, 1);
    controller->refresh();
    EXPECT_EQ(shownIDs(), QStringList{"222"});  // the first screen
}

TEST_F(RingLightControllerTest, OneEnabledRecordLightsOnlyItsDisplay) {
    Store::saveAllSettings({{"222", {true, 0.2, 20, 0.3}}}, defaults);
    defaults.setBool(PreferenceKeys::ringLightEnabled, false);
    start();
    // The switch on with only the right display enabled; the left has no
    // record and takes the switch as its default, so both are lit.
    switchOn();
    EXPECT_EQ(shownIDs(), (QStringList{"111", "222"}));
    Store::saveAllSettings({{"111", {false, 0.5, 44, 0.5}}, {"222", {true, 0.2, 20, 0.3}}},
                           defaults);
    settle();
    EXPECT_EQ(shownIDs(), QStringList{"222"});
    EXPECT_EQ(visibleOverlays(), 1);
}

TEST_F(RingLightControllerTest, RefreshesReuseWindowsAndKeepTheCachedBand) {
    start();
    switchOn();
    RingLightOverlayWindow* window = controller->windowsByDisplayID().at("111");
    RingLightOverlayView* content = window->content();
    content->renderImage();
    ASSERT_EQ(content->bandRenderCount(), 1);

    controller->refresh();
    controller->refresh();
    defaults.setDouble(PreferenceKeys::hoverOpacity, 0.7);  // an unrelated preference
    settle();
    EXPECT_EQ(controller->windowsByDisplayID().at("111"), window);
    EXPECT_EQ(window->content(), content);
    content->renderImage();
    EXPECT_EQ(content->bandRenderCount(), 1);

    // A change of this display's record reaches the same view.
    Store::saveAllSettings({{"111", {true, 0.0, 70, 0.5}}}, defaults);
    settle();
    EXPECT_EQ(window->content(), content);
    EXPECT_EQ(content->configuration().settings.width, 70);
    content->renderImage();
    EXPECT_EQ(content->bandRenderCount(), 2);
}

TEST_F(RingLightControllerTest, BurstsOfChangesRefreshOnceOnTheNextTurn) {
    start();
    defaults.setBool(PreferenceKeys::ringLightEnabled, true);
    // Not inside the notification: on the next turn of the main loop.
    EXPECT_TRUE(controller->windowsByDisplayID().empty());
    for (int i = 0; i < 10; ++i) {
        defaults.setDouble(PreferenceKeys::hoverOpacity, i / 10.0);
    }
    EXPECT_EQ(clock.scheduler.pendingCount(), 1u);
    settle();
    EXPECT_EQ(shownIDs(), (QStringList{"111", "222"}));
}

TEST_F(RingLightControllerTest, ScreenChangesAddAndRemoveOverlays) {
    Store::saveAllSettings({{"222", {true, 0.8, 30, 0.5}}}, defaults);
    start();
    switchOn();
    ASSERT_EQ(shownIDs(), (QStringList{"111", "222"}));
    const RingLightScreen right = desktop->list.takeLast();
    desktop->changeScreens();
    settle();
    EXPECT_EQ(shownIDs(), QStringList{"111"});
    EXPECT_EQ(visibleOverlays(), 1);

    desktop->list.append(right);
    center.post(Notifications::screensChanged);
    settle();
    EXPECT_EQ(shownIDs(), (QStringList{"111", "222"}));
    EXPECT_EQ(view("222")->configuration().settings,
              (RingLightDisplaySettings{true, 0.8, 30, 0.5}));

    // A display that moves takes its window along.
    desktop->list[1] = FakeDesktop::make(2, "222", QRect(0, 1080, 1280, 1024));
    desktop->changeScreens();
    settle();
    EXPECT_EQ(controller->windowsByDisplayID().at("222")->geometry(), QRect(0, 1080, 1280, 1024));
}

TEST_F(RingLightControllerTest, TwoScreensWithOneIdentifierGetOneOverlay) {
    start();
    desktop->list[1].displayID = "111";
    switchOn();
    EXPECT_EQ(shownIDs(), QStringList{"111"});
    EXPECT_EQ(visibleOverlays(), 1);
    EXPECT_EQ(controller->windowsByDisplayID().at("111")->geometry(), QRect(0, 0, 1920, 1080));
}

TEST_F(RingLightControllerTest, OrphanedOverlaysAreClosed) {
    start();
    auto* stray = new RingLightOverlayWindow(QRect(0, 0, 100, 100));
    stray->orderFront();
    ASSERT_TRUE(stray->isVisible());
    QPointer<RingLightOverlayWindow> guard(stray);
    switchOn();
    EXPECT_EQ(visibleOverlays(), 2);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(RingLightControllerTest, PointerIsFollowedOnlyWhileOverlaysAreShown) {
    start();
    EXPECT_FALSE(desktop->followed);
    desktop->pointer = QPointF(1920 + 640, 1080 - 10);  // near the top of the right display
    switchOn();
    EXPECT_TRUE(desktop->followed);
    // The position at the refresh is used at once.
    EXPECT_EQ(view("222")->holeCenter(), QPointF(640, 10));
    EXPECT_FALSE(view("111")->holeCenter());
    desktop->movePointer(QPointF(960, 540));
    EXPECT_FALSE(view("222")->holeCenter());
    desktop->movePointer(QPointF(5, 540));
    EXPECT_EQ(view("111")->holeCenter(), QPointF(5, 540));

    switchOn(false);
    EXPECT_FALSE(desktop->followed);
}

TEST_F(RingLightControllerTest, WithoutACompositorTheBandIsOpaqueInAShapedWindow) {
    start();
    desktop->compositing = false;
    switchOn();
    const RingLightOverlayWindow* w = controller->windowsByDisplayID().at("111");
    EXPECT_TRUE(w->content()->configuration().opaque);
    EXPECT_TRUE(w->mask().contains(QPoint(960, 5)));
    EXPECT_FALSE(w->mask().contains(QPoint(960, 540)));
    desktop->compositing = true;
    Q_EMIT desktop->compositingChanged();
    settle();
    EXPECT_FALSE(w->content()->configuration().opaque);
    EXPECT_TRUE(w->mask().isEmpty());
}

}  // namespace
}  // namespace mirelon
