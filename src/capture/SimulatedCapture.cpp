// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/SimulatedCapture.h"

#include "capture/SimulatedFrameLoop.h"
#include "platform/GstCaptureMode.h"

#include "platform/GstCapturePipeline.h"
#include "platform/Logging.h"

#include <QDir>
#include <QImageReader>

#include <gst/gst.h>

#include <map>

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
        // The pattern comes in BGRx, as it always has; realistic cameras
        // bring their own formats.
        options.sourceCaps =
            QStringLiteral("video/x-raw,format=BGRx,width=%1,height=%2,framerate=%3/1")
                .arg(spec_.width)
                .arg(spec_.height)
                .arg(spec_.fps);
        return std::make_unique<GstCapturePipeline>(source, options, mailbox);
    }

private:
    SimulatedCameraSpec spec_;
};

// A camera with modes: the mode is chosen from them by the rules real
// cameras' modes are chosen by, and its frames are the picture encoded once
// per mode and looped.
class RealisticInput final : public CaptureDeviceInput {
public:
    RealisticInput(SimulatedCameraSpec spec, QImage picture, CaptureMode mode)
        : CaptureDeviceInput(spec.id, spec.name),
          spec_(std::move(spec)),
          picture_(std::move(picture)),
          mode_(std::move(mode)) {}

    std::unique_ptr<CapturePipeline> makePipeline(FrameMailbox& mailbox) override {
        if (!(mode_ == loggedMode_)) {
            loggedMode_ = mode_;
            qCInfo(lcCapture).noquote() << "Camera" << deviceName() << "mode" << mode_.capsString();
        }
        started_ = true;
        auto& loop = loops_[mode_.capsString()];
        if (!loop) {
            loop = SimulatedFrameLoop::make(picture_, mode_, spec_.corruptEvery);
        }
        GstElement* source = nullptr;
        if (loop) {
            const int limit = spec_.fail == SimulatedFailure::start ? 0
                              : spec_.fail == SimulatedFailure::stall
                                  ? mode_.fpsNumerator / std::max(1, mode_.fpsDenominator)
                                  : -1;
            source = loop->makeSource(limit);
        }
        GstCapturePipeline::Options options;
        options.sourceCaps = mode_.capsString();
        options.decodeJpeg = mode_.encoding == CaptureMode::Encoding::mjpeg;
        return std::make_unique<GstCapturePipeline>(source, options, mailbox);
    }

    bool adaptTo(QSize wanted) override {
        const auto best = chooseCaptureMode(spec_.modesCaps(), wanted);
        if (!best || *best == mode_ || (started_ && !shouldSwitchMode(mode_, best, wanted))) {
            return false;
        }
        mode_ = *best;
        return started_;
    }

private:
    SimulatedCameraSpec spec_;
    QImage picture_;
    CaptureMode mode_;
    CaptureMode loggedMode_;
    bool started_ = false;
    std::map<QString, std::shared_ptr<SimulatedFrameLoop>> loops_;  // by mode
};

// The camera's picture: its image file (bounded in size), else bars.
QImage pictureOf(const SimulatedCameraSpec& spec, const QString& folder) {
    if (spec.image.isEmpty()) {
        return {};
    }
    QImageReader reader(QDir(folder).filePath(spec.image));
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > 8192 || size.height() > 8192) {
        qCWarning(lcCapture).noquote()
            << "Simulated camera" << spec.id << ": cannot use the image" << spec.image;
        return {};
    }
    QImage image = reader.read();
    if (image.isNull()) {
        qCWarning(lcCapture).noquote() << "Simulated camera" << spec.id << ": cannot read"
                                       << spec.image << "-" << reader.errorString();
    }
    return image;
}

}  // namespace

std::shared_ptr<CaptureDeviceInput> makeInput(const SimulatedCameraSpec& spec, QString* error,
                                              const QString& folder) {
    if (spec.fail != SimulatedFailure::open && !spec.modes.isEmpty()) {
        const auto mode = chooseCaptureMode(spec.modesCaps());
        if (!mode) {
            if (error) {
                *error = QStringLiteral("The camera offers no usable video mode.");
            }
            return nullptr;
        }
        return std::make_shared<RealisticInput>(spec, pictureOf(spec, folder), *mode);
    }
    return makeInput(spec, error);
}

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
