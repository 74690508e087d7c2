// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

struct wl_callback;
struct wl_surface;
struct zwlr_layer_surface_v1;
struct wp_fractional_scale_v1;
struct wp_viewport;

namespace mirelon {

class WaylandDisplay;
class WaylandShmBuffer;
class WidgetRepaintTap;
struct WaylandOutput;

// Shows one top-level widget (never shown on screen by Qt) as a layer surface
// on the overlay layer of the output holding it. It follows the widget: shown
// and hidden with it, placed by its geometry, and drawn by rendering it into
// shared-memory buffers whenever Qt asks it to repaint; Qt's own backing store
// of the hidden window is not painted at all. Frames are paced by the
// compositor's frame callbacks. Only the region Qt asked to repaint is painted
// into a buffer (the rest is copied from the shown frame where the buffer lags
// behind), only its rows that changed are damaged, and a frame equal to the
// shown one is not committed at all. The input region stays empty: clicks
// reach whatever lies below.
class WaylandOverlaySurface : public QObject {
    Q_OBJECT
public:
    enum class Kind {
        panel,      // anchored top-left by margins, its own size
        ringLight,  // anchored on all edges: the whole output
    };

    WaylandOverlaySurface(WaylandDisplay& display, QWidget* widget, Kind kind);
    ~WaylandOverlaySurface() override;

    QWidget* widget() const { return widget_; }
    Kind kind() const { return kind_; }
    bool isMapped() const { return surface_ != nullptr; }
    QString outputName() const { return outputName_; }
    // Frames committed so far (for the log and tests).
    int commits() const { return commits_; }
    wl_surface* surface() const { return surface_; }

    // Whether the surface takes the pointer (its whole rectangle) or lets
    // every click through (an empty input region, the default).
    void setAcceptsPointer(bool accepts);
    bool acceptsPointer() const { return acceptsPointer_; }
    // The opaque part of the frame shown last (picture and caption without
    // shadow or padding), in the widget's coordinates; empty before a frame.
    QRect pictureRect() const;

    // The outputs changed: move to another output when needed.
    void updatePlacement();
    // Creates the surface afresh (e.g. to restack it above others).
    void remap();

Q_SIGNALS:
    // A layer surface was made (on show, or on another output).
    void mapped();
    // The widget was shown, hidden, moved or resized, or a new frame shown.
    void geometryChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void map();
    void unmap();
    void applyMargins();
    // One debug line for the logs that tests and bug reports read.
    void logPlacement(const char* what) const;
    void applyInputRegion();
    void markDirty();
    // The next frame is painted whole (new size, scale or surface).
    void markAllDirty();
    void renderIfDue();
    void render();
    void configure(std::uint32_t serial, std::uint32_t width, std::uint32_t height);
    void frameDone();
    // A buffer the compositor does not hold, of that size (made anew when
    // needed: then its pixels are no frame yet).
    WaylandShmBuffer* freeBuffer(QSize pixelSize);
    // Commits `buffer` (index `index`) with `damage` in buffer pixels.
    void commit(WaylandShmBuffer* buffer, int index, const QRegion& damage, QSize logical,
                bool fractional);
    const WaylandOutput* targetOutput() const;
    // The scale frames are drawn at: the compositor's preferred fractional
    // scale once it arrived, else the output's integer scale.
    double drawingScale() const;
    void preferredScale(std::uint32_t scale120);

public:
    // Protocol entry points.
    static void handleConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                                std::uint32_t width, std::uint32_t height);
    static void handleClosed(void* data, zwlr_layer_surface_v1* layer);
    static void handleFrameDone(void* data, wl_callback* callback, std::uint32_t time);
    static void handlePreferredScale(void* data, wp_fractional_scale_v1* fractional,
                                     std::uint32_t scale120);

private:
    WaylandDisplay& display_;
    QPointer<QWidget> widget_;
    QPointer<WidgetRepaintTap> tap_;  // a child of the widget, gone with this surface
    Kind kind_;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    wl_callback* frame_ = nullptr;
    QString outputName_;
    QRect outputRect_;
    int scale_ = 1;
    // Fractional scales, where the compositor offers them: buffers of the
    // logical size times the preferred scale, shown at the logical size.
    wp_fractional_scale_v1* fractional_ = nullptr;
    wp_viewport* viewport_ = nullptr;
    int preferredScale120_ = 0;  // 0 until the compositor named one
    bool configured_ = false;
    bool dirty_ = true;
    bool allDirty_ = true;  // the whole widget is damaged, not just the tap's region
    bool renderQueued_ = false;
    std::array<std::unique_ptr<WaylandShmBuffer>, 2> buffers_;
    // Per buffer, the pixels where it differs from the frame shown (what was
    // committed since it was last drawn).
    std::array<QRegion, 2> behind_;
    int shown_ = -1;  // index of the buffer last committed
    int commits_ = 0;
    bool acceptsPointer_ = false;
    mutable QRect pictureRect_;
    mutable bool pictureRectValid_ = false;
};

}  // namespace mirelon
