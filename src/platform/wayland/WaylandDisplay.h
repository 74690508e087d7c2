// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

struct wl_compositor;
struct wl_display;
struct wl_output;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct wp_viewporter;
struct wp_fractional_scale_manager_v1;
class QSocketNotifier;

Q_DECLARE_LOGGING_CATEGORY(lcWayland)  // overlay surfaces: app.mirelon.Mirelon.wayland

namespace mirelon {

// One output of the compositor with its place in the logical layout (the
// same y-down global space Qt's screens use).
struct WaylandOutput {
    std::uint32_t globalName = 0;
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    QString name;   // the connector name, e.g. "HEADLESS-1"
    QRect logical;  // logical position and size
    int scale = 1;  // buffer scale the output asks for
    bool done = false;
};

// A Wayland connection of the program's own, beside Qt's: the overlay
// surfaces live on it. Its socket is read through a QSocketNotifier, and
// requests are flushed before the event loop sleeps.
class WaylandDisplay : public QObject {
    Q_OBJECT
public:
    ~WaylandDisplay() override;

    // Connects to $WAYLAND_DISPLAY; none when there is no compositor or it
    // lacks what overlays need (compositor, shm, layer shell).
    static std::unique_ptr<WaylandDisplay> connect();
    // A short-lived connection that only asks whether zwlr_layer_shell_v1 is offered.
    static bool offersLayerShell();

    wl_display* display() const { return display_; }
    wl_compositor* compositor() const { return compositor_; }
    wl_shm* shm() const { return shm_; }
    zwlr_layer_shell_v1* layerShell() const { return layerShell_; }
    wl_seat* seat() const { return seat_; }
    std::uint32_t layerShellVersion() const { return layerShellVersion_; }
    // Fractional scales: both globals, or neither (then surfaces keep to
    // integer buffer scales).
    wp_viewporter* viewporter() const { return fractionalScaleManager_ ? viewporter_ : nullptr; }
    wp_fractional_scale_manager_v1* fractionalScaleManager() const {
        return viewporter_ ? fractionalScaleManager_ : nullptr;
    }
    // What the seat offers (WL_SEAT_CAPABILITY_* bits), as last announced.
    std::uint32_t seatCapabilities() const { return seatCapabilities_; }

    // Outputs whose layout is known.
    QList<const WaylandOutput*> outputs() const;
    // The output whose logical rectangle holds `point` (y-down global), else
    // the one nearest to it; none without outputs.
    const WaylandOutput* outputAt(const QPoint& point) const;
    const WaylandOutput* outputNamed(const QString& name) const;

    // Sends queued requests now.
    void flush();
    bool isBroken() const { return broken_; }

Q_SIGNALS:
    // An output appeared, went or changed place, size or scale.
    void outputsChanged();
    // The connection failed; nothing more will be delivered.
    void broken();
    // The seat gained or lost a pointer or keyboard.
    void seatCapabilitiesChanged(std::uint32_t capabilities);

private:
    WaylandDisplay() = default;
    bool setUp();
    void readEvents();
    void dispatchPending();
    void fail(const char* what);
    void addOutput(std::uint32_t name, std::uint32_t version);
    void removeGlobal(std::uint32_t name);
    void watchOutput(WaylandOutput& output);
    void outputDone(WaylandOutput& output);

public:
    // Registry listener entry points.
    static void handleGlobal(void* data, wl_registry* registry, std::uint32_t name,
                             const char* interface, std::uint32_t version);
    static void handleGlobalRemove(void* data, wl_registry* registry, std::uint32_t name);
    void setSeatCapabilities(std::uint32_t capabilities);

private:
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    zxdg_output_manager_v1* xdgOutputManager_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractionalScaleManager_ = nullptr;
    std::uint32_t layerShellVersion_ = 0;
    std::uint32_t seatCapabilities_ = 0;
    std::vector<std::unique_ptr<WaylandOutput>> outputs_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QMetaObject::Connection aboutToBlock_;
    bool broken_ = false;
};

}  // namespace mirelon
