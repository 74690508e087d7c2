// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/ContentView.h"

#include "config/CameraDeviceSettingsStore.h"
#include "config/ColorCodec.h"
#include "config/Preferences.h"
#include "panels/content/PanelGeometry.h"
#include "panels/content/ShimmerView.h"
#include "panels/content/SquircleShape.h"
#include "panels/content/TextView.h"
#include "panels/content/TiltProjection.h"
#include "platform/files/PreferencesFile.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRegion>

#include <algorithm>
#include <cmath>

namespace mirelon {
namespace {

// Spacing between the camera block and the caption.
constexpr double stackSpacing = 8.0;
// Repaint rate while a fade or the shimmer runs.
constexpr double animationInterval = 1.0 / 60.0;

const QColor standardGreen(52, 199, 89);

QColor borderColorOf(const CameraAppearanceSettings& appearance) {
    return colorFromHexString(appearance.borderColor).value_or(standardGreen);
}

}  // namespace

ContentView::ContentView(QString cameraDeviceID, ContentCameraSource* model,
                         CameraDeviceSettingsStore& store, PreferencesFile& defaults,
                         ContentInputState* input, QWidget* parent, EventBus& center)
    : QWidget(parent),
      cameraDeviceID_(std::move(cameraDeviceID)),
      model_(model),
      store_(store),
      defaults_(defaults),
      input_(input) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    textView_ = new TextView(this);

    storeObserver_ = center.addObserver(CameraDeviceSettingsStore::settingsChangedNotification,
                                        [this](const Notification&) { refresh(); });
    defaultsObserver_ = center.addObserver(Notifications::defaultsChanged,
                                           [this](const Notification&) { refresh(); });
    if (model_) {
        connect(model_, &ContentCameraSource::stateChanged, this, [this] { refresh(); });
        connect(model_, &ContentCameraSource::frameChanged, this, [this] {
            if (derived_.live) {
                frameDirty_ = true;
                update(pictureUpdateRect_);
            }
        });
    }
    if (input_) {
        connect(input_, &ContentInputState::pointerMoved, this, &ContentView::onPointerMoved);
        connect(input_, &ContentInputState::commandKeyReported, this,
                [this](bool pressed) { setCommandKeyPressed(pressed); });
    }

    // The first render: the watched values start here, without reactions.
    inputs_ = gatherInputs();
    watched_.isSessionRunning = inputs_.model.isSessionRunning;
    watched_.captureFailureMessage = inputs_.model.captureFailureMessage;
    watched_.moveHintEnabled = inputs_.moveHintEnabled;
    watched_.isEnabled = inputs_.configuration && inputs_.configuration->isEnabled;
    watched_.available = inputs_.available;
    refresh();
}

ContentView::~ContentView() {
    // Children (the camera source may be one) are destroyed after this body;
    // nothing they announce may reach this half-destroyed view.
    if (model_) {
        model_->disconnect(this);
    }
    if (input_) {
        input_->disconnect(this);
    }
    tick_.cancel();
    hintWorkItem_.cancel();
}

void ContentView::setStatusCardFactory(StatusCardFactory factory) {
    statusCardFactory_ = std::move(factory);
    if (statusCard_) {
        delete statusCard_;
    }
    statusCardKind_ = StatusCard::none;
    applyStatusCard();
}

ContentInputs ContentView::gatherInputs() const {
    ContentInputs in;
    in.configuration = store_.configuration(cameraDeviceID_);
    in.available = store_.isCameraDeviceAvailable(cameraDeviceID_);
    if (model_) {
        in.model = model_->state();
    }
    const Preferences prefs(defaults_);
    in.hoverOpacity = prefs.hoverOpacity();
    in.moveHintEnabled = prefs.moveHintEnabled();
    in.isHoveringCamera = isHoveringCamera_;
    in.isHoveringText = isHoveringText_;
    in.isCommandKeyPressed = isCommandKeyPressed_;
    in.commandHintVisible = commandHintVisible_;
    return in;
}

