// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandDisplay.h"

#include "platform/wayland/WaylandProtocols.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>

Q_LOGGING_CATEGORY(lcWayland, "app.mirelon.Mirelon.wayland", QtInfoMsg)

namespace mirelon {

namespace {

template <typename T>
T* bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
        std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

const wl_output_listener outputListener{
    // geometry, mode: the logical layout comes from xdg-output
    [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
       int32_t) {},
    [](void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {},
    // done
    [](void* data, wl_output*) {
        auto* output = static_cast<WaylandOutput*>(data);
        output->done = true;
    },
    // scale
    [](void* data, wl_output*, int32_t factor) {
        static_cast<WaylandOutput*>(data)->scale = std::max(1, factor);
    },
    // name, description (version 4; the name comes from xdg-output)
    [](void*, wl_output*, const char*) {},
    [](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener xdgOutputListener{
    [](void* data, zxdg_output_v1*, int32_t x, int32_t y) {
        static_cast<WaylandOutput*>(data)->logical.moveTopLeft(QPoint(x, y));
    },
    [](void* data, zxdg_output_v1*, int32_t width, int32_t height) {
        static_cast<WaylandOutput*>(data)->logical.setSize(QSize(width, height));
    },
    [](void* data, zxdg_output_v1*) { static_cast<WaylandOutput*>(data)->done = true; },
    [](void* data, zxdg_output_v1*, const char* name) {
        static_cast<WaylandOutput*>(data)->name = QString::fromUtf8(name);
    },
    [](void*, zxdg_output_v1*, const char*) {},
};

// The seat's first announcement arrives during the set-up round trips, before
// anyone else could listen: the display keeps it.
const wl_seat_listener seatListener{
    [](void* data, wl_seat*, uint32_t caps) {
        static_cast<WaylandDisplay*>(data)->setSeatCapabilities(caps);
    },
    [](void*, wl_seat*, const char*) {},
};

const wl_registry_listener registryListener{&WaylandDisplay::handleGlobal,
                                            &WaylandDisplay::handleGlobalRemove};

}  // namespace

WaylandDisplay::~WaylandDisplay() {
    QObject::disconnect(aboutToBlock_);
    notifier_.reset();
    for (auto& output : outputs_) {
        if (output->xdgOutput) {
            zxdg_output_v1_destroy(output->xdgOutput);
        }
        if (output->output) {
            wl_output_destroy(output->output);
        }
    }
    if (xdgOutputManager_) {
        zxdg_output_manager_v1_destroy(xdgOutputManager_);
    }
    if (fractionalScaleManager_) {
        wp_fractional_scale_manager_v1_destroy(fractionalScaleManager_);
    }
    if (viewporter_) {
        wp_viewporter_destroy(viewporter_);
    }
    if (layerShell_) {
        zwlr_layer_shell_v1_destroy(layerShell_);
    }
    if (seat_) {
        wl_seat_destroy(seat_);
    }
    if (shm_) {
        wl_shm_destroy(shm_);
    }
    if (compositor_) {
        wl_compositor_destroy(compositor_);
    }
    if (registry_) {
        wl_registry_destroy(registry_);
    }
    if (display_) {
        wl_display_disconnect(display_);
    }
}

bool WaylandDisplay::offersLayerShell() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        return false;
    }
    bool offered = false;
    static const wl_registry_listener probe{
        [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
            if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
                *static_cast<bool*>(data) = true;
            }
        },
        [](void*, wl_registry*, uint32_t) {}};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &probe, &offered);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return offered;
}

std::unique_ptr<WaylandDisplay> WaylandDisplay::connect() {
    std::unique_ptr<WaylandDisplay> display(new WaylandDisplay());
    if (!display->setUp()) {
        return nullptr;
    }
    return display;
}

bool WaylandDisplay::setUp() {
    display_ = wl_display_connect(nullptr);
    if (!display_) {
        qCWarning(lcWayland) << "No Wayland display to connect to";
        return false;
    }
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &registryListener, this);
    // Globals first, then the outputs' layout events.
    if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
        qCWarning(lcWayland) << "The Wayland connection failed while reading its globals";
        return false;
    }
    if (!compositor_ || !shm_ || !layerShell_) {
        qCWarning(lcWayland) << "The compositor lacks" << (!layerShell_ ? "layer shell" : "shm");
        return false;
    }
    for (auto& output : outputs_) {
        output->done = true;  // whatever arrived in the round trips is the layout
    }
    notifier_ =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this,
                     &WaylandDisplay::readEvents);
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        aboutToBlock_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                                         &WaylandDisplay::dispatchPending);
    }
    qCInfo(lcWayland) << "Overlay connection: layer shell version" << layerShellVersion_ << ","
                      << outputs_.size() << "outputs,"
                      << (fractionalScaleManager() ? "with" : "without") << "fractional scales";
    return true;
}

