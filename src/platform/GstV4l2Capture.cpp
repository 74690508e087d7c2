#include "platform/GstV4l2Capture.h"

#include "platform/GstCaptureMode.h"
#include "platform/GstCapturePipeline.h"
#include "platform/Logging.h"

#include <gst/gst.h>

namespace mirelon::GstV4l2Capture {
namespace {

class V4l2Input final : public CaptureDeviceInput {
public:
    V4l2Input(QString id, QString name, GstDevice* device, CaptureMode mode)
        : CaptureDeviceInput(std::move(id), std::move(name)), device_(device), mode_(mode) {}
    ~V4l2Input() override { gst_object_unref(device_); }

    std::unique_ptr<CapturePipeline> makePipeline(FrameMailbox& mailbox) override {
        GstCapturePipeline::Options options;
        options.sourceCaps = mode_.capsString();
        options.decodeJpeg = mode_.encoding == CaptureMode::Encoding::mjpeg;
        return std::make_unique<GstCapturePipeline>(gst_device_create_element(device_, nullptr),
                                                    options, mailbox);
    }

private:
    GstDevice* device_;
    CaptureMode mode_;
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
    GstCaps* caps = gst_device_get_caps(device);
    const auto mode = chooseCaptureMode(caps);
    if (caps) {
        gst_caps_unref(caps);
    }
    if (!mode) {
        gst_object_unref(device);
        return fail(QStringLiteral("The camera offers no usable video mode."));
    }
    gchar* name = gst_device_get_display_name(device);
    const QString displayName = QString::fromUtf8(name ? name : "");
    g_free(name);
    qCDebug(lcCapture).noquote() << "Camera" << displayName << "mode" << mode->capsString();
    return std::make_shared<V4l2Input>(cameraId, displayName, device, *mode);
}

}  // namespace mirelon::GstV4l2Capture
