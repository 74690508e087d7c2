// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "panels/content/ContentView.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/ManualScheduler.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace mirelon {
namespace {

class FakeCamera : public ContentCameraSource {
public:
    CameraModelState s;
    int starts = 0;
    int stops = 0;
    QImage frame;

    CameraModelState state() const override { return s; }
    void startCamera() override {
        ++starts;
        s.captureFailureMessage.reset();
        s.isSessionRunning = s.isGranted;
        Q_EMIT stateChanged();
    }
    void stopCamera() override {
        ++stops;
        s.isSessionRunning = false;
        Q_EMIT stateChanged();
    }
    VideoFrame latestFrame() const override { return frame; }
    void set(const CameraModelState& state) {
        s = state;
        Q_EMIT stateChanged();
    }
};

class ContentViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        defaults = std::make_unique<PreferencesFile>(dir.filePath("defaults.json"), center);
        store = std::make_unique<CameraDeviceSettingsStore>(
            *defaults, [this] { return devices; }, center);
        ASSERT_TRUE(store->configuration("cam1")->isEnabled);
        ASSERT_FALSE(store->configuration("cam2")->isEnabled);
    }

    void makeView(bool live = true) {
        if (live) {
            camera.s = CameraModelState{true, true, std::nullopt};
        }
        view = std::make_unique<ContentView>("cam1", &camera, *store, *defaults, &input, nullptr,
                                             center);
        view->setHostWindowAttached(true);
    }
    void hoverCamera() { input.setPointerPosition(view->cameraFrameRect().center()); }
    void leave() { input.setPointerPosition(std::nullopt); }
    void setDevices(QList<AvailableCameraDevice> list) {
        devices = std::move(list);
        store->syncWithConnectedCameras();
    }
    void advance(double s) { clock.scheduler.advance(s); }

    QTemporaryDir dir;
    EventBus center;
    std::unique_ptr<PreferencesFile> defaults;
    QList<AvailableCameraDevice> devices{{"cam1", "Desk Camera", true}, {"cam2", "Other", false}};
    std::unique_ptr<CameraDeviceSettingsStore> store;
    ScopedManualScheduler clock;
    FakeCamera camera;
    ContentInputState input;
    std::unique_ptr<ContentView> view;
};

TEST_F(ContentViewTest, LivePanelDerivesHoverAndCommandState) {
    makeView();
    const ContentDerived& d = view->derived();
    EXPECT_TRUE(d.enabled && d.available && d.live);
    EXPECT_FALSE(d.failed);
    EXPECT_TRUE(d.shimmerShown);
    EXPECT_EQ(d.contentOpacity, 1.0);
    EXPECT_EQ(view->ignoresMouseEvents(), true);

    hoverCamera();
    EXPECT_TRUE(view->derived().hoverActive);
    EXPECT_TRUE(view->derived().hoverFaded);
    EXPECT_FALSE(view->derived().shimmerShown);
    EXPECT_DOUBLE_EQ(view->derived().contentOpacity, 0.3);
    EXPECT_DOUBLE_EQ(view->textView()->contentOpacity(), 0.3);
    EXPECT_DOUBLE_EQ(view->renderer().style().opacity, 0.3);
    EXPECT_EQ(view->ignoresMouseEvents(), true);  // hovering alone does not grab

    input.setCommandKeyPressed(true);
    EXPECT_TRUE(view->derived().commandActive);
    EXPECT_FALSE(view->derived().hoverFaded);
    EXPECT_EQ(view->derived().contentOpacity, 1.0);
    EXPECT_EQ(view->ignoresMouseEvents(), false);
    EXPECT_FALSE(view->commandHintVisible());
    hoverCamera();  // a move with the key held shows the open hand
    EXPECT_EQ(view->cursor().shape(), Qt::OpenHandCursor);

    input.setCommandKeyPressed(false);
    EXPECT_EQ(view->ignoresMouseEvents(), true);
    leave();
    EXPECT_FALSE(view->derived().hovered);
    EXPECT_TRUE(view->derived().shimmerShown);
}

TEST_F(ContentViewTest, HoverOpacityZeroHidesPictureTextAndHint) {
    Preferences(*defaults).setHoverOpacity(0.0);
    makeView();
    hoverCamera();
    EXPECT_EQ(view->derived().contentOpacity, 0.0);
    EXPECT_EQ(view->textView()->contentOpacity(), 0.0);
    EXPECT_FALSE(view->derived().shimmerShown);
    EXPECT_TRUE(view->derived().hintShown);  // laid out ...
    advance(0.5);
    EXPECT_EQ(view->hintOpacity(), 0.0);  // ... but invisible
}

