// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/FrameAgeStats.h"
#include "panels/content/ContentCameraSource.h"
#include "panels/content/ContentState.h"
#include "panels/content/FadeAnimation.h"
#include "panels/content/PictureRenderer.h"
#include "panels/content/ShadowRenderer.h"
#include "panels/content/TextView.h"
#include "platform/qt/EventBus.h"
#include "platform/qt/Scheduler.h"

#include <QPainterPath>
#include <QPointer>
#include <QPolygonF>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

namespace mirelon {

class CameraDeviceSettingsStore;
class PreferencesFile;

// What one camera panel shows: the camera block (shimmer, picture with its
// appearance chain, status card, move hint; clipped to the shape, bordered,
// tilted) above the caption, with the drop shadow and the padding round both.
// It also decides when its window lets clicks through, runs the move hint and
// starts or stops the camera when its configuration or availability changes.
class ContentView : public QWidget {
    Q_OBJECT
public:
    enum class HoverPhase { active, ended };
    enum class HoverTarget { camera, text };
    // Makes the status card widget for a state (never called with none).
    using StatusCardFactory =
        std::function<QWidget*(StatusCard card, double size, const QString& cameraName,
                               std::function<void()> onOpenSettings, QWidget* parent)>;

    ContentView(QString cameraDeviceID, ContentCameraSource* model,
                CameraDeviceSettingsStore& store, PreferencesFile& defaults,
                ContentInputState* input, QWidget* parent = nullptr,
                EventBus& center = EventBus::shared());
    ~ContentView() override;

    const QString& cameraDeviceID() const { return cameraDeviceID_; }

    // Opens the settings window (after "selectedSettingsTab" was set).
    void setOpenSettings(std::function<void()> action) { openSettings_ = std::move(action); }
    // Opens the help on camera access (the permission card's button).
    void setOpenCameraPrivacySettings(std::function<void()> action) {
        openPrivacySettings_ = std::move(action);
    }
    void setStatusCardFactory(StatusCardFactory factory);

    // The hosting window is known (or gone). Knowing it runs the interactivity decision.
    void setHostWindowAttached(bool attached);
    bool hasHostWindow() const { return hasHostWindow_; }
    // The last decision for the window: none until a window is attached.
    std::optional<bool> ignoresMouseEvents() const { return ignoresMouseEvents_; }

    void updateWindowInteractivity();
    void scheduleCommandHintIfNeeded();
    void handleContinuousHover(HoverPhase phase, HoverTarget target);
    // The command-key report (taken only while the camera is live).
    void setCommandKeyPressed(bool pressed);

    const ContentInputs& inputs() const { return inputs_; }
    const ContentDerived& derived() const { return derived_; }
    bool commandHintVisible() const { return commandHintVisible_; }
    bool isCommandHintPending() const { return hintWorkItem_.isPending(); }
    // Opacity the hint's text is drawn with now (fade included).
    double hintOpacity() const;
    // Opacity the shimmer is drawn with now (fade included).
    double shimmerOpacity() const;

    // In the content's coordinates.
    QRectF cameraFrameRect() const { return frameRect_; }
    QRectF textRect() const { return textRect_; }
    // The frame as it appears on screen (tilt included).
    QPolygonF cameraOutline() const;
    // The camera shape as it appears on screen, border included (empty when disabled).
    QPainterPath cameraShapePath() const;
    bool cameraContains(const QPointF& point) const;
    bool textContains(const QPointF& point) const;

    QSize naturalSize() const { return naturalSize_; }
    QSize sizeHint() const override { return naturalSize_; }

