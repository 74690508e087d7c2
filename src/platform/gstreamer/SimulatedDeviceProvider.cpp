// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/SimulatedDeviceProvider.h"

#include "capture/SimulatedCameraFolder.h"
#include "platform/gstreamer/GstCaptureMode.h"
#include "platform/gstreamer/GstCapturePipeline.h"
#include "platform/gstreamer/SimulatedFrameLoop.h"
#include "platform/gstreamer/SimulatedPicture.h"
#include "platform/qt/Logging.h"

#include <QDir>

#include <gst/gst.h>

#include <map>
#include <memory>
#include <mutex>

namespace mirelon {
namespace {

// What a device and the elements it made share: the camera, its picture's
// file data (read when first needed; decoded only while frames are made from
// it) and the frames of the mode it played last, kept across restarts of the
// camera. Cameras showing the same picture the same way share their frames.
struct CameraState {
    SimulatedCameraFile spec;
    QString folder;
    std::mutex mutex;
    bool pictureRead = false;
    QByteArray picture;  // empty: bars
    QString loopMode;
    std::shared_ptr<SimulatedFrameLoop> loop;
};

bool knownPattern(GstElement* source, const QString& pattern) {
    GParamSpec* param = g_object_class_find_property(G_OBJECT_GET_CLASS(source), "pattern");
    if (!param || !G_IS_PARAM_SPEC_ENUM(param)) {
        return false;
    }
    GEnumClass* enumClass = G_PARAM_SPEC_ENUM(param)->enum_class;
    return g_enum_get_value_by_nick(enumClass, pattern.toUtf8().constData()) != nullptr;
}

// A camera without modes: a live test pattern in BGRx at the file's size and
// rate, as it always was.
GstElement* patternSource(const SimulatedCameraFile& spec) {
    GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
    if (!source) {
        return nullptr;
    }
    g_object_set(source, "is-live", TRUE, nullptr);
    if (knownPattern(source, spec.pattern)) {
        gst_util_set_object_arg(G_OBJECT(source), "pattern", spec.pattern.toUtf8().constData());
    } else {
        qCWarning(lcCapture).noquote() << "Simulated camera" << spec.id << ": unknown pattern"
                                       << spec.pattern << "- using the default";
    }
    if (spec.fail == SimulatedFailure::start) {
        g_object_set(source, "num-buffers", 0, nullptr);
    } else if (spec.fail == SimulatedFailure::stall) {
        g_object_set(source, "num-buffers", spec.fps, nullptr);
    }
    return source;
}

// A camera with modes: the picture looped in the mode the capture pipeline
// asks for.
GstElement* loopSource(const std::shared_ptr<CameraState>& state, const GstCaps* offered) {
    {
        std::lock_guard lock(state->mutex);
        if (!state->pictureRead) {
            state->picture =
                SimulatedPicture::read(state->spec, state->folder).value_or(QByteArray());
            state->pictureRead = true;
        }
    }
    return SimulatedFrameLoop::makeNegotiatingSource(offered, [state](const CaptureMode& mode) {
        std::lock_guard lock(state->mutex);
        if (!state->loop || state->loopMode != mode.capsString()) {
            // The frames of another mode are let go: a camera plays one.
            state->loop.reset();
            state->loop = SimulatedFrameLoop::shared(
                state->picture,
                [&] { return SimulatedPicture::decode(state->picture, state->spec); }, mode,
                state->spec.corruptEvery, state->spec.noisyFrames);
            state->loopMode = mode.capsString();
        }
        const auto loop = state->loop;
        const SimulatedFailure fail = state->spec.fail;
        const int limit = fail == SimulatedFailure::start ? 0
                          : fail == SimulatedFailure::stall
                              ? mode.fpsNumerator / std::max(1, mode.fpsDenominator)
                              : -1;
        return SimulatedFrameLoop::Choice{loop, limit};
    });
}

QString capsOf(const SimulatedCameraFile& spec) {
    if (!spec.modes.isEmpty()) {
        return spec.modesCaps();
    }
    return QStringLiteral(
               "video/x-raw, format=(string)BGRx, width=(int)%1, height=(int)%2, "
               "framerate=(fraction)%3/1")
        .arg(spec.width)
        .arg(spec.height)
        .arg(spec.fps);
}

}  // namespace
}  // namespace mirelon

// GObject types: the device and the provider.

