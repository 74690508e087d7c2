// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstV4l2Capture.h"

#include "platform/gstreamer/GstCaptureMode.h"
#include "platform/gstreamer/GstCapturePipeline.h"
#include "platform/gstreamer/GstPipeWireCameras.h"
#include "platform/qt/Logging.h"

#include <gst/gst.h>

namespace mirelon::GstV4l2Capture {
namespace {

class V4l2Input final : public CaptureDeviceInput {
public:
    V4l2Input(QString id, QString name, GstDevice* device, GstCaps* caps, CaptureMode mode,
              bool pipewire)
        : CaptureDeviceInput(std::move(id), std::move(name)),
          device_(device),
          caps_(caps),
          mode_(mode),
          pipewire_(pipewire) {}
    ~V4l2Input() override {
        gst_caps_unref(caps_);
        gst_object_unref(device_);
    }

    std::unique_ptr<CapturePipeline> makePipeline(FrameMailbox& mailbox) override {
        if (!(mode_ == loggedMode_)) {
            loggedMode_ = mode_;
            qCInfo(lcCapture).noquote() << "Camera" << deviceName() << "mode" << mode_.capsString();
        }
        started_ = true;
        GstCapturePipeline::Options options;
        options.sourceCaps = mode_.capsString();
        options.decodeJpeg = mode_.encoding == CaptureMode::Encoding::mjpeg;
        GstElement* source = gst_device_create_element(device_, nullptr);
        if (pipewire_) {
            // A PipeWire stream that is never linked blocks its change to
            // playing for half a minute and reports nothing: a stream without
            // a frame by the deadline failed.
            options.startTimeoutSeconds = 3.0;
            if (source && g_object_class_find_property(G_OBJECT_GET_CLASS(source), "client-name")) {
                g_object_set(source, "client-name", "Mirelon", nullptr);
            }
            // PipeWire's buffers live in memory that the stream unmaps when
            // the camera goes away, whoever still holds them: a frame a panel
            // still shows would then point at nothing. Frames are copied out.
            if (source && g_object_class_find_property(G_OBJECT_GET_CLASS(source), "always-copy")) {
                g_object_set(source, "always-copy", TRUE, nullptr);
            }

            // A camera of the portal's connection streams through it (the
            // element takes a copy of the descriptor).
            const int fd = GstCameraDirectory::remoteFdOf(device_);
            if (source && fd >= 0 &&
                g_object_class_find_property(G_OBJECT_GET_CLASS(source), "fd")) {
                g_object_set(source, "fd", fd, nullptr);
            }
        }
        return std::make_unique<GstCapturePipeline>(source, options, mailbox);
    }

    bool adaptTo(QSize wanted) override {
        const auto best = chooseCaptureMode(caps_, wanted);
        // Before the first start the best mode is simply taken.
        if (!best || *best == mode_ || (started_ && !shouldSwitchMode(mode_, best, wanted))) {
            return false;
        }
        mode_ = *best;
        return started_;
    }

private:
    GstDevice* device_;
    GstCaps* caps_;
    CaptureMode mode_;
    CaptureMode loggedMode_;
    bool pipewire_;
    bool started_ = false;
};

}  // namespace

std::shared_ptr<CaptureDeviceInput> makeInput(const GstCameraDirectory& directory,
                                              const QString& cameraId, QString* error) {
    auto fail = [&](const QString& why) -> std::shared_ptr<CaptureDeviceInput> {
        if (error) {
            *error = why;
        }
        return nullptr;
    };
    GstDevice* device = directory.createDeviceFor(cameraId);
    if (!device) {
        return fail(QStringLiteral("The camera is not connected."));
    }
    return makeInput(device, cameraId, error);
}

std::shared_ptr<CaptureDeviceInput> makeInput(GstDevice* device, const QString& cameraId,
                                              QString* error) {
    auto fail = [&](const QString& why) -> std::shared_ptr<CaptureDeviceInput> {
        if (error) {
            *error = why;
        }
        return nullptr;
    };
    // A device that cannot even make its source element cannot be opened.
    GstElement* probe = gst_device_create_element(device, nullptr);
    if (!probe) {
        gst_object_unref(device);
        return fail(QStringLiteral("The device could not be opened."));
    }
    gst_object_unref(gst_object_ref_sink(probe));
    GstCaps* caps = gst_device_get_caps(device);
    const auto mode = chooseCaptureMode(caps);
    if (!mode) {
        if (caps) {
            gst_caps_unref(caps);
        }
        gst_object_unref(device);
        return fail(QStringLiteral("The camera offers no usable video mode."));
    }
    gchar* name = gst_device_get_display_name(device);
    const QString displayName = QString::fromUtf8(name ? name : "");
    g_free(name);
    GstStructure* props = gst_device_get_properties(device);
    const bool pipewire = GstPipeWireCameras::isNode(props);
    if (props) {
        gst_structure_free(props);
    }
    return std::make_shared<V4l2Input>(cameraId, displayName, device, caps, *mode, pipewire);
}

}  // namespace mirelon::GstV4l2Capture