    TextView* textView() const { return textView_; }
    ContentCameraSource* cameraSource() const { return model_; }
    QWidget* statusCard() const { return statusCard_; }
    const PictureRenderer& renderer() const { return renderer_; }

Q_SIGNALS:
    void ignoresMouseEventsChanged(bool ignores);
    void naturalSizeChanged(QSize size);
    void cursorRequested(Qt::CursorShape shape);
    // The picture appeared or went (derived value "live").
    void liveChanged(bool live);
    // The frame or the caption moved or changed size.
    void layoutChanged();
    // What is drawn opaquely changed its outline: the natural size, the frame,
    // the shape, the border, the tilt, or the caption's place or visibility.
    // Sent at the end of the update that changed it, before anything is painted.
    void outlineChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void refresh();
    void refreshOnce();
    ContentInputs gatherInputs() const;
    void applyLayout();
    void applyPictureStyle();
    // Tells the camera how large, and which part of, the picture is shown.
    void tellWantedSource();
    // With frame logging on: how old the frame just rendered was.
    void noteFrameAge();
    void applyStatusCard();
    void applyAnimations();
    void fireReactions();
    void setCommandHintVisible(bool visible, double fadeDuration);
    void onPointerMoved();
    void onTick();
    bool needsTick() const;
    void ensureRendered();
    void ensureShadow();
    // Lets the renderer compose the shadow under the block into the block
    // while nothing lies between them, so that a frame is copied, not blended.
    void updateBackdrop();
    QTransform blockTransform() const;
    bool shimmerNeedsPainting() const;
    bool captionShown() const;
    // A tilted block draws its status card itself, through the block's
    // projection; the card widget then stays hidden and its buttons are
    // reached through the inverse projection.
    bool drawsStatusCard() const;
    void paintStatusCard(QPainter& painter);
    QWidget* statusCardButtonAt(const QPointF& point) const;

    QString cameraDeviceID_;
    QPointer<ContentCameraSource> model_;
    CameraDeviceSettingsStore& store_;
    PreferencesFile& defaults_;
    QPointer<ContentInputState> input_;
    std::function<void()> openSettings_;
    std::function<void()> openPrivacySettings_;
    StatusCardFactory statusCardFactory_;

    // View state.
    bool hasHostWindow_ = false;
    std::optional<bool> ignoresMouseEvents_;
    bool isHoveringCamera_ = false;
    bool isHoveringText_ = false;
    bool isCommandKeyPressed_ = false;
    bool commandHintVisible_ = false;
    TaskHandle hintWorkItem_;
    bool commandMonitorAttached_ = false;
    bool appeared_ = false;
    bool lastLive_ = false;

    ContentInputs inputs_;
    ContentDerived derived_;

    // Values whose changes trigger reactions (the first render sets them).
    struct Watched {
        bool isSessionRunning = false;
        std::optional<QString> captureFailureMessage;
        bool moveHintEnabled = true;
        bool isEnabled = false;
        bool available = false;
    };
    Watched watched_;

    bool inRefresh_ = false;
    bool refreshAgain_ = false;
    double hintFadeDuration_ = CommandHintTiming::showFade;

    // Layout, in the content's coordinates (points).
    QRectF frameRect_;
    QRectF textRect_;
    QRect pictureUpdateRect_;
    QSize naturalSize_;

    TextView* textView_ = nullptr;
    QPointer<QWidget> statusCard_;
    StatusCard statusCardKind_ = StatusCard::none;
    double statusCardSize_ = 0;
    QString statusCardName_;
    QImage statusCardImage_;
    bool statusCardImageDirty_ = true;
    QPointer<QWidget> pressedCardButton_;

    PictureRenderer renderer_;
    bool frameDirty_ = true;
    VideoFrame lastFrame_;
    FrameAgeStats frameAges_;

    FadeAnimation hintFade_;
    FadeAnimation shimmerFade_;
    double shimmerStart_ = 0;
    TaskHandle tick_;

    struct ShadowKey {
        QSize size;
        double dpr = 0;
        QRectF frameRect;
        QRectF textRect;
        PictureStyle style;
        double xAngle = 0, yAngle = 0, zAngle = 0;
        double radius = 0;
        int pictureAlpha = 0;  // 0...32
        int captionAlpha = 0;  // 0...32
        bool enabled = false;
        CaptionStyle caption;
        bool operator==(const ShadowKey&) const = default;
    };
    struct OutlineKey {
        QSize natural;
        QRectF frameRect;
        QRectF textRect;
        bool captionShown = false;
        bool enabled = false;
        double exponent = 0;
        double border = 0;
        double xAngle = 0, yAngle = 0, zAngle = 0;
        bool operator==(const OutlineKey&) const = default;
    };
    OutlineKey outlineKey_;

    ShadowKey shadowKey_;
    bool shadowValid_ = false;
    QImage shadow_;
    ShadowRenderer shadowRenderer_;
    qint64 backdropKey_ = 0;  // the shadow_ the renderer's backdrop is
    QPoint backdropOffset_;

    ObserverToken storeObserver_;
    ObserverToken defaultsObserver_;
};

}  // namespace mirelon
