// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandOverlaySurface.h"

#include "platform/wayland/OverlayGeometry.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandProtocols.h"
#include "platform/wayland/WaylandShmBuffer.h"
#include "platform/wayland/WidgetRepaintTap.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace mirelon {

namespace {
const zwlr_layer_surface_v1_listener layerListener{&WaylandOverlaySurface::handleConfigure,
                                                   &WaylandOverlaySurface::handleClosed};
const wl_callback_listener frameListener{&WaylandOverlaySurface::handleFrameDone};
const wp_fractional_scale_v1_listener fractionalListener{
    &WaylandOverlaySurface::handlePreferredScale};

const char* namespaceFor(WaylandOverlaySurface::Kind kind) {
    return kind == WaylandOverlaySurface::Kind::panel ? "mirelon-panel" : "mirelon-ring-light";
}
}  // namespace

WaylandOverlaySurface::WaylandOverlaySurface(WaylandDisplay& display, QWidget* widget, Kind kind)
    : QObject(widget), display_(display), widget_(widget), kind_(kind) {
    widget->installEventFilter(this);
    // Installed after this surface's filter, so it sees Qt's repaints first.
    tap_ = new WidgetRepaintTap(widget);
    connect(tap_, &WidgetRepaintTap::repaintRequested, this, &WaylandOverlaySurface::markDirty);
    if (widget->isVisible()) {
        map();
    }
}

WaylandOverlaySurface::~WaylandOverlaySurface() {
    unmap();
    delete tap_.data();  // Qt may paint the window itself again
}

const WaylandOutput* WaylandOverlaySurface::targetOutput() const {
    if (!widget_) {
        return nullptr;
    }
    QList<OverlayGeometry::OutputRect> rects;
    for (const WaylandOutput* output : display_.outputs()) {
        rects.append({output->name, output->logical});
    }
    const auto chosen = OverlayGeometry::outputFor(widget_->geometry(), rects);
    return chosen ? display_.outputNamed(chosen->name) : nullptr;
}