struct MirelonSimulatedDevice {
    GstDevice parent;
    std::shared_ptr<mirelon::CameraState>* state;
};
struct MirelonSimulatedDeviceClass {
    GstDeviceClass parent_class;
};
G_DEFINE_TYPE(MirelonSimulatedDevice, mirelon_simulated_device, GST_TYPE_DEVICE)

static void mirelon_simulated_device_init(MirelonSimulatedDevice* self) {
    self->state =
        new std::shared_ptr<mirelon::CameraState>(std::make_shared<mirelon::CameraState>());
}

static void mirelonSimulatedDeviceFinalize(GObject* object) {
    delete reinterpret_cast<MirelonSimulatedDevice*>(object)->state;
    G_OBJECT_CLASS(mirelon_simulated_device_parent_class)->finalize(object);
}

static GstElement* mirelonSimulatedDeviceCreateElement(GstDevice* device, const gchar* name) {
    using namespace mirelon;
    const auto state = *reinterpret_cast<MirelonSimulatedDevice*>(device)->state;
    const SimulatedCameraFile& spec = state->spec;
    if (spec.fail == SimulatedFailure::open) {
        qCWarning(lcCapture).noquote() << "Simulated camera" << spec.id << "cannot be opened";
        return nullptr;
    }
    GstElement* element = nullptr;
    if (spec.modes.isEmpty()) {
        element = patternSource(spec);
    } else {
        GstCaps* offered = gst_device_get_caps(device);
        element = loopSource(state, offered);
        gst_caps_unref(offered);
    }
    if (element && name) {
        gst_object_set_name(GST_OBJECT(element), name);
    }
    return element;
}

static void mirelon_simulated_device_class_init(MirelonSimulatedDeviceClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = mirelonSimulatedDeviceFinalize;
    GST_DEVICE_CLASS(klass)->create_element = mirelonSimulatedDeviceCreateElement;
}

namespace mirelon {
namespace {

// The provider's state: its folder and, while started, the folder's cameras
// and their devices (owned by the provider's device list).
struct ProviderState {
    QString folder;
    std::unique_ptr<SimulatedCameraFolder> cameras;
    std::map<QString, GstDevice*> devices;
};

}  // namespace
}  // namespace mirelon

struct MirelonSimulatedProvider {
    GstDeviceProvider parent;
    mirelon::ProviderState* state;
};
struct MirelonSimulatedProviderClass {
    GstDeviceProviderClass parent_class;
};
G_DEFINE_TYPE(MirelonSimulatedProvider, mirelon_simulated_provider, GST_TYPE_DEVICE_PROVIDER)

static mirelon::ProviderState& providerState(GstDeviceProvider* provider) {
    return *reinterpret_cast<MirelonSimulatedProvider*>(provider)->state;
}

static void mirelon_simulated_provider_init(MirelonSimulatedProvider* self) {
    self->state = new mirelon::ProviderState;
}

static void mirelonSimulatedProviderFinalize(GObject* object) {
    delete reinterpret_cast<MirelonSimulatedProvider*>(object)->state;
    G_OBJECT_CLASS(mirelon_simulated_provider_parent_class)->finalize(object);
}

static GList* mirelonSimulatedProviderProbe(GstDeviceProvider* provider) {
    const QString folder = providerState(provider).folder;
    const mirelon::SimulatedCameraFolder listing(folder, false);
    GList* devices = nullptr;
    for (const auto& spec : listing.cameras()) {
        devices =
            g_list_append(devices, mirelon::SimulatedDeviceProvider::makeDevice(spec, folder));
    }
    return devices;
}

// Turns a change of the folder's cameras into device messages.
static void mirelonSimulatedProviderFollow(
    GstDeviceProvider* provider, const QMap<QString, mirelon::SimulatedCameraFile>& previous) {
    using namespace mirelon;
    ProviderState& state = providerState(provider);
    const auto& now = state.cameras->cameras();
    for (auto it = previous.begin(); it != previous.end(); ++it) {
        if (!now.contains(it.key())) {
            GstDevice* gone = state.devices[it.key()];
            state.devices.erase(it.key());
            gst_device_provider_device_remove(provider, gone);
        }
    }
    for (auto it = now.begin(); it != now.end(); ++it) {
        if (!previous.contains(it.key())) {
            GstDevice* added = SimulatedDeviceProvider::makeDevice(*it, state.folder);
            state.devices[it.key()] = added;
            gst_device_provider_device_add(provider, added);
        } else if (previous.value(it.key()) != *it) {
            GstDevice* changed = SimulatedDeviceProvider::makeDevice(*it, state.folder);
            GstDevice* old = std::exchange(state.devices[it.key()], changed);
            gst_device_provider_device_changed(provider, changed, old);
        }
    }
}

