// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureService.h"
#include "config/CameraDeviceSettingsStore.h"
#include "panels/controller/MirelonPanelController.h"
#include "panels/window/PanelWindow.h"
#include "panels/window/WindowPlacement.h"
#include "panels/window_fakes.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/ManualScheduler.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace mirelon;
using mirelon::testing::FakePointerWatch;
using mirelon::testing::FakeScreenSource;

namespace {

struct CameraLog {
    std::map<QString, int> starts;
    std::map<QString, int> stops;
    std::map<QString, int> shutdowns;
    int created = 0;
    int destroyed = 0;
};

class FakeCamera final : public PanelCamera {
public:
    FakeCamera(QString id, CameraLog& log) : id_(std::move(id)), log_(log) { ++log_.created; }
    ~FakeCamera() override { ++log_.destroyed; }
    void updatePreferredDeviceId(const QString& id) override { id_ = id; }
    void startCamera() override {
        ++log_.starts[id_];
        running = true;
    }
    void stopCamera() override {
        ++log_.stops[id_];
        running = false;
    }
    bool isSessionRunning() const override { return running; }
    bool isStartingCamera() const override { return false; }
    bool hasCaptureFailureMessage() const override { return failed; }
    void shutDown() override {
        ++log_.shutdowns[id_];
        running = false;
    }
    bool running = false;
    bool failed = false;

private:
    QString id_;
    CameraLog& log_;
};

class FakeContent final : public QWidget, public PanelContent {
public:
    QWidget* widget() override { return this; }
    QSize sizeHint() const override { return natural; }
    // A new natural size, announced the way a plain widget does it.
    void resizeTo(QSize size) {
        natural = size;
        updateGeometry();
    }
    QSize natural{300, 300};
};

class FakeParts final : public PanelPartsFactory {
public:
    explicit FakeParts(CameraLog& log) : log_(log) {}
    std::unique_ptr<PanelCamera> makeCamera(const QString& id) override {
        return std::make_unique<FakeCamera>(id, log_);
    }
    PanelContent* makeContent(const QString& id, PanelCamera&) override {
        auto* content = new FakeContent();
        contents[id] = content;
        return content;
    }
    std::map<QString, QPointer<FakeContent>> contents;

private:
    CameraLog& log_;
};

// Every frame a window is given (y-up), as its move and resize events report it.
class FrameLog final : public QObject {
public:
    explicit FrameLog(QWidget* window) : window_(window) { window->installEventFilter(this); }
    QList<QRectF> frames;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ &&
            (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
            frames.append(WindowPlacement::frameOf(window_));
        }
        return false;
    }

private:
    QWidget* window_;
};

class PanelControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        screens.list = {
            ScreenInfo{"L", QRectF(0, 0, 1440, 900), QRectF(0, 25, 1440, 875), nullptr},
            ScreenInfo{"R", QRectF(1440, 0, 1280, 1024), QRectF(1440, 0, 1280, 1024), nullptr}};
        screens.main = screens.list[0];
        screens.pointer = QPointF(100, 100);
        defaults = std::make_unique<PreferencesFile>(dir.filePath("defaults.json"), center);
    }
    void TearDown() override {
        controller.reset();
        store.reset();
        QApplication::processEvents();  // panels are deleted later
    }

    // Cameras connected at start; the first (by name) is enabled on first run.
    void start(QList<AvailableCameraDevice> devices) {
        connected = std::move(devices);
        store = std::make_unique<CameraDeviceSettingsStore>(
            *defaults,
            [this] {
                ++providerCalls;
                return connected;
            },
            center);
        auto made = std::make_unique<FakeParts>(log);
        parts = made.get();
        controller = std::make_unique<MirelonPanelController>(*store, std::move(made), center);
    }
    void unplug(const QString& id) {
        connected.erase(std::remove_if(connected.begin(), connected.end(),
                                       [&](const AvailableCameraDevice& d) { return d.id == id; }),
                        connected.end());
        center.post(Notifications::cameraDisconnected, id);
    }
    void plug(const AvailableCameraDevice& device) {
        connected.append(device);
        center.post(Notifications::cameraConnected, device.id);
    }
    void turn() { clock.scheduler.runPending(); }

    static AvailableCameraDevice camera(const QString& id) { return {id, "Camera " + id, false}; }

    ScopedManualScheduler clock;
    FakePointerWatch pointer;
    FakeScreenSource screens;
    QTemporaryDir dir;
    EventBus center;
    std::unique_ptr<PreferencesFile> defaults;
    QList<AvailableCameraDevice> connected;
    int providerCalls = 0;
    CameraLog log;
    std::unique_ptr<CameraDeviceSettingsStore> store;
    std::unique_ptr<MirelonPanelController> controller;
    FakeParts* parts = nullptr;
};

}  // namespace

