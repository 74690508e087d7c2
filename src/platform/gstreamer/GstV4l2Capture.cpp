// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstV4l2Capture.h"

#include "platform/gstreamer/GstCaptureMode.h"
#include "platform/gstreamer/GstCapturePipeline.h"
#include "platform/qt/Logging.h"

#include <gst/gst.h>

namespace mirelon::GstV4l2Capture {
namespace {

class V4l2Input final : public CaptureDeviceInput {
public:
    V4l2Input(QString id, QString name, GstDevice* device, GstCaps* caps, CaptureMode mode)
        : CaptureDeviceInput(std::move(id), std::move(name)),
          device_(device),
          caps_(caps),
          mode_(mode) {}
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
        return std::make_unique<GstCapturePipeline>(gst_device_create_element(device_, nullptr),
                                                    options, mailbox);
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
    return std::make_shared<V4l2Input>(cameraId, displayName, device, caps, *mode);
}

}  // namespace mirelon::GstV4l2Capture