static gboolean mirelonSimulatedProviderStart(GstDeviceProvider* provider) {
    using namespace mirelon;
    ProviderState& state = providerState(provider);
    state.cameras = std::make_unique<SimulatedCameraFolder>(state.folder);
    QObject::connect(state.cameras.get(), &SimulatedCameraFolder::camerasChanged,
                     [provider](const QMap<QString, SimulatedCameraFile>& previous) {
                         mirelonSimulatedProviderFollow(provider, previous);
                     });
    // The cameras there at the start are the first devices.
    mirelonSimulatedProviderFollow(provider, {});
    return TRUE;
}

static void mirelonSimulatedProviderStop(GstDeviceProvider* provider) {
    // GStreamer drops the device list after this.
    mirelon::ProviderState& state = providerState(provider);
    state.cameras.reset();
    state.devices.clear();
}

static void mirelon_simulated_provider_class_init(MirelonSimulatedProviderClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = mirelonSimulatedProviderFinalize;
    auto* providerClass = GST_DEVICE_PROVIDER_CLASS(klass);
    providerClass->probe = mirelonSimulatedProviderProbe;
    providerClass->start = mirelonSimulatedProviderStart;
    providerClass->stop = mirelonSimulatedProviderStop;
    gst_device_provider_class_set_static_metadata(
        providerClass, "Simulated cameras", "Video/Source",
        "The cameras of a simulated camera folder", "Mirelon");
}

namespace mirelon::SimulatedDeviceProvider {
namespace {

gboolean initPlugin(GstPlugin* plugin) {
    return gst_device_provider_register(plugin, factoryName, GST_RANK_NONE,
                                        mirelon_simulated_provider_get_type());
}

}  // namespace

bool registerProvider() {
    static const bool registered = [] {
        GstCapture::ensureInitialized();
        const bool ok =
            gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "mirelonsimulated",
                                       "Simulated cameras for Mirelon", initPlugin, "1.0", "GPL",
                                       "mirelon", "Mirelon", "https://mirelon.invalid/");
        if (!ok) {
            qCWarning(lcCapture) << "Cannot register the simulated camera provider";
        }
        return ok;
    }();
    return registered;
}

GstDeviceProvider* create(const QString& folder) {
    if (!registerProvider()) {
        return nullptr;
    }
    GstDeviceProvider* provider = gst_device_provider_factory_get_by_name(factoryName);
    if (!provider) {
        qCWarning(lcCapture) << "Cannot make the simulated camera provider";
        return nullptr;
    }
    if (g_object_is_floating(provider)) {
        gst_object_ref_sink(provider);
    }
    providerState(provider).folder = folder;
    return provider;
}

QString folderOf(GstDeviceProvider* provider) {
    if (!provider || !G_TYPE_CHECK_INSTANCE_TYPE(provider, mirelon_simulated_provider_get_type())) {
        return {};
    }
    return providerState(provider).folder;
}

GstDevice* makeDevice(const SimulatedCameraFile& spec, const QString& folder) {
    GstCapture::ensureInitialized();
    GstCaps* caps = gst_caps_from_string(capsOf(spec).toUtf8().constData());
    const QByteArray path = QDir(folder).filePath(spec.id + QStringLiteral(".json")).toUtf8();
    const QByteArray id = spec.id.toUtf8();
    GstStructure* properties = gst_structure_new(
        "simulated-camera", "device.api", G_TYPE_STRING, deviceApi, "device.path", G_TYPE_STRING,
        path.constData(), "device.serial", G_TYPE_STRING, id.constData(), "device.serial.unique",
        G_TYPE_BOOLEAN, TRUE, "is-default", G_TYPE_BOOLEAN, spec.isDefault ? TRUE : FALSE, nullptr);
    const QByteArray name = spec.name.toUtf8();
    auto* device = static_cast<GstDevice*>(g_object_new(
        mirelon_simulated_device_get_type(), "display-name", name.constData(), "device-class",
        "Video/Source", "caps", caps, "properties", properties, nullptr));
    if (caps) {
        gst_caps_unref(caps);
    }
    gst_structure_free(properties);
    auto& state = **reinterpret_cast<MirelonSimulatedDevice*>(device)->state;
    state.spec = spec;
    state.folder = folder;
    return device;
}

}  // namespace mirelon::SimulatedDeviceProvider