TEST_F(PanelControllerTest, ShowWithoutAnyEnabledCameraRetriesThreeTimesThenStops) {
    start({});
    const int before = providerCalls;
    controller->show();
    EXPECT_EQ(controller->panelCount(), 0u);
    EXPECT_EQ(providerCalls, before + 1);
    for (int retry = 1; retry <= 3; ++retry) {
        EXPECT_TRUE(controller->isShowRetryPending());
        clock.scheduler.advance(0.19);
        EXPECT_EQ(providerCalls, before + retry);  // not yet
        clock.scheduler.advance(0.01);
        EXPECT_EQ(providerCalls, before + 1 + retry);
    }
    EXPECT_FALSE(controller->isShowRetryPending());
    clock.scheduler.advance(30);
    EXPECT_EQ(providerCalls, before + 4);
    EXPECT_EQ(controller->panelCount(), 0u);
    EXPECT_EQ(clock.scheduler.pendingCount(), 0u);
}

TEST_F(PanelControllerTest, OnePanelPerEnabledCameraPlacedAndStarted) {
    start({camera("A"), camera("B")});
    store->setEnabled(true, "B");
    controller->show();
    ASSERT_EQ(controller->panelCount(), 2u);
    EXPECT_EQ(log.starts["A"], 1);
    EXPECT_EQ(log.starts["B"], 1);
    EXPECT_FALSE(controller->isShowRetryPending());
    PanelWindow* a = controller->panel("A");
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->isVisible());
    EXPECT_EQ(a->objectName(), "MirelonPanel");
    EXPECT_EQ(a->windowRole(), "MirelonPanel");
    // Bottom right of the screen under the pointer (L), in y-up coordinates.
    const QRectF expected = WindowPlacement::placedFrame(
        QSizeF(a->size()), AppSettings::Position::bottomRight, screens.list[0].visibleFrame);
    EXPECT_EQ(WindowPlacement::frameOf(a), expected);

    // A second show keeps the same panels and does not restart running cameras.
    controller->show();
    EXPECT_EQ(controller->panel("A"), a);
    EXPECT_EQ(log.starts["A"], 1);

    // The pointer on R: the next update moves corner panels there.
    screens.pointer = QPointF(2000, 500);
    store->setPosition(AppSettings::Position::topLeft, "A");
    turn();
    EXPECT_EQ(WindowPlacement::frameOf(a),
              WindowPlacement::placedFrame(QSizeF(a->size()), AppSettings::Position::topLeft,
                                           screens.list[1].visibleFrame));
}

TEST_F(PanelControllerTest, DisablingOneOfTwoCamerasClosesOnlyItsPanelAndSession) {
    start({camera("A"), camera("B")});
    store->setEnabled(true, "B");
    controller->show();
    PanelWindow* a = controller->panel("A");
    PanelWindow* b = controller->panel("B");
    ASSERT_TRUE(a && b);
    store->setEnabled(false, "B");
    EXPECT_TRUE(b->isVisible());  // never inside the posting call
    turn();
    EXPECT_EQ(controller->panelCount(), 1u);
    EXPECT_EQ(controller->panel("A"), a);
    EXPECT_FALSE(b->isVisible());
    EXPECT_EQ(b->content(), nullptr);  // content detached
    EXPECT_EQ(log.stops["B"], 1);
    EXPECT_EQ(log.stops["A"], 0);
    EXPECT_EQ(controller->cameraViewModel("B"), nullptr);
    EXPECT_NE(controller->cameraViewModel("A"), nullptr);
    EXPECT_TRUE(a->isVisible());
}

