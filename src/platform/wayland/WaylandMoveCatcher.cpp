// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandMoveCatcher.h"

#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandProtocols.h"
#include "platform/wayland/WaylandShmBuffer.h"

#include <QCoreApplication>
#include <QPainter>

namespace mirelon {

namespace {
const zwlr_layer_surface_v1_listener catcherListener{&WaylandMoveCatcher::handleConfigure,
                                                     &WaylandMoveCatcher::handleClosed};
}

WaylandMoveCatcher::WaylandMoveCatcher(WaylandDisplay& display, const WaylandOutput& output)
    : display_(display), outputName_(output.name), outputRect_(output.logical) {
    surface_ = wl_compositor_create_surface(display_.compositor());
    applyInputRegion();
    layer_ = zwlr_layer_shell_v1_get_layer_surface(display_.layerShell(), surface_, output.output,
                                                   ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY,
                                                   "mirelon-move-mode");
    zwlr_layer_surface_v1_add_listener(layer_, &catcherListener, this);
    zwlr_layer_surface_v1_set_anchor(
        layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(layer_, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
    // Escape ends the mode: the keyboard comes here while it is on.
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        layer_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    wl_surface_commit(surface_);
    display_.flush();
}

WaylandMoveCatcher::~WaylandMoveCatcher() {
    if (layer_) {
        zwlr_layer_surface_v1_destroy(layer_);
    }
    if (surface_) {
        wl_surface_destroy(surface_);
    }
    buffer_.reset();
    display_.flush();
}

void WaylandMoveCatcher::setInputRegion(const QRegion& global) {
    const QRegion local =
        global.translated(-outputRect_.topLeft()) & QRect(QPoint(), outputRect_.size());
    if (local == input_) {
        return;
    }
    input_ = local;
    applyInputRegion();
    if (configured_) {
        wl_surface_commit(surface_);
        display_.flush();
    }
}

void WaylandMoveCatcher::applyInputRegion() {
    wl_region* region = wl_compositor_create_region(display_.compositor());
    for (const QRect& r : input_) {
        wl_region_add(region, r.x(), r.y(), r.width(), r.height());
    }
    wl_surface_set_input_region(surface_, region);
    wl_region_destroy(region);
}

void WaylandMoveCatcher::configure(std::uint32_t serial, QSize size) {
    zwlr_layer_surface_v1_ack_configure(layer_, serial);
    if (size.isEmpty()) {
        size = outputRect_.size();
    }
    if (!buffer_ || buffer_->size() != size) {
        // Transparent (fresh shared memory is zero) but for the move hint.
        buffer_ = std::make_unique<WaylandShmBuffer>(display_.shm(), size);
        if (!buffer_->isValid()) {
            return;
        }
        drawHint(buffer_->image());
        wl_surface_attach(surface_, buffer_->buffer(), 0, 0);
        wl_surface_damage_buffer(surface_, 0, 0, size.width(), size.height());
    }
    configured_ = true;
    wl_surface_commit(surface_);
    display_.flush();
}

void WaylandMoveCatcher::drawHint(QImage& image) {
    const QString text = QCoreApplication::translate(
        "MoveMode",
        "Drag a camera panel to move it. Press Esc or choose Move Camera Panels "
        "again when done.");
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(14);
    painter.setFont(font);
    const QRect textRect = painter.fontMetrics().boundingRect(text);
    const QSize box = textRect.size() + QSize(28, 16);
    const QRect rect(QPoint((image.width() - box.width()) / 2, 36), box);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 180));
    painter.drawRoundedRect(rect, 8, 8);
    painter.setPen(Qt::white);
    painter.drawText(rect, Qt::AlignCenter, text);
}

void WaylandMoveCatcher::handleConfigure(void* data, zwlr_layer_surface_v1*, std::uint32_t serial,
                                         std::uint32_t width, std::uint32_t height) {
    static_cast<WaylandMoveCatcher*>(data)->configure(serial, QSize(int(width), int(height)));
}

void WaylandMoveCatcher::handleClosed(void*, zwlr_layer_surface_v1*) {
    // Its output went; the overlay layer makes catchers afresh on output changes.
}

}  // namespace mirelon