void WaylandOverlaySurface::map() {
    if (surface_ || !widget_ || display_.isBroken()) {
        return;
    }
    const WaylandOutput* output = targetOutput();
    if (!output) {
        qCDebug(lcWayland) << "No output for" << widget_->objectName() << "yet";
        return;
    }
    if (output->name != outputName_) {
        preferredScale120_ = 0;  // another output: integer until it names its own
    }
    outputName_ = output->name;
    outputRect_ = output->logical;
    scale_ = output->scale;
    surface_ = wl_compositor_create_surface(display_.compositor());
    if (display_.fractionalScaleManager()) {
        fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(
            display_.fractionalScaleManager(), surface_);
        wp_fractional_scale_v1_add_listener(fractional_, &fractionalListener, this);
        viewport_ = wp_viewporter_get_viewport(display_.viewporter(), surface_);
    }
    applyInputRegion();
    layer_ = zwlr_layer_shell_v1_get_layer_surface(display_.layerShell(), surface_, output->output,
                                                   ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY,
                                                   namespaceFor(kind_));
    zwlr_layer_surface_v1_add_listener(layer_, &layerListener, this);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        layer_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    if (kind_ == Kind::panel) {
        zwlr_layer_surface_v1_set_anchor(
            layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
        applyMargins();
    } else {
        zwlr_layer_surface_v1_set_anchor(
            layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                        ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(layer_, 0, 0);
    }
    configured_ = false;
    dirty_ = true;
    allDirty_ = true;
    wl_surface_commit(surface_);  // no buffer yet: asks for the first configure
    display_.flush();
    Q_EMIT mapped();
    logPlacement("mapped");
}

void WaylandOverlaySurface::setAcceptsPointer(bool accepts) {
    if (accepts == acceptsPointer_) {
        return;
    }
    acceptsPointer_ = accepts;
    if (surface_) {
        applyInputRegion();
        wl_surface_commit(surface_);
        display_.flush();
    }
}

void WaylandOverlaySurface::applyInputRegion() {
    // Click-through unless asked: an empty input region.
    wl_region* region = wl_compositor_create_region(display_.compositor());
    if (acceptsPointer_) {
        wl_region_add(region, 0, 0, INT32_MAX, INT32_MAX);
    }
    wl_surface_set_input_region(surface_, region);
    wl_region_destroy(region);
}

QRect WaylandOverlaySurface::pictureRect() const {
    if (!pictureRectValid_) {
        pictureRectValid_ = true;
        pictureRect_ = QRect();
        if (shown_ >= 0 && buffers_[std::size_t(shown_)]) {
            const QRect pixels =
                OverlayGeometry::opaqueBounds(buffers_[std::size_t(shown_)]->image());
            if (!pixels.isEmpty()) {
                pictureRect_ = OverlayGeometry::logicalRect(pixels, drawingScale());
            }
        }
    }
    return pictureRect_;
}

void WaylandOverlaySurface::unmap() {
    if (frame_) {
        wl_callback_destroy(frame_);
        frame_ = nullptr;
    }
    if (layer_) {
        zwlr_layer_surface_v1_destroy(layer_);
        layer_ = nullptr;
    }
    if (viewport_) {
        wp_viewport_destroy(viewport_);
        viewport_ = nullptr;
    }
    if (fractional_) {
        wp_fractional_scale_v1_destroy(fractional_);
        fractional_ = nullptr;
    }
    if (surface_) {
        wl_surface_destroy(surface_);
        surface_ = nullptr;
        display_.flush();
        qCDebug(lcWayland).noquote() << "surface unmapped" << namespaceFor(kind_) << outputName_;
    }
    for (auto& buffer : buffers_) {
        buffer.reset();
    }
    behind_ = {};
    shown_ = -1;
    pictureRectValid_ = false;
    configured_ = false;
}

void WaylandOverlaySurface::remap() {
    if (surface_) {
        unmap();
        map();
    }
}

void WaylandOverlaySurface::updatePlacement() {
    if (!widget_ || !widget_->isVisible()) {
        return;
    }
    const WaylandOutput* output = targetOutput();
    if (!surface_ || !output || output->name != outputName_ || output->logical != outputRect_ ||
        output->scale != scale_) {
        // Another output (or this one changed): a new surface there.
        unmap();
        map();
        return;
    }
    applyMargins();
    if (configured_) {
        wl_surface_commit(surface_);
        display_.flush();
    }
    logPlacement("placed");
}

void WaylandOverlaySurface::logPlacement(const char* what) const {
    const QRect g = widget_ ? widget_->geometry() : QRect();
    qCDebug(lcWayland).noquote() << "surface" << what << namespaceFor(kind_) << outputName_ << g.x()
                                 << g.y() << g.width() << g.height();
}

void WaylandOverlaySurface::applyMargins() {
    if (!layer_ || !widget_ || kind_ != Kind::panel) {
        return;
    }
    const QRect frame = widget_->geometry();
    const QMargins m = OverlayGeometry::panelMargins(frame, outputRect_);
    zwlr_layer_surface_v1_set_size(layer_, std::uint32_t(std::max(1, frame.width())),
                                   std::uint32_t(std::max(1, frame.height())));
    zwlr_layer_surface_v1_set_margin(layer_, m.top(), 0, 0, m.left());
}

bool WaylandOverlaySurface::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget_) {
        switch (event->type()) {
            case QEvent::Show:
                map();
                Q_EMIT geometryChanged();
                break;
            case QEvent::Hide:
                unmap();
                Q_EMIT geometryChanged();
                break;
            case QEvent::Move:
                updatePlacement();
                Q_EMIT geometryChanged();
                break;
            case QEvent::Resize:
                updatePlacement();
                markAllDirty();
                Q_EMIT geometryChanged();
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void WaylandOverlaySurface::markDirty() {
    dirty_ = true;
    if (renderQueued_) {
        return;
    }
    renderQueued_ = true;
    // After Qt has handled the request that made it dirty.
    QMetaObject::invokeMethod(
        this,
        [this] {
            renderQueued_ = false;
            renderIfDue();
        },
        Qt::QueuedConnection);
}

void WaylandOverlaySurface::markAllDirty() {
    allDirty_ = true;
    markDirty();
}

void WaylandOverlaySurface::renderIfDue() {
    // Nothing is drawn until the compositor asked for the first frame, and
    // nothing while it has not shown the last one.
    if (dirty_ && surface_ && configured_ && !frame_) {
        render();
    }
}

WaylandShmBuffer* WaylandOverlaySurface::freeBuffer(QSize pixelSize) {
    const int index = shown_ == 0 ? 1 : 0;
    auto& slot = buffers_[std::size_t(index)];
    if (!slot || slot->isBusy() || slot->size() != pixelSize) {
        slot = std::make_unique<WaylandShmBuffer>(display_.shm(), pixelSize);
    }
    return slot->isValid() ? slot.get() : nullptr;
}

void WaylandOverlaySurface::render() {
    if (!widget_) {
        return;
    }
    dirty_ = false;
    const QSize logical = widget_->size();
    if (logical.isEmpty()) {
        return;
    }
    const bool fractional = viewport_ && preferredScale120_ > 0;
    const QSize pixels = fractional ? OverlayGeometry::scaledBufferSize(logical, preferredScale120_)
                                    : logical * scale_;
    WaylandShmBuffer* buffer = freeBuffer(pixels);
    if (!buffer) {
        allDirty_ = true;
        return;
    }
    const int index = buffer == buffers_[0].get() ? 0 : 1;
    const WaylandShmBuffer* shown =
        shown_ >= 0 && shown_ != index ? buffers_[std::size_t(shown_)].get() : nullptr;
    const bool comparable = shown && shown->hasContent() && shown->size() == pixels;

    // What to draw: the region Qt asked to repaint, or everything after a
    // change of size, scale or surface.
    const QRect all(QPoint(), pixels);
    const QRegion asked = (tap_ ? tap_->takeDamage() : QRegion()) & QRect(QPoint(), logical);
    const bool whole = allDirty_ || !comparable;
    allDirty_ = false;
    const double scale = drawingScale();
    const int integerScale =
        !fractional ? scale_ : (preferredScale120_ % 120 == 0 ? preferredScale120_ / 120 : 0);
    QImage& image = buffer->image();
    QRegion candidates;  // buffer pixels that may differ from the shown frame
    if (whole) {
        candidates = all;
    } else if (integerScale > 0) {
        candidates = OverlayGeometry::scaledRegion(asked, integerScale) & all;
    } else {
        candidates = OverlayGeometry::coveredPixels(asked, scale, pixels);
    }
    if (candidates.isEmpty()) {
        return;  // nothing was asked for: the shown frame is still right
    }
    image.setDevicePixelRatio(scale);
    if (!buffer->hasContent() || whole || integerScale == 0) {
        // Painted whole: a new buffer, a new size, or a fractional scale
        // where a partial paint could leave seams.
        image.fill(Qt::transparent);
        widget_->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    } else {
        // The buffer lags behind the shown frame by what was committed since
        // it was drawn: that is copied, the asked region is painted.
        OverlayGeometry::copyPixels(shown->image(), image,
                                    behind_[std::size_t(index)] - candidates);
        OverlayGeometry::clearPixels(image, candidates);
        // The region's top-left lands on the offset: in place.
        widget_->render(&image, asked.boundingRect().topLeft(), asked, QWidget::DrawChildren);
    }
    buffer->setHasContent(true);  // a whole frame now
    behind_[std::size_t(index)] = QRegion();
    const QRegion changed =
        comparable ? OverlayGeometry::changedRows(shown->image(), image, candidates) : all;
    if (changed.isEmpty()) {
        return;  // the shown frame is still right (and this buffer now equals it)
    }
    commit(buffer, index, changed, logical, fractional);
}

void WaylandOverlaySurface::commit(WaylandShmBuffer* buffer, int index, const QRegion& damage,
                                   QSize logical, bool fractional) {
    buffer->markBusy();
    if (wl_surface_get_version(surface_) >= 3) {
        wl_surface_set_buffer_scale(surface_, fractional ? 1 : scale_);
    }
    if (viewport_) {
        // The viewport shows the buffer at the logical size; -1 leaves it unset.
        wp_viewport_set_destination(viewport_, fractional ? logical.width() : -1,
                                    fractional ? logical.height() : -1);
    }
    wl_surface_attach(surface_, buffer->buffer(), 0, 0);
    // A few rectangles as they are; many as their bounds.
    const QRegion sent = damage.rectCount() <= 8 ? damage : QRegion(damage.boundingRect());
    for (const QRect& r : sent) {
        wl_surface_damage_buffer(surface_, r.x(), r.y(), r.width(), r.height());
    }
    frame_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frame_, &frameListener, this);
    wl_surface_commit(surface_);
    display_.flush();
    // The other buffer now lags behind by what this frame changed.
    behind_[std::size_t(1 - index)] += sent;
    shown_ = index;
    pictureRectValid_ = false;
    ++commits_;
    const QRect bounds = sent.boundingRect();
    qCDebug(lcWayland).noquote() << "surface commit" << namespaceFor(kind_) << outputName_
                                 << commits_ << "damage" << bounds.x() << bounds.y()
                                 << bounds.width() << bounds.height() << "buffer"
                                 << buffer->size().width() << buffer->size().height();
}

double WaylandOverlaySurface::drawingScale() const {
    return viewport_ && preferredScale120_ > 0 ? preferredScale120_ / 120.0 : double(scale_);
}

void WaylandOverlaySurface::preferredScale(std::uint32_t scale120) {
    if (int(scale120) == preferredScale120_ || scale120 == 0) {
        return;
    }
    preferredScale120_ = int(scale120);
    qCDebug(lcWayland).noquote() << "surface scale" << namespaceFor(kind_) << outputName_
                                 << preferredScale120_ / 120.0;
    markAllDirty();
}

void WaylandOverlaySurface::configure(std::uint32_t serial, std::uint32_t, std::uint32_t) {
    zwlr_layer_surface_v1_ack_configure(layer_, serial);
    const bool first = !configured_;
    configured_ = true;
    if (first) {
        dirty_ = true;
        allDirty_ = true;
        render();
    } else {
        renderIfDue();
    }
}

void WaylandOverlaySurface::frameDone() {
    if (frame_) {
        wl_callback_destroy(frame_);
        frame_ = nullptr;
    }
    renderIfDue();
}

void WaylandOverlaySurface::handleConfigure(void* data, zwlr_layer_surface_v1*,
                                            std::uint32_t serial, std::uint32_t width,
                                            std::uint32_t height) {
    static_cast<WaylandOverlaySurface*>(data)->configure(serial, width, height);
}

void WaylandOverlaySurface::handleClosed(void* data, zwlr_layer_surface_v1* layer) {
    // The compositor took the surface away (its output went). The output
    // change usually places it again; if none follows, it comes back here.
    auto* self = static_cast<WaylandOverlaySurface*>(data);
    QMetaObject::invokeMethod(
        self,
        [self, layer] {
            if (self->layer_ == layer) {
                self->unmap();
            }
        },
        Qt::QueuedConnection);
    QTimer::singleShot(250, self, [self] {
        if (!self->surface_ && self->widget_ && self->widget_->isVisible()) {
            self->map();
        }
    });
}

void WaylandOverlaySurface::handleFrameDone(void* data, wl_callback*, std::uint32_t) {
    static_cast<WaylandOverlaySurface*>(data)->frameDone();
}

void WaylandOverlaySurface::handlePreferredScale(void* data, wp_fractional_scale_v1*,
                                                 std::uint32_t scale120) {
    static_cast<WaylandOverlaySurface*>(data)->preferredScale(scale120);
}

}  // namespace mirelon