TEST_F(PanelControllerTest, ThreeEmptyUpdatesKeepThePanelsTheFourthClosesThem) {
    start({camera("A")});
    controller->show();
    PanelWindow* a = controller->panel("A");
    ASSERT_TRUE(a);
    unplug("A");  // the store drops it: the first empty update
    turn();
    EXPECT_EQ(controller->consecutiveEmptyEnabledConfigurations(), 1);
    center.post(CameraDeviceSettingsStore::settingsChangedNotification);
    turn();
    center.post(CameraDeviceSettingsStore::settingsChangedNotification);
    turn();
    EXPECT_EQ(controller->consecutiveEmptyEnabledConfigurations(), 3);
    EXPECT_EQ(controller->panel("A"), a);
    EXPECT_TRUE(a->isVisible());
    EXPECT_EQ(log.stops["A"], 0);

    // The camera comes back: the count resets and the panel stays.
    plug(camera("A"));
    turn();
    EXPECT_EQ(controller->consecutiveEmptyEnabledConfigurations(), 0);
    EXPECT_EQ(controller->panel("A"), a);

    unplug("A");
    turn();
    for (int i = 0; i < 2; ++i) {
        center.post(CameraDeviceSettingsStore::settingsChangedNotification);
        turn();
    }
    EXPECT_EQ(controller->panel("A"), a);
    center.post(CameraDeviceSettingsStore::settingsChangedNotification);
    turn();  // the fourth
    EXPECT_EQ(controller->panelCount(), 0u);
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(log.stops["A"], 1);
}

TEST_F(PanelControllerTest, TransientEmptyRecheckRunsAfterTwoTenthsOfASecond) {
    start({camera("A")});
    controller->show();
    unplug("A");
    turn();
    EXPECT_TRUE(controller->isTransientEmptyRetryPending());
    const int calls = providerCalls;
    clock.scheduler.advance(0.2);
    EXPECT_GT(providerCalls, calls);  // re-synchronised and updated again
    EXPECT_EQ(controller->consecutiveEmptyEnabledConfigurations(), 2);
}

TEST_F(PanelControllerTest, FallbackCameraFiveSecondsAfterTheFirstRequestDespiteUpdates) {
    start({camera("A"), camera("B")});  // A enabled
    unplug("A");
    turn();
    controller->show();  // t = 0: A missing, B connected but disabled
    EXPECT_EQ(controller->panelCount(), 0u);
    EXPECT_TRUE(controller->isFallbackPending());
    clock.scheduler.advance(2.0);                             // show retries ran in between
    store->setPosition(AppSettings::Position::topLeft, "B");  // another update at t = 2
    turn();
    clock.scheduler.advance(2.99);
    EXPECT_EQ(controller->panelCount(), 0u);
    clock.scheduler.advance(0.01);  // t = 5
    ASSERT_EQ(controller->panelCount(), 1u);
    EXPECT_NE(controller->panel("B"), nullptr);
    EXPECT_EQ(store->temporaryFallbackCameraID(), std::optional<QString>("B"));

    // The preferred camera returns: the store gives the fallback back.
    plug(camera("A"));
    turn();
    EXPECT_NE(controller->panel("A"), nullptr);
    EXPECT_EQ(controller->panel("B"), nullptr);
}

TEST_F(PanelControllerTest, HideRightAfterShowCancelsEverything) {
    start({camera("A"), camera("B")});
    unplug("A");
    turn();
    controller->show();
    EXPECT_TRUE(controller->isShowRetryPending());
    EXPECT_TRUE(controller->isFallbackPending());
    controller->hide();
    EXPECT_FALSE(controller->isShowRetryPending());
    EXPECT_FALSE(controller->isFallbackPending());
    const int calls = providerCalls;
    clock.scheduler.advance(10);
    EXPECT_EQ(providerCalls, calls);
    EXPECT_EQ(controller->panelCount(), 0u);
    EXPECT_FALSE(store->temporaryFallbackCameraID());
}

TEST_F(PanelControllerTest, HideShutsDownEveryCameraAndClosesEveryPanel) {
    start({camera("A"), camera("B")});
    store->setEnabled(true, "B");
    controller->show();
    PanelWindow* a = controller->panel("A");
    controller->hide();
    EXPECT_EQ(controller->panelCount(), 0u);
    EXPECT_EQ(controller->cameraViewModelCount(), 0u);
    EXPECT_EQ(log.shutdowns["A"], 1);
    EXPECT_EQ(log.shutdowns["B"], 1);
    EXPECT_EQ(log.destroyed, log.created);
    EXPECT_FALSE(a->isVisible());
    controller->hide();  // repeatable
    // A change while off closes nothing more and starts nothing.
    store->setPosition(AppSettings::Position::topLeft, "A");
    turn();
    EXPECT_EQ(controller->panelCount(), 0u);
    EXPECT_EQ(log.starts["A"], 1);
}