void ContentView::refresh() {
    if (inRefresh_) {
        refreshAgain_ = true;
        return;
    }
    inRefresh_ = true;
    int rounds = 0;
    do {
        refreshAgain_ = false;
        refreshOnce();
    } while (refreshAgain_ && ++rounds < 16);
    inRefresh_ = false;
}

void ContentView::refreshOnce() {
    inputs_ = gatherInputs();
    derived_ =
        ContentDerived::derive(inputs_, CameraAppearanceSettings::defaultSettings(defaults_));

    const Preferences prefs(defaults_);
    textView_->setCaptionStyle(CaptionStyle::from(derived_.appearance, prefs.textVisible()));
    textView_->setContentOpacity(derived_.contentOpacity);

    applyLayout();
    applyPictureStyle();
    applyStatusCard();
    applyAnimations();
    update();

    const CameraAppearanceSettings& a = derived_.appearance;
    const OutlineKey outline{naturalSize_,
                             frameRect_,
                             textRect_,
                             captionShown(),
                             derived_.enabled,
                             derived_.exponent,
                             AppearanceBounds::borderThickness(a.borderThickness),
                             AppearanceBounds::angle(a.xAngle),
                             AppearanceBounds::angle(a.yAngle),
                             AppearanceBounds::angle(a.zAngle)};
    if (!(outline == outlineKey_)) {
        outlineKey_ = outline;
        Q_EMIT outlineChanged();
    }

    fireReactions();

    // The picture tracks the pointer only while it is there.
    if (!derived_.live && isHoveringCamera_) {
        isHoveringCamera_ = false;
        refreshAgain_ = true;
    }
    // The command-key watch exists only while the camera is live; when it
    // appears it reports the current state at once.
    if (derived_.live && !commandMonitorAttached_) {
        commandMonitorAttached_ = true;
        // Without an input state the embedding's key watch reports the
        // current state as soon as it exists.
        isCommandKeyPressed_ = input_ ? input_->isCommandKeyPressed() : false;
        updateWindowInteractivity();
        scheduleCommandHintIfNeeded();
        refreshAgain_ = true;
    } else if (!derived_.live) {
        commandMonitorAttached_ = false;
    }
    if (derived_.live != lastLive_) {
        lastLive_ = derived_.live;
        Q_EMIT liveChanged(lastLive_);
    }
}

void ContentView::fireReactions() {
    const ContentInputs& in = inputs_;
    const bool isEnabled = in.configuration && in.configuration->isEnabled;
    const bool running = in.model.isSessionRunning;

    if (running != watched_.isSessionRunning) {
        watched_.isSessionRunning = running;
        updateWindowInteractivity();
        scheduleCommandHintIfNeeded();
    }
    if (in.model.captureFailureMessage != watched_.captureFailureMessage) {
        watched_.captureFailureMessage = in.model.captureFailureMessage;
        updateWindowInteractivity();
        if (in.model.captureFailureMessage && isEnabled && in.available) {
            store_.enableFallbackConnectedCamera(cameraDeviceID_, {});
        }
    }
    if (in.moveHintEnabled != watched_.moveHintEnabled) {
        watched_.moveHintEnabled = in.moveHintEnabled;
        scheduleCommandHintIfNeeded();
    }
    if (isEnabled != watched_.isEnabled) {
        watched_.isEnabled = isEnabled;
        updateWindowInteractivity();
        scheduleCommandHintIfNeeded();
        if (model_) {
            const bool sessionRunning = model_->state().isSessionRunning;
            if (isEnabled && store_.isCameraDeviceAvailable(cameraDeviceID_)) {
                if (!sessionRunning) {
                    model_->startCamera();
                }
            } else if (sessionRunning) {
                model_->stopCamera();
            }
        }
    }
    const bool available = store_.isCameraDeviceAvailable(cameraDeviceID_);
    if (available != watched_.available) {
        watched_.available = available;
        updateWindowInteractivity();
        scheduleCommandHintIfNeeded();
        const auto config = store_.configuration(cameraDeviceID_);
        if (model_ && config && config->isEnabled) {
            const bool sessionRunning = model_->state().isSessionRunning;
            if (available && !sessionRunning) {
                model_->startCamera();
            } else if (!available && sessionRunning) {
                model_->stopCamera();
            }
        }
    }
}

