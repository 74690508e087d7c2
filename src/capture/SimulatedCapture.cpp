#include "capture/SimulatedCapture.h"

#include "platform/GstCapturePipeline.h"
#include "platform/Logging.h"

#include <gst/gst.h>

namespace mirelon::SimulatedCapture {
namespace {

bool knownPattern(GstElement* source, const QString& pattern) {
    GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(source), "pattern");
    if (!spec || !G_IS_PARAM_SPEC_ENUM(spec)) {
        return false;
    }
    GEnumClass* enumClass = G_PARAM_SPEC_ENUM(spec)->enum_class;
    return g_enum_get_value_by_nick(enumClass, pattern.toUtf8().constData()) != nullptr;
}

class SimulatedInput final : public CaptureDeviceInput {
public:
    explicit SimulatedInput(SimulatedCameraSpec spec)
        : CaptureDeviceInput(spec.id, spec.name), spec_(std::move(spec)) {}

    std::unique_ptr<CapturePipeline> makePipeline(FrameMailbox& mailbox) override {
        GstCapture::ensureInitialized();
        GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
        if (source) {
            g_object_set(source, "is-live", TRUE, nullptr);
            if (knownPattern(source, spec_.pattern)) {
                gst_util_set_object_arg(G_OBJECT(source), "pattern",
                                        spec_.pattern.toUtf8().constData());
            } else {
                qCWarning(lcCapture).noquote()
                    << "Simulated camera" << spec_.id << ": unknown pattern" << spec_.pattern
                    << "- using the default";
            }
            if (spec_.fail == SimulatedFailure::start) {
                g_object_set(source, "num-buffers", 0, nullptr);
            } else if (spec_.fail == SimulatedFailure::stall) {
                g_object_set(source, "num-buffers", spec_.fps, nullptr);
            }
        }
        GstCapturePipeline::Options options;
        options.sourceCaps = QStringLiteral("video/x-raw,width=%1,height=%2,framerate=%3/1")
                                 .arg(spec_.width)
                                 .arg(spec_.height)
                                 .arg(spec_.fps);
        return std::make_unique<GstCapturePipeline>(source, options, mailbox);
    }

private:
    SimulatedCameraSpec spec_;
};

}  // namespace

std::shared_ptr<CaptureDeviceInput> makeInput(const SimulatedCameraSpec& spec, QString* error) {
    if (spec.fail == SimulatedFailure::open) {
        if (error) {
            *error = QStringLiteral("The device could not be opened.");
        }
        return nullptr;
    }
    return std::make_shared<SimulatedInput>(spec);
}

}  // namespace mirelon::SimulatedCapture