TEST_F(PanelControllerTest, OrphanedPanelWindowsAreClosed) {
    start({camera("A")});
    PanelWindow stray;
    stray.show();
    controller->show();
    EXPECT_FALSE(stray.isVisible());
    EXPECT_EQ(controller->panelCount(), 1u);
    EXPECT_TRUE(controller->panel("A")->isVisible());
}

TEST_F(PanelControllerTest, FailedCameraIsNotRestartedByUpdates) {
    start({camera("A"), camera("B")});
    store->setEnabled(true, "B");
    controller->show();
    auto* a = static_cast<FakeCamera*>(controller->cameraViewModel("A"));
    a->running = false;
    a->failed = true;
    store->setPosition(AppSettings::Position::topLeft, "A");
    turn();
    EXPECT_EQ(log.starts["A"], 1);
}

// Access refused when the desktop asked: no camera is listed, and the
// enabled camera still gets its panel (which says access is missing), not a
// fallback and not a start.
TEST_F(PanelControllerTest, RefusedAccessStillShowsTheEnabledCamerasPanel) {
    struct Refusing final : CaptureService {
        CameraAuthorization status = CameraAuthorization::notDetermined;
        CameraAuthorization authorizationStatus() override { return status; }
        void requestAccess(std::function<void(bool)> answer) override { answer(false); }
        std::shared_ptr<CaptureDeviceInput> makeInput(const QString&, QString*) override {
            return nullptr;
        }
    } service;
    CaptureService::setShared(&service);
    start({camera("A"), camera("B")});  // A enabled
    unplug("A");
    unplug("B");
    turn();
    controller->show();  // the question is still open: waiting for a camera
    EXPECT_EQ(controller->panelCount(), 0u);
    EXPECT_TRUE(controller->isFallbackPending());

    service.status = CameraAuthorization::denied;
    center.post(Notifications::cameraAccessRefused);
    EXPECT_EQ(controller->panelCount(), 0u);  // on a later turn
    turn();
    ASSERT_EQ(controller->panelCount(), 1u);
    EXPECT_NE(controller->panel("A"), nullptr);
    EXPECT_EQ(log.starts["A"], 0);
    EXPECT_FALSE(controller->isFallbackPending());
    clock.scheduler.advance(10);
    EXPECT_EQ(controller->panelCount(), 1u);
    controller->hide();
    CaptureService::setShared(nullptr);
}

TEST_F(PanelControllerTest, SavedOriginIsUsedAndPulledBackOnScreen) {
    start({camera("A")});
    store->setWindowOrigin(200, 300, "A");
    controller->show();
    PanelWindow* a = controller->panel("A");
    ASSERT_TRUE(a);
    EXPECT_EQ(WindowPlacement::frameOf(a).topLeft(), QPointF(200, 300));
    // An origin off every screen lands in the main screen's visible frame.
    store->setWindowOrigin(-9000, 9000, "A");
    turn();
    const QRectF frame = WindowPlacement::frameOf(a);
    EXPECT_EQ(frame.topLeft(), QPointF(0, 900 - frame.height()));
    // A hand-edited, absurd origin is bounded before it becomes a window position.
    store->setWindowOrigin(1e308, -1e308, "A");
    turn();
    EXPECT_EQ(WindowPlacement::frameOf(a).topLeft(), QPointF(1440 - frame.width(), 25));
}

TEST_F(PanelControllerTest, CustomPositionWithoutOriginCentresOnTheActiveScreen) {
    start({camera("A")});
    store->setPosition(AppSettings::Position::custom, "A");
    screens.pointer = QPointF(2000, 500);  // on R
    controller->show();
    PanelWindow* a = controller->panel("A");
    ASSERT_TRUE(a);
    EXPECT_EQ(WindowPlacement::frameOf(a).center(), QPointF(1440 + 640, 512));
}