void ContentView::applyLayout() {
    const double pad = derived_.padding;
    const QSizeF text = textView_->naturalSize();
    const QSizeF frame = derived_.enabled ? derived_.frameSize : QSizeF(0, 0);
    const double innerWidth = std::max(frame.width(), text.width());
    const double blockHeight = derived_.enabled ? frame.height() + stackSpacing : 0.0;
    const QRectF oldFrame = frameRect_;
    const QRectF oldText = textRect_;
    const QSize natural(int(std::ceil(2 * pad + innerWidth)),
                        int(std::ceil(2 * pad + blockHeight + text.height())));
    const double left = (natural.width() - innerWidth) / 2.0;
    frameRect_ =
        QRectF(left + (innerWidth - frame.width()) / 2.0, pad, frame.width(), frame.height());
    textRect_ = QRectF(left + (innerWidth - text.width()) / 2.0, pad + blockHeight, text.width(),
                       text.height());
    // The caption widget sits on whole points; the drawing follows it.
    textView_->setGeometry(int(std::lround(textRect_.x())), int(std::lround(textRect_.y())),
                           textView_->sizeHint().width(), textView_->sizeHint().height());
    textRect_.moveTopLeft(textView_->geometry().topLeft());
    // What a new frame repaints: the block as it appears, border included.
    const double margin =
        AppearanceBounds::borderThickness(derived_.appearance.borderThickness) / 2 + 2;
    pictureUpdateRect_ = blockTransform()
                             .mapRect(frameRect_.adjusted(-margin, -margin, margin, margin))
                             .toAlignedRect();
    if (natural != naturalSize_) {
        naturalSize_ = natural;
        updateGeometry();
        resize(natural);
        Q_EMIT naturalSizeChanged(natural);
    }
    if (frameRect_ != oldFrame || textRect_ != oldText) {
        Q_EMIT layoutChanged();
    }
}

void ContentView::applyPictureStyle() {
    const CameraAppearanceSettings& a = derived_.appearance;
    PictureStyle style;
    style.frameSize = derived_.frameSize;
    style.devicePixelRatio = devicePixelRatioF();
    style.exponent = derived_.exponent;
    style.mirrored = a.cameraMirroringEnabled;
    style.zoom = AppearanceBounds::zoom(a.zoom);
    style.color = ColorMatrix::forAppearance(a);
    style.borderThickness = AppearanceBounds::borderThickness(a.borderThickness);
    style.borderColor = borderColorOf(a);
    style.opacity = derived_.contentOpacity;
    style.xAngle = AppearanceBounds::angle(a.xAngle);
    style.yAngle = AppearanceBounds::angle(a.yAngle);
    style.zAngle = AppearanceBounds::angle(a.zAngle);
    if (isTilted(style.xAngle, style.yAngle, style.zAngle)) {
        // The tilted block is cut to the content (relative to the frame).
        style.visibleArea =
            QRectF(QPointF(0, 0), QSizeF(naturalSize_)).translated(-frameRect_.topLeft());
    }
    if (!(style == renderer_.style())) {
        renderer_.setStyle(style);
        frameDirty_ = true;
    }
    tellWantedSource();
}

void ContentView::tellWantedSource() {
    if (model_) {
        model_->setWantedSize(derived_.enabled ? renderer_.wantedSourceSize() : QSize(),
                              renderer_.wantedSourceRegion());
    }
}