TEST_F(ContentViewTest, HintFadesInStaysThreeSecondsAndFadesOut) {
    makeView();
    hoverCamera();
    EXPECT_TRUE(view->commandHintVisible());
    EXPECT_EQ(view->hintOpacity(), 0.0);
    advance(0.1);
    EXPECT_GT(view->hintOpacity(), 0.1);
    EXPECT_LT(view->hintOpacity(), 0.7);
    advance(0.15);
    EXPECT_DOUBLE_EQ(view->hintOpacity(), 0.8);
    advance(2.74);  // 2.99 s
    EXPECT_TRUE(view->commandHintVisible());
    advance(0.02);
    EXPECT_FALSE(view->commandHintVisible());
    EXPECT_FALSE(view->isCommandHintPending());
    advance(0.2);  // the hide fade lasts 0.3 s
    EXPECT_GT(view->hintOpacity(), 0.0);
    advance(0.11);
    EXPECT_EQ(view->hintOpacity(), 0.0);
}

TEST_F(ContentViewTest, ReenteringWithinThreeSecondsRestartsThePeriod) {
    makeView();
    hoverCamera();
    advance(1.0);
    leave();
    EXPECT_FALSE(view->commandHintVisible());
    advance(1.0);
    hoverCamera();  // 2 s after the first entry
    EXPECT_TRUE(view->commandHintVisible());
    advance(2.5);  // 4.5 s after the first entry, 2.5 s after the second
    EXPECT_TRUE(view->commandHintVisible());
    advance(0.6);
    EXPECT_FALSE(view->commandHintVisible());
}

TEST_F(ContentViewTest, HintHidesWhenKeyGoesDownPreferenceTurnsOffOrSessionStops) {
    makeView();
    hoverCamera();
    input.setCommandKeyPressed(true);
    EXPECT_FALSE(view->commandHintVisible());
    input.setCommandKeyPressed(false);
    EXPECT_TRUE(view->commandHintVisible());

    Preferences(*defaults).setMoveHintEnabled(false);
    EXPECT_FALSE(view->commandHintVisible());
    EXPECT_FALSE(view->isCommandHintPending());
    Preferences(*defaults).setMoveHintEnabled(true);
    EXPECT_TRUE(view->commandHintVisible());

    camera.set(CameraModelState{true, false, std::nullopt});
    EXPECT_FALSE(view->commandHintVisible());
    EXPECT_FALSE(view->derived().hovered);  // the picture and its hover are gone
}

TEST_F(ContentViewTest, CommandKeyIsReadWhenTheCameraBecomesLive) {
    camera.s = CameraModelState{true, false, std::nullopt};
    makeView(false);
    input.setCommandKeyPressed(true);  // no watch yet: ignored
    EXPECT_FALSE(view->inputs().isCommandKeyPressed);
    camera.set(CameraModelState{true, true, std::nullopt});
    EXPECT_TRUE(view->inputs().isCommandKeyPressed);
    hoverCamera();
    EXPECT_EQ(view->ignoresMouseEvents(), false);
}

TEST_F(ContentViewTest, DisabledConfigurationLaysOutOnlyTheCaption) {
    store->setEnabled(true, "cam2");  // the last enabled camera cannot be switched off
    store->setEnabled(false, "cam1");
    camera.s = CameraModelState{true, false, std::nullopt};
    makeView(false);
    EXPECT_FALSE(view->derived().enabled);
    EXPECT_EQ(view->ignoresMouseEvents(), true);
    const QSize text = view->textView()->sizeHint();
    EXPECT_EQ(view->naturalSize(), QSize(70 + text.width(), 70 + text.height()));
    EXPECT_FALSE(view->cameraContains(QPointF(view->naturalSize().width() / 2.0, 40)));
    EXPECT_EQ(view->derived().status, StatusCard::none);
}