TEST_F(PanelControllerTest, DraggingAPanelStoresItsOriginAsCustom) {
    start({camera("A")});
    controller->show();
    PanelWindow* a = controller->panel("A");
    ASSERT_TRUE(a);
    const QPoint start = a->pos();
    const QPointF local(20, 20);
    const QPointF global = QPointF(start) + local;
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::MetaModifier);
    QApplication::sendEvent(a, &press);
    EXPECT_TRUE(a->isDragging());
    EXPECT_EQ(a->cursor().shape(), Qt::ClosedHandCursor);
    QMouseEvent move(QEvent::MouseMove, local, global + QPointF(-200, -100), Qt::NoButton,
                     Qt::LeftButton, Qt::MetaModifier);
    QApplication::sendEvent(a, &move);
    EXPECT_EQ(a->pos(), start + QPoint(-200, -100));
    QMouseEvent release(QEvent::MouseButtonRelease, local, global + QPointF(-200, -100),
                        Qt::LeftButton, Qt::NoButton, Qt::MetaModifier);
    QApplication::sendEvent(a, &release);
    EXPECT_EQ(a->cursor().shape(), Qt::ArrowCursor);
    const auto c = store->configuration("A");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->position, AppSettings::Position::custom);
    const QRectF frame = WindowPlacement::frameOf(a);
    EXPECT_EQ(c->windowOriginX, frame.x());
    EXPECT_EQ(c->windowOriginY, frame.y());
    // The re-placement after the change keeps the panel where it was dropped.
    turn();
    EXPECT_EQ(WindowPlacement::frameOf(a), frame);
}

TEST_F(PanelControllerTest, AResizedPanelIsGivenItsNewSizeInItsPlaceInOneStep) {
    start({camera("A"), camera("B")});
    store->setEnabled(true, "B");
    store->setWindowOrigin(200, 300, "B");
    controller->show();
    PanelWindow* a = controller->panel("A");
    PanelWindow* b = controller->panel("B");
    ASSERT_TRUE(a && b);
    QApplication::processEvents();
    const QRectF visible = screens.list[0].visibleFrame;
    const auto corner = [&](QSizeF size) {
        return WindowPlacement::placedFrame(size, AppSettings::Position::bottomRight, visible);
    };
    ASSERT_EQ(WindowPlacement::frameOf(a), corner(QSizeF(300, 300)));
    FrameLog logA(a);
    FrameLog logB(b);
    // Growing, then shrinking below the first size; the change reaches the
    // controller on a later turn, as a store change does.
    for (const QSize size : {QSize(420, 380), QSize(500, 520), QSize(240, 180)}) {
        parts->contents["A"]->resizeTo(size);
        parts->contents["B"]->resizeTo(size);
        QApplication::processEvents();
        turn();
        QApplication::processEvents();
        EXPECT_EQ(WindowPlacement::frameOf(a), corner(QSizeF(size)));
        EXPECT_EQ(WindowPlacement::frameOf(b), QRectF(QPointF(200, 300), QSizeF(size)));
        EXPECT_EQ(parts->contents["A"]->size(), size);
    }
    // No frame on the way was at a new size in an old place.
    ASSERT_FALSE(logA.frames.isEmpty());
    for (const QRectF& frame : logA.frames) {
        EXPECT_EQ(frame, corner(frame.size())) << "corner panel";
    }
    ASSERT_FALSE(logB.frames.isEmpty());
    for (const QRectF& frame : logB.frames) {
        EXPECT_EQ(frame.topLeft(), QPointF(200, 300)) << "saved-origin panel";
    }
}

TEST_F(PanelControllerTest, AResizeDuringADragKeepsTheGrabbedPlace) {
    start({camera("A")});
    controller->show();
    PanelWindow* a = controller->panel("A");
    ASSERT_TRUE(a);
    const QPointF local(20, 20);
    const QPointF global = QPointF(a->pos()) + local;
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::MetaModifier);
    QApplication::sendEvent(a, &press);
    QMouseEvent move(QEvent::MouseMove, local, global + QPointF(-300, -200), Qt::NoButton,
                     Qt::LeftButton, Qt::MetaModifier);
    QApplication::sendEvent(a, &move);
    const QPointF held = WindowPlacement::frameOf(a).topLeft();
    parts->contents["A"]->resizeTo(QSize(360, 340));
    QApplication::processEvents();
    EXPECT_EQ(WindowPlacement::frameOf(a), QRectF(held, QSizeF(360, 340)));
    QMouseEvent release(QEvent::MouseButtonRelease, local, global + QPointF(-300, -200),
                        Qt::LeftButton, Qt::NoButton, Qt::MetaModifier);
    QApplication::sendEvent(a, &release);
}

