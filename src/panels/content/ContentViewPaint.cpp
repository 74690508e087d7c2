// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/ContentView.h"

#include "panels/content/PaintAround.h"
#include "panels/content/PanelGeometry.h"
#include "panels/content/ShimmerView.h"
#include "panels/content/SquircleShape.h"
#include "platform/MoveMode.h"
#include "platform/qt/Logging.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

// The drawing side of the panel content: the picture rendered on demand, the
// cached drop shadow, and the layers composed in paintEvent.

namespace mirelon {
namespace {

// Shadow of the whole stack: black at this opacity, blur radius shadowRadius.
constexpr double shadowOpacity = 0.8;

int quantize(double alpha) {
    return int(std::lround(std::clamp(alpha, 0.0, 1.0) * 32));
}

}  // namespace

bool ContentView::shimmerNeedsPainting() const {
    if (!derived_.enabled || shimmerOpacity() <= 0) {
        return false;
    }
    // An opaque picture that fills the frame hides the shimmer entirely.
    const bool pictureCovers = renderer_.hasPicture() && derived_.live &&
                               derived_.contentOpacity >= 1.0 &&
                               AppearanceBounds::zoom(derived_.appearance.zoom) >= 1.0;
    return !pictureCovers;
}

void ContentView::ensureRendered() {
    if (renderer_.style().devicePixelRatio != devicePixelRatioF()) {
        applyPictureStyle();
    }
    if (!frameDirty_) {
        return;
    }
    frameDirty_ = false;
    if (derived_.live && model_) {
        lastFrame_ = model_->latestFrame();
        renderer_.render(lastFrame_);
        noteFrameAge();
        // The part of the source read is known once a frame was rendered.
        tellWantedSource();
    } else {
        lastFrame_ = VideoFrame();
        renderer_.renderEmpty();
    }
}

void ContentView::noteFrameAge() {
    if (!lcFrames().isDebugEnabled()) {
        return;
    }
    const auto now = FrameAgeStats::Clock::now();
    frameAges_.shown(lastFrame_.arrival(), now);
    FrameAgeStats::Summary summary;
    if (frameAges_.takeSummary(now, summary)) {
        qCDebug(lcFrames).noquote() << cameraDeviceID_ << FrameAgeStats::describe(summary);
    }
}

void ContentView::ensureShadow() {
    const CameraAppearanceSettings& a = derived_.appearance;
    const double dpr = devicePixelRatioF();
    double pictureAlpha = 0;
    if (derived_.enabled) {
        if (renderer_.hasPicture()) {
            pictureAlpha = derived_.contentOpacity;
        }
        if (shimmerNeedsPainting()) {
            pictureAlpha = std::max(pictureAlpha, 0.4 * shimmerOpacity());
        }
    }
    ShadowKey key;
    key.size = size();
    key.dpr = dpr;
    key.frameRect = frameRect_;
    key.textRect = textRect_;
    key.style = renderer_.style();
    key.style.opacity = 0;  // the picture's alpha is in pictureAlpha
    key.style.color = ColorMatrix();
    key.xAngle = AppearanceBounds::angle(a.xAngle);
    key.yAngle = AppearanceBounds::angle(a.yAngle);
    key.zAngle = AppearanceBounds::angle(a.zAngle);
    key.radius = AppearanceBounds::shadowRadius(a.shadowRadius);
    key.pictureAlpha = quantize(pictureAlpha);
    key.captionAlpha = quantize(textView_->effectiveOpacity());
    key.enabled = derived_.enabled;
    key.caption = textView_->captionStyle();
    if (shadowValid_ && key == shadowKey_) {
        return;
    }
    shadowKey_ = key;
    shadowValid_ = true;

    QImage silhouette((QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1)),
                      QImage::Format_ARGB32_Premultiplied);
    silhouette.setDevicePixelRatio(dpr);
    silhouette.fill(Qt::transparent);
    {
        QPainter p(&silhouette);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (derived_.enabled) {
            p.save();
            p.setTransform(blockTransform(), true);
            p.drawImage(renderer_.flatBlockRect().translated(frameRect_.topLeft()),
                        renderer_.silhouette(key.pictureAlpha / 32.0));
            p.restore();
        }
        if (key.captionAlpha > 0) {
            p.setOpacity(key.captionAlpha / 32.0);
            p.drawImage(textRect_.topLeft(), textView_->plateImage(dpr));
        }
    }
    shadow_ = shadowRenderer_.render(silhouette, key.radius * dpr, shadowOpacity);
}

void ContentView::updateBackdrop() {
    const QImage& block = renderer_.block();
    const double dpr = block.devicePixelRatio();
    const QRectF target = renderer_.blockRect().translated(frameRect_.topLeft());
    const QPoint offset = (target.topLeft() * dpr).toPoint();
    // The shimmer paints between them; a block off the pixel grid or at
    // another scale than the shadow is drawn as it always was.
    const bool usable = derived_.enabled && !shimmerNeedsPainting() && !shadow_.isNull() &&
                        qFuzzyCompare(shadow_.devicePixelRatio(), dpr) &&
                        onPixelGrid(target.topLeft(), dpr);
    if (!usable) {
        if (renderer_.hasBackdrop()) {
            renderer_.setBackdrop(QImage(), QPoint());
            frameDirty_ = true;
        }
        return;
    }
    if (renderer_.hasBackdrop() && backdropKey_ == shadow_.cacheKey() &&
        backdropOffset_ == offset) {
        return;
    }
    renderer_.setBackdrop(shadow_, offset);
    backdropKey_ = shadow_.cacheKey();
    backdropOffset_ = offset;
    frameDirty_ = true;  // the frame again, on its new backdrop
}