void ContentView::applyStatusCard() {
    const StatusCard kind = derived_.status;
    const double size = AppearanceBounds::cameraSize(derived_.appearance.cameraSize);
    const QString name =
        inputs_.configuration ? inputs_.configuration->name : tr("Selected camera");
    if (kind != statusCardKind_ || size != statusCardSize_ || name != statusCardName_ ||
        (kind != StatusCard::none && !statusCard_ && statusCardFactory_)) {
        if (statusCard_) {
            statusCard_->hide();
            statusCard_->deleteLater();
            statusCard_ = nullptr;
        }
        statusCardKind_ = kind;
        statusCardSize_ = size;
        statusCardName_ = name;
        if (kind != StatusCard::none && statusCardFactory_) {
            std::function<void()> action;
            if (kind == StatusCard::unavailable || kind == StatusCard::busy) {
                action = [this] {
                    Preferences(defaults_).setSelectedSettingsTab(QStringLiteral("camera"));
                    if (openSettings_) {
                        openSettings_();
                    }
                };
            } else {
                action = [this] {
                    if (openPrivacySettings_) {
                        openPrivacySettings_();
                    }
                };
            }
            statusCard_ = statusCardFactory_(kind, size, name, std::move(action), this);
            if (statusCard_) {
                statusCard_->show();
            }
        }
    }
    if (statusCard_) {
        const QRect r = frameRect_.toAlignedRect();
        statusCard_->setGeometry(r);
        // Inside the outline and the border's inner half, so the border stays whole.
        const double inset =
            AppearanceBounds::borderThickness(derived_.appearance.borderThickness) / 2;
        const QRectF inner(frameRect_.topLeft() - r.topLeft(), frameRect_.size());
        const QPainterPath outline =
            SquircleShape{derived_.exponent}.path(inner.adjusted(inset, inset, -inset, -inset));
        statusCard_->setMask(QRegion(outline.toFillPolygon().toPolygon()));
        statusCard_->raise();
        statusCard_->setVisible(blockTransform().isIdentity());
        statusCardImageDirty_ = true;
    }
}

void ContentView::applyAnimations() {
    const double now = Scheduler::main().now();
    const double hintTarget = derived_.hintShown ? 1.0 : 0.0;
    if (hintTarget != hintFade_.target()) {
        hintFade_.animateTo(hintTarget, hintFadeDuration_, now);
    }
    const double shimmerTarget = derived_.shimmerShown ? 1.0 : 0.0;
    if (shimmerTarget != shimmerFade_.target()) {
        if (shimmerTarget > 0 && shimmerFade_.value(now) <= 0) {
            shimmerStart_ = now;  // the sweep starts when the shimmer appears
        }
        shimmerFade_.animateTo(shimmerTarget, ShimmerView::fadeDuration, now);
    }
    if (needsTick() && !tick_.isPending()) {
        tick_ = Scheduler::main().scheduleRepeating(animationInterval, [this] { onTick(); });
    }
}

bool ContentView::needsTick() const {
    const double now = Scheduler::main().now();
    // The shimmer sweeps continuously while it can be seen.
    return hintFade_.isRunning(now) || shimmerFade_.isRunning(now) || shimmerNeedsPainting();
}

void ContentView::onTick() {
    update();
    if (!needsTick()) {
        tick_.cancel();
    }
}

double ContentView::hintOpacity() const {
    return hintFade_.value(Scheduler::main().now()) * hintTextOpacity(inputs_.hoverOpacity);
}

double ContentView::shimmerOpacity() const {
    return shimmerFade_.value(Scheduler::main().now());
}

void ContentView::setHostWindowAttached(bool attached) {
    hasHostWindow_ = attached;
    if (!attached) {
        ignoresMouseEvents_.reset();
        return;
    }
    updateWindowInteractivity();
}

void ContentView::updateWindowInteractivity() {
    const std::optional<bool> decision = windowIgnoresMouseEvents(hasHostWindow_, gatherInputs());
    if (!decision) {
        return;
    }
    const bool changed = ignoresMouseEvents_ != decision;
    ignoresMouseEvents_ = decision;
    if (changed) {
        Q_EMIT ignoresMouseEventsChanged(*decision);
    }
}

void ContentView::scheduleCommandHintIfNeeded() {
    hintWorkItem_.cancel();
    if (shouldShowCommandHint(gatherInputs())) {
        setCommandHintVisible(true, CommandHintTiming::showFade);
        hintWorkItem_ = Scheduler::main().schedule(CommandHintTiming::period, [this] {
            setCommandHintVisible(false, CommandHintTiming::hideFade);
            hintWorkItem_ = TaskHandle();
        });
        return;
    }
    setCommandHintVisible(false, CommandHintTiming::showFade);
}