// Screens that go and come back: the panels stay fully on a remaining screen
// meanwhile and return to their places afterwards; the stored place never changes.
TEST_F(PanelControllerTest, PanelsOfAScreenThatGoesMoveOntoARemainingOneAndComeBack) {
    const ScreenInfo right = screens.list[1];
    auto setScreens = [&](QList<ScreenInfo> list) {
        screens.list = std::move(list);
        center.post(Notifications::screensChanged);
        turn();
    };
    auto inside = [](const QRectF& frame, const QRectF& visible) {
        return visible.contains(frame);
    };
    start({camera("A"), camera("B")});
    store->setEnabled(true, "B");
    store->setWindowOrigin(2300, 600, "A");  // on R, beyond L's width
    store->setPosition(AppSettings::Position::bottomRight, "B");
    screens.pointer = QPointF(2000, 500);  // B's corner is chosen on R
    controller->show();
    turn();  // the reactions to the settings above
    PanelWindow* a = controller->panel("A");
    PanelWindow* b = controller->panel("B");
    ASSERT_TRUE(a && b);
    const QRectF aHome = WindowPlacement::frameOf(a);
    const QRectF bHome = WindowPlacement::frameOf(b);
    ASSERT_EQ(aHome.topLeft(), QPointF(2300, 600));
    ASSERT_TRUE(inside(bHome, right.visibleFrame));
    EXPECT_EQ(controller->homeScreen("B"), "R");

    setScreens({screens.list[0]});
    const QRectF l = screens.list[0].visibleFrame;
    const QRectF aAway = WindowPlacement::frameOf(a);
    EXPECT_TRUE(inside(aAway, l)) << aAway.x() << "," << aAway.y();
    // Clamped as a drag onto the edge would be: to L's right edge, height kept.
    EXPECT_EQ(aAway.topLeft(), QPointF(l.right() - aAway.width(), 600));
    EXPECT_EQ(WindowPlacement::frameOf(b),
              WindowPlacement::placedFrame(bHome.size(), AppSettings::Position::bottomRight, l));
    const auto stored = store->configuration("A");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->windowOriginX, 2300.0);
    EXPECT_EQ(stored->windowOriginY, 600.0);
    EXPECT_EQ(store->configuration("B")->position, AppSettings::Position::bottomRight);

    // Back, while the pointer is on L: each panel returns to R.
    screens.pointer = QPointF(100, 100);
    setScreens({screens.list[0], right});
    EXPECT_EQ(WindowPlacement::frameOf(a), aHome);
    EXPECT_EQ(WindowPlacement::frameOf(b), bHome);
    EXPECT_EQ(controller->homeScreen("B"), "R");

    // A screen returning smaller than the stored origin needs keeps A clamped on it.
    setScreens({screens.list[0]});
    ScreenInfo narrow = right;
    narrow.frame = narrow.visibleFrame = QRectF(1440, 0, 1000, 1024);
    setScreens({screens.list[0], narrow});
    const QRectF aNarrow = WindowPlacement::frameOf(a);
    EXPECT_TRUE(inside(aNarrow, narrow.visibleFrame) || inside(aNarrow, l));
    EXPECT_NE(aNarrow, aHome);
}

TEST_F(PanelControllerTest, ScreenChangesLeaveHiddenPanelsAndUnmovedPanelsAlone) {
    start({camera("A")});
    store->setWindowOrigin(200, 300, "A");
    controller->show();
    PanelWindow* a = controller->panel("A");
    ASSERT_TRUE(a);
    FrameLog frames(a);
    // A screen away from the panel goes: nothing to move.
    screens.list = {screens.list[0]};
    center.post(Notifications::screensChanged);
    turn();
    EXPECT_TRUE(frames.frames.isEmpty());
    controller->hide();
    screens.list = {};
    center.post(Notifications::screensChanged);
    turn();
    EXPECT_EQ(controller->panelCount(), 0u);
}
