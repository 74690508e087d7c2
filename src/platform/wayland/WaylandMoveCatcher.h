// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>

#include <cstdint>
#include <memory>

struct wl_surface;
struct zwlr_layer_surface_v1;

namespace mirelon {

class WaylandDisplay;
class WaylandShmBuffer;
struct WaylandOutput;

// While move mode is on: a transparent surface over one whole output, above
// the panels, that shows the move hint, takes the pointer over the panels'
// pictures only (its input region) and the keyboard (for Escape). Pointer positions on it are
// output-local, so a drag follows the pointer wherever the panel has got to.
class WaylandMoveCatcher {
public:
    WaylandMoveCatcher(WaylandDisplay& display, const WaylandOutput& output);
    ~WaylandMoveCatcher();
    WaylandMoveCatcher(const WaylandMoveCatcher&) = delete;
    WaylandMoveCatcher& operator=(const WaylandMoveCatcher&) = delete;

    wl_surface* surface() const { return surface_; }
    const QString& outputName() const { return outputName_; }
    // The output's logical rectangle (y-down global).
    QRect outputRect() const { return outputRect_; }

    // Where the pointer is taken, in y-down global coordinates.
    void setInputRegion(const QRegion& global);

    static void handleConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                                std::uint32_t width, std::uint32_t height);
    static void handleClosed(void* data, zwlr_layer_surface_v1* layer);

private:
    void configure(std::uint32_t serial, QSize size);
    void applyInputRegion();
    // The move hint at the top of the output.
    static void drawHint(QImage& image);

    WaylandDisplay& display_;
    QString outputName_;
    QRect outputRect_;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    std::unique_ptr<WaylandShmBuffer> buffer_;
    QRegion input_;
    bool configured_ = false;
};

}  // namespace mirelon