void ContentView::paintEvent(QPaintEvent*) {
    ensureRendered();
    ensureShadow();  // after the frame: whether there is a picture shapes it
    updateBackdrop();
    ensureRendered();  // the frame again when its backdrop changed
    QPainter p(this);
    const QRectF target = renderer_.blockRect().translated(frameRect_.topLeft());
    // What the block hides of the shadow, which a new frame then draws only
    // around: all of it when the shadow is composed into the block, else the
    // block's opaque middle. The block itself is copied there, not blended.
    QRect hidden;
    if (renderer_.hasBackdrop() && renderer_.hasPicture()) {
        hidden = target.toAlignedRect();
    } else if (derived_.enabled) {
        const QRectF opaque = renderer_.opaqueRect().translated(frameRect_.topLeft());
        if (!opaque.isEmpty()) {
            hidden = QRect(
                QPoint(int(std::ceil(opaque.left())) + 1, int(std::ceil(opaque.top())) + 1),
                QPoint(int(std::floor(opaque.right())) - 2, int(std::floor(opaque.bottom())) - 2));
        }
    }
    if (hidden.isEmpty()) {
        p.drawImage(QPointF(0, 0), shadow_);
    } else {
        drawImageAround(p, shadow_, QPointF(0, 0), hidden);
    }
    if (!derived_.enabled) {
        return;
    }
    // The block comes tilted from the renderer; the shimmer below it and the
    // hint above it (not per-frame work) are tilted by the painter.
    const QTransform tilt = blockTransform();
    const bool tilted = !tilt.isIdentity();
    if (shimmerNeedsPainting()) {
        p.save();
        if (tilted) {
            p.setTransform(tilt, true);
        }
        p.setRenderHint(QPainter::Antialiasing);
        p.setClipPath(SquircleShape{derived_.exponent}.path(frameRect_));
        ShimmerView::paint(p, frameRect_, Scheduler::main().now() - shimmerStart_,
                           shimmerOpacity());
        p.restore();
    }
    drawImageCopyingInside(p, renderer_.block(), target, hidden);
    paintStatusCard(p);

    const double hint = hintOpacity();
    if (hint > 0) {
        p.save();
        if (tilted) {
            p.setTransform(tilt, true);
        }
        p.setRenderHint(QPainter::Antialiasing);
        p.setClipPath(SquircleShape{derived_.exponent}.path(frameRect_));
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPixelSize(std::max(
            1,
            int(std::lround(12.0 * AppearanceBounds::cameraSize(derived_.appearance.cameraSize)))));
        p.setFont(font);
        p.setPen(QColor(255, 255, 255));
        p.setOpacity(hint);
        // Where panels move in move mode instead of while Super is held, the
        // hint names that mode (the hint is not shown while it is on).
        p.drawText(frameRect_, Qt::AlignCenter,
                   MoveMode::shared().isAvailable()
                       ? ContentView::tr("Turn on Move Camera Panels\nto move the window")
                       : ContentView::tr("Press and hold Super\nto move the window"));
        p.restore();
    }
}

bool ContentView::drawsStatusCard() const {
    return statusCard_ && derived_.enabled && !blockTransform().isIdentity();
}

void ContentView::paintStatusCard(QPainter& p) {
    if (!drawsStatusCard()) {
        return;
    }
    const double dpr = devicePixelRatioF();
    if (statusCardImageDirty_ || statusCardImage_.devicePixelRatio() != dpr) {
        statusCardImageDirty_ = false;
        statusCardImage_ = QImage((QSizeF(statusCard_->size()) * dpr).toSize().expandedTo({1, 1}),
                                  QImage::Format_ARGB32_Premultiplied);
        statusCardImage_.setDevicePixelRatio(dpr);
        statusCardImage_.fill(Qt::transparent);
        statusCard_->render(&statusCardImage_, QPoint(), QRegion(),
                            QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    // The block's own projection, whatever the painter was set up with for
    // the picture; clipped like the card widget: inside the border's inner half.
    const double inset = AppearanceBounds::borderThickness(derived_.appearance.borderThickness) / 2;
    p.save();
    p.setWorldTransform(blockTransform());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(1.0);
    p.setClipPath(
        SquircleShape{derived_.exponent}.path(frameRect_.adjusted(inset, inset, -inset, -inset)));
    p.drawImage(QRectF(statusCard_->geometry()), statusCardImage_);
    p.restore();
}

QWidget* ContentView::statusCardButtonAt(const QPointF& point) const {
    if (!drawsStatusCard()) {
        return nullptr;
    }
    bool invertible = false;
    const QTransform inverse = blockTransform().inverted(&invertible);
    if (!invertible) {
        return nullptr;
    }
    const QPointF local = inverse.map(point) - QPointF(statusCard_->pos());
    if (!QRectF(statusCard_->rect()).contains(local)) {
        return nullptr;
    }
    QWidget* child = statusCard_->childAt(local.toPoint());
    while (child && child != statusCard_ && !qobject_cast<QAbstractButton*>(child)) {
        child = child->parentWidget();
    }
    return child != statusCard_ ? child : nullptr;
}

void ContentView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (QWidget* button = statusCardButtonAt(event->position())) {
            pressedCardButton_ = button;
            event->accept();
            return;
        }
    }
    // Anything else belongs to the window (a drag).
    event->ignore();
}

void ContentView::mouseReleaseEvent(QMouseEvent* event) {
    QPointer<QWidget> pressed = pressedCardButton_;
    pressedCardButton_ = nullptr;
    if (pressed && event->button() == Qt::LeftButton) {
        event->accept();
        if (statusCardButtonAt(event->position()) == pressed) {
            if (auto* button = qobject_cast<QAbstractButton*>(pressed.data())) {
                button->click();
            }
        }
        return;
    }
    event->ignore();
}

}  // namespace mirelon