void ContentView::setCommandHintVisible(bool visible, double fadeDuration) {
    if (commandHintVisible_ == visible) {
        return;
    }
    commandHintVisible_ = visible;
    const double saved = hintFadeDuration_;
    hintFadeDuration_ = fadeDuration;
    refresh();
    hintFadeDuration_ = saved;
}

void ContentView::handleContinuousHover(HoverPhase phase, HoverTarget target) {
    bool& flag = target == HoverTarget::camera ? isHoveringCamera_ : isHoveringText_;
    if (phase == HoverPhase::ended) {
        flag = false;
        refresh();
        updateWindowInteractivity();
        scheduleCommandHintIfNeeded();
        return;
    }
    if (!flag) {
        flag = true;
        refresh();
        updateWindowInteractivity();
        scheduleCommandHintIfNeeded();
    }
    if (isCommandKeyPressed_) {
        setCursor(Qt::OpenHandCursor);
        Q_EMIT cursorRequested(Qt::OpenHandCursor);
    }
}

void ContentView::setCommandKeyPressed(bool pressed) {
    if (!derived_.live) {
        return;  // no command-key watch without a live picture
    }
    isCommandKeyPressed_ = pressed;
    refresh();
    if (derived_.commandActive) {
        // Pressing the key over the panel shows the open hand at once, not
        // only on the next pointer move.
        setCursor(Qt::OpenHandCursor);
        Q_EMIT cursorRequested(Qt::OpenHandCursor);
    } else {
        unsetCursor();
        Q_EMIT cursorRequested(Qt::ArrowCursor);
    }
    updateWindowInteractivity();
    scheduleCommandHintIfNeeded();
}

void ContentView::onPointerMoved() {
    const std::optional<QPointF> pos = input_ ? input_->pointerPosition() : std::nullopt;
    const bool overCamera = pos && derived_.live && cameraContains(*pos);
    const bool overText = pos && textContains(*pos);
    if (overCamera) {
        handleContinuousHover(HoverPhase::active, HoverTarget::camera);
    } else if (isHoveringCamera_) {
        handleContinuousHover(HoverPhase::ended, HoverTarget::camera);
    }
    if (overText) {
        handleContinuousHover(HoverPhase::active, HoverTarget::text);
    } else if (isHoveringText_) {
        handleContinuousHover(HoverPhase::ended, HoverTarget::text);
    }
}

QTransform ContentView::blockTransform() const {
    const CameraAppearanceSettings& a = derived_.appearance;
    const double x = AppearanceBounds::angle(a.xAngle);
    const double y = AppearanceBounds::angle(a.yAngle);
    const double z = AppearanceBounds::angle(a.zAngle);
    if (!isTilted(x, y, z)) {
        return QTransform();
    }
    return tiltTransform(frameRect_, x, y, z);
}

QPolygonF ContentView::cameraOutline() const {
    if (!derived_.enabled) {
        return {};
    }
    return blockTransform().map(QPolygonF(frameRect_));
}

QPainterPath ContentView::cameraShapePath() const {
    if (!derived_.enabled) {
        return {};
    }
    QPainterPath path = SquircleShape{derived_.exponent}.path(frameRect_);
    const double border = AppearanceBounds::borderThickness(derived_.appearance.borderThickness);
    if (border > 0) {
        QPainterPathStroker stroker;
        stroker.setWidth(border);
        stroker.setCapStyle(Qt::FlatCap);
        stroker.setJoinStyle(Qt::MiterJoin);
        path = path.united(stroker.createStroke(path));
    }
    return blockTransform().map(path);
}

bool ContentView::cameraContains(const QPointF& point) const {
    return derived_.enabled && cameraOutline().containsPoint(point, Qt::OddEvenFill);
}

bool ContentView::captionShown() const {
    return textView_ && textView_->captionStyle().shown;
}

bool ContentView::textContains(const QPointF& point) const {
    // The room kept for a hidden caption is not the caption.
    return captionShown() && textRect_.contains(point);
}

void ContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!appeared_) {
        appeared_ = true;
        updateWindowInteractivity();
        scheduleCommandHintIfNeeded();
    }
}

}  // namespace mirelon