TEST_F(ContentViewTest, LayoutStacksFrameAndCaptionInsideThePadding) {
    store->updateAppearance("cam1", &CameraAppearanceSettings::aspectRatio,
                            AppSettings::AspectRatio::sixteenbynine);
    makeView();
    EXPECT_EQ(view->cameraFrameRect().size(), QSizeF(200, 112.5));
    EXPECT_EQ(view->cameraFrameRect().top(), 35);
    EXPECT_NEAR(view->textRect().top(), 35 + 112.5 + 8, 0.5);
    store->updateAppearance("cam1", &CameraAppearanceSettings::yAngle, -30.0);
    EXPECT_EQ(view->cameraFrameRect().top(), 85);
    EXPECT_EQ(view->naturalSize().width(), 85 * 2 + 200);
    // Turning the caption off keeps the size.
    const QSize before = view->naturalSize();
    Preferences(*defaults).setTextVisible(false);
    EXPECT_EQ(view->naturalSize(), before);
}

TEST_F(ContentViewTest, FirstRenderStartsNothingButChangesReact) {
    camera.s = CameraModelState{true, false, std::nullopt};
    store->setEnabled(true, "cam2");  // so that cam1 may be switched off
    makeView(false);
    EXPECT_EQ(camera.starts, 0);
    EXPECT_EQ(camera.stops, 0);

    store->setEnabled(false, "cam1");
    EXPECT_EQ(camera.starts, 0);
    store->setEnabled(true, "cam1");
    EXPECT_EQ(camera.starts, 1);
    EXPECT_TRUE(view->derived().live);
    store->setEnabled(false, "cam1");
    EXPECT_EQ(camera.stops, 1);

    store->setEnabled(true, "cam1");
    EXPECT_EQ(camera.starts, 2);
    setDevices({{"cam2", "Other", false}});  // unplugged while running
    EXPECT_FALSE(view->derived().available);
    EXPECT_EQ(camera.stops, 2);
    setDevices({{"cam1", "Desk Camera", true}, {"cam2", "Other", false}});
    EXPECT_TRUE(view->derived().available);
    EXPECT_EQ(camera.starts, 3);
    EXPECT_TRUE(view->derived().live);
}

TEST_F(ContentViewTest, UnpluggedCameraShowsAnEmptyFrameWithoutStatusCard) {
    makeView();
    setDevices({{"cam2", "Other", false}});
    EXPECT_FALSE(view->derived().live);
    EXPECT_FALSE(view->derived().failed);
    EXPECT_FALSE(view->derived().shimmerShown);
    EXPECT_EQ(view->derived().status, StatusCard::none);
    EXPECT_TRUE(view->derived().enabled);
    EXPECT_GT(view->cameraFrameRect().width(), 0);
    EXPECT_EQ(view->ignoresMouseEvents(), true);  // enabled, granted: clicks pass
}

TEST_F(ContentViewTest, CaptureFailureShowsUnavailableCardAndFallsBack) {
    int opened = 0;
    QList<std::pair<StatusCard, QString>> made;
    std::function<void()> cardAction;
    makeView();
    view->setOpenSettings([&] { ++opened; });
    view->setStatusCardFactory([&](StatusCard card, double size, const QString& name,
                                   std::function<void()> action, QWidget* parent) {
        made.append({card, name});
        EXPECT_EQ(size, 1.0);
        cardAction = action;
        return new QWidget(parent);
    });
    camera.set(CameraModelState{true, false, QStringLiteral("Camera could not be started.")});
    EXPECT_TRUE(view->derived().failed);
    EXPECT_EQ(view->ignoresMouseEvents(), false);
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(made[0].first, StatusCard::unavailable);
    EXPECT_EQ(made[0].second, QStringLiteral("Desk Camera"));
    ASSERT_NE(view->statusCard(), nullptr);
    EXPECT_EQ(QRectF(view->statusCard()->geometry()), view->cameraFrameRect());
    // The store was asked for another connected camera.
    EXPECT_TRUE(store->configuration("cam2")->isEnabled);

    cardAction();
    EXPECT_EQ(Preferences(*defaults).selectedSettingsTab(), QStringLiteral("camera"));
    EXPECT_EQ(opened, 1);
}

TEST_F(ContentViewTest, BusyCameraShowsItsOwnCardThatOpensTheCameraSettings) {
    int opened = 0;
    QList<StatusCard> made;
    std::function<void()> cardAction;
    makeView();
    view->setOpenSettings([&] { ++opened; });
    view->setStatusCardFactory(
        [&](StatusCard card, double, const QString&, std::function<void()> action, QWidget* p) {
            made.append(card);
            cardAction = action;
            return new QWidget(p);
        });
    camera.set(
        CameraModelState{true, false, QStringLiteral("Camera is in use by another app."), true});
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(made[0], StatusCard::busy);
    EXPECT_EQ(view->ignoresMouseEvents(), false);
    cardAction();
    EXPECT_EQ(opened, 1);
    // The other app let go: the card goes with the failure.
    camera.set(CameraModelState{true, true, std::nullopt, false});
    EXPECT_EQ(view->statusCard(), nullptr);
}