void WaylandDisplay::handleGlobal(void* data, wl_registry* registry, std::uint32_t name,
                                  const char* interface, std::uint32_t version) {
    auto* self = static_cast<WaylandDisplay*>(data);
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        self->compositor_ =
            bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        self->shm_ = bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
        self->seat_ = bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
        wl_seat_add_listener(self->seat_, &seatListener, self);
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
        self->layerShellVersion_ = std::min<std::uint32_t>(version, 4);
        self->layerShell_ =
            bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 4);
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        self->xdgOutputManager_ = bind<zxdg_output_manager_v1>(
            registry, name, &zxdg_output_manager_v1_interface, version, 3);
        for (auto& output : self->outputs_) {
            self->watchOutput(*output);
        }
    } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0) {
        self->viewporter_ =
            bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
    } else if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0) {
        self->fractionalScaleManager_ = bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        self->addOutput(name, version);
    }
}

void WaylandDisplay::handleGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    static_cast<WaylandDisplay*>(data)->removeGlobal(name);
}

void WaylandDisplay::setSeatCapabilities(std::uint32_t capabilities) {
    seatCapabilities_ = capabilities;
    Q_EMIT seatCapabilitiesChanged(capabilities);
}

void WaylandDisplay::addOutput(std::uint32_t name, std::uint32_t version) {
    auto output = std::make_unique<WaylandOutput>();
    output->globalName = name;
    output->output = bind<wl_output>(registry_, name, &wl_output_interface, version, 2);
    wl_output_add_listener(output->output, &outputListener, output.get());
    watchOutput(*output);
    outputs_.push_back(std::move(output));
}

void WaylandDisplay::watchOutput(WaylandOutput& output) {
    if (!xdgOutputManager_ || output.xdgOutput) {
        return;
    }
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputManager_, output.output);
    zxdg_output_v1_add_listener(output.xdgOutput, &xdgOutputListener, &output);
}

void WaylandDisplay::removeGlobal(std::uint32_t name) {
    auto it = std::find_if(outputs_.begin(), outputs_.end(),
                           [name](const auto& o) { return o->globalName == name; });
    if (it == outputs_.end()) {
        return;
    }
    std::unique_ptr<WaylandOutput> gone = std::move(*it);
    outputs_.erase(it);
    qCInfo(lcWayland) << "Output removed:" << gone->name;
    Q_EMIT outputsChanged();
    if (gone->xdgOutput) {
        zxdg_output_v1_destroy(gone->xdgOutput);
    }
    wl_output_destroy(gone->output);
}

QList<const WaylandOutput*> WaylandDisplay::outputs() const {
    QList<const WaylandOutput*> out;
    for (const auto& output : outputs_) {
        if (output->done && !output->logical.isEmpty()) {
            out.append(output.get());
        }
    }
    return out;
}

const WaylandOutput* WaylandDisplay::outputAt(const QPoint& point) const {
    const WaylandOutput* nearest = nullptr;
    qint64 best = -1;
    for (const WaylandOutput* output : outputs()) {
        if (output->logical.contains(point)) {
            return output;
        }
        const QPoint c = output->logical.center();
        const qint64 d = qint64(c.x() - point.x()) * (c.x() - point.x()) +
                         qint64(c.y() - point.y()) * (c.y() - point.y());
        if (best < 0 || d < best) {
            best = d;
            nearest = output;
        }
    }
    return nearest;
}

const WaylandOutput* WaylandDisplay::outputNamed(const QString& name) const {
    for (const WaylandOutput* output : outputs()) {
        if (output->name == name) {
            return output;
        }
    }
    return nullptr;
}

void WaylandDisplay::flush() {
    if (display_ && !broken_) {
        wl_display_flush(display_);
    }
}

void WaylandDisplay::readEvents() {
    if (broken_) {
        return;
    }
    if (wl_display_prepare_read(display_) == 0) {
        if (wl_display_read_events(display_) < 0) {
            fail("reading");
            return;
        }
    }
    dispatchPending();
}

void WaylandDisplay::dispatchPending() {
    if (broken_) {
        return;
    }
    // Layout changes end with a "done" event; report them once per batch.
    QList<QRect> before;
    QList<int> scales;
    for (const auto& output : outputs_) {
        before.append(output->logical);
        scales.append(output->scale);
    }
    const std::size_t count = outputs_.size();
    if (wl_display_dispatch_pending(display_) < 0) {
        fail("dispatching");
        return;
    }
    bool changed = outputs_.size() != count;
    for (std::size_t i = 0; !changed && i < outputs_.size(); ++i) {
        changed = outputs_[i]->logical != before[int(i)] || outputs_[i]->scale != scales[int(i)];
    }
    if (changed) {
        Q_EMIT outputsChanged();
    }
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
        fail("writing");
    }
}

void WaylandDisplay::fail(const char* what) {
    broken_ = true;
    notifier_.reset();
    QObject::disconnect(aboutToBlock_);
    const int error = wl_display_get_error(display_);
    qCWarning(lcWayland) << "The overlay connection failed while" << what << "(error" << error
                         << "); overlays stop";
    Q_EMIT broken();
}

}  // namespace mirelon