TEST_F(ContentViewTest, MissingPermissionShowsThePermissionCardAndTakesClicks) {
    int privacy = 0;
    StatusCard made = StatusCard::none;
    camera.s = CameraModelState{false, false, std::nullopt};
    makeView(false);
    view->setOpenCameraPrivacySettings([&] { ++privacy; });
    std::function<void()> cardAction;
    view->setStatusCardFactory(
        [&](StatusCard card, double, const QString&, std::function<void()> action, QWidget* p) {
            made = card;
            cardAction = action;
            return new QWidget(p);
        });
    EXPECT_EQ(made, StatusCard::permission);
    EXPECT_EQ(view->ignoresMouseEvents(), false);
    cardAction();
    EXPECT_EQ(privacy, 1);
    camera.set(CameraModelState{true, true, std::nullopt});
    EXPECT_EQ(view->statusCard(), nullptr);
    EXPECT_EQ(view->ignoresMouseEvents(), true);
}

TEST_F(ContentViewTest, PointerOverAShownCaptionCountsAsHover) {
    makeView();
    // The caption is off (the default): the room kept for it is not the caption.
    ASSERT_FALSE(view->textView()->captionStyle().shown);
    ASSERT_FALSE(view->textRect().isEmpty());
    input.setPointerPosition(view->textRect().center());
    EXPECT_FALSE(view->inputs().isHoveringText);
    EXPECT_FALSE(view->derived().hovered);
    EXPECT_FALSE(view->commandHintVisible());
    input.setCommandKeyPressed(true);
    EXPECT_EQ(view->ignoresMouseEvents(), true);  // Super there does not grab the panel
    input.setCommandKeyPressed(false);
    leave();

    store->updateAppearance("cam1", &CameraAppearanceSettings::textEnabled, true);
    input.setPointerPosition(view->textRect().center());
    EXPECT_TRUE(view->inputs().isHoveringText);
    EXPECT_FALSE(view->inputs().isHoveringCamera);
    EXPECT_TRUE(view->derived().hoverActive);
    input.setPointerPosition(QPointF(1, 1));  // in the padding
    EXPECT_FALSE(view->derived().hovered);
}

TEST(ContentDecisions, WindowInteractivityFollowsTheSteps) {
    ContentInputs in;
    EXPECT_FALSE(windowIgnoresMouseEvents(false, in).has_value());
    EXPECT_EQ(windowIgnoresMouseEvents(true, in), true);  // no configuration
    CameraDeviceConfiguration c;
    c.id = "x";
    c.isEnabled = true;
    in.configuration = c;
    in.available = true;
    in.model = {true, true, std::nullopt};
    EXPECT_EQ(windowIgnoresMouseEvents(true, in), true);
    in.isCommandKeyPressed = true;
    EXPECT_EQ(windowIgnoresMouseEvents(true, in), true);  // key without hover
    in.isHoveringText = true;
    EXPECT_EQ(windowIgnoresMouseEvents(true, in), false);
    in.model = {true, false, QStringLiteral("Camera is unavailable.")};
    EXPECT_EQ(windowIgnoresMouseEvents(true, in), false);
    in.available = false;  // not available: the message no longer counts
    EXPECT_EQ(windowIgnoresMouseEvents(true, in), true);
    in.model.isGranted = false;
    EXPECT_EQ(windowIgnoresMouseEvents(true, in), false);
    in.configuration->isEnabled = false;
    EXPECT_EQ(windowIgnoresMouseEvents(true, in), true);
}

TEST(ContentDecisions, HintIgnoresAvailability) {
    ContentInputs in;
    CameraDeviceConfiguration c;
    c.isEnabled = true;
    in.configuration = c;
    in.model = {true, true, std::nullopt};
    in.isHoveringCamera = true;
    in.available = false;
    EXPECT_TRUE(shouldShowCommandHint(in));
    in.moveHintEnabled = false;
    EXPECT_FALSE(shouldShowCommandHint(in));
    EXPECT_EQ(hintTextOpacity(0.0), 0.0);
    EXPECT_EQ(hintTextOpacity(0.01), 0.8);
}

}  // namespace
}  // namespace mirelon
