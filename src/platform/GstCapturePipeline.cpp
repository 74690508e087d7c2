#include "platform/GstCapturePipeline.h"

#include "platform/Logging.h"

#include <QtEndian>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <atomic>
#include <chrono>

namespace mirelon {

namespace GstCapture {

void ensureInitialized() {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
}

QString describeError(void* gstMessage) {
    auto* message = static_cast<GstMessage*>(gstMessage);
    GError* err = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &err, &debug);
    QString text = err ? QString::fromUtf8(err->message) : QStringLiteral("unknown error");
    if (err) {
        g_error_free(err);
    }
    g_free(debug);
    return text;
}

}  // namespace GstCapture

namespace {

std::atomic<int> streamingThreads{0};
std::atomic<int> livePipelines{0};

// A mapped sample that lives as long as the QImage showing it.
struct MappedSample {
    GstSample* sample;
    GstBuffer* buffer;
    GstMapInfo map;
};

void releaseMapped(void* data) {
    auto* m = static_cast<MappedSample*>(data);
    gst_buffer_unmap(m->buffer, &m->map);
    gst_sample_unref(m->sample);
    delete m;
}

GstFlowReturn onNewSample(GstAppSink* sink, gpointer data) {
    auto* mailbox = static_cast<FrameMailbox*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) {
        return GST_FLOW_OK;
    }
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }
    auto* mapped = new MappedSample{sample, buffer, {}};
    if (!gst_buffer_map(buffer, &mapped->map, GST_MAP_READ)) {
        gst_sample_unref(sample);
        delete mapped;
        return GST_FLOW_OK;
    }
    const int width = GST_VIDEO_INFO_WIDTH(&info);
    const int height = GST_VIDEO_INFO_HEIGHT(&info);
    int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    gsize offset = GST_VIDEO_INFO_PLANE_OFFSET(&info, 0);
    // Buffers straight from a device may carry their own layout.
    if (const GstVideoMeta* meta = gst_buffer_get_video_meta(buffer)) {
        stride = meta->stride[0];
        offset = meta->offset[0];
    }
    if (width <= 0 || height <= 0 || stride < width * 4 ||
        mapped->map.size < offset + static_cast<gsize>(stride) * height) {
        releaseMapped(mapped);
        return GST_FLOW_OK;
    }
    // BGRx in memory is 0xffRRGGBB per pixel on little-endian machines. The
    // image reads the buffer in place; anyone who writes to it gets a copy.
    const uchar* pixels = mapped->map.data + offset;
    QImage frame(pixels, width, height, stride, QImage::Format_RGB32, releaseMapped, mapped);
    mailbox->post(std::move(frame));
    return GST_FLOW_OK;
}

GstElement* make(const char* factory) {
    GstElement* e = gst_element_factory_make(factory, nullptr);
    if (!e) {
        qCWarning(lcCapture) << "GStreamer element" << factory << "is missing";
    }
    return e;
}

}  // namespace

GstCapturePipeline::GstCapturePipeline(GstElement* source, Options options, FrameMailbox& mailbox)
    : mailbox_(mailbox), options_(std::move(options)) {
    GstCapture::ensureInitialized();
    if (!source) {
        buildError_ = QStringLiteral("no source element");
        return;
    }
    gst_object_ref_sink(source);
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* sourceFilter = make("capsfilter");
    GstElement* decoder = options_.decodeJpeg ? make("jpegdec") : nullptr;
    GstElement* convert = make("videoconvert");
    GstElement* outputFilter = make("capsfilter");
    GstElement* sink = make("appsink");
    const bool complete = pipeline && sourceFilter && convert && outputFilter && sink &&
                          (decoder || !options_.decodeJpeg);
    if (!complete) {
        for (GstElement* e : {pipeline, sourceFilter, decoder, convert, outputFilter, sink}) {
            if (e) {
                gst_object_unref(gst_object_ref_sink(e));
            }
        }
        gst_object_unref(source);
        buildError_ = QStringLiteral("a GStreamer element is missing");
        return;
    }
    if (!options_.sourceCaps.isEmpty()) {
        GstCaps* caps = gst_caps_from_string(options_.sourceCaps.toUtf8().constData());
        g_object_set(sourceFilter, "caps", caps, nullptr);
        if (caps) {
            gst_caps_unref(caps);
        }
    }
    // The byte order of QImage::Format_RGB32 (0xffRRGGBB words).
    GstCaps* bgrx = gst_caps_from_string(
        Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "video/x-raw,format=BGRx" : "video/x-raw,format=xRGB");
    g_object_set(outputFilter, "caps", bgrx, nullptr);
    gst_caps_unref(bgrx);
    g_object_set(sink, "max-buffers", 1u, "drop", TRUE, "sync", FALSE, "enable-last-sample", FALSE,
                 "emit-signals", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = onNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, &mailbox_, nullptr);

    gst_bin_add_many(GST_BIN(pipeline), source, sourceFilter, convert, outputFilter, sink, nullptr);
    gst_object_unref(source);  // the bin holds it now
    bool linked = gst_element_link(source, sourceFilter);
    if (decoder) {
        gst_bin_add(GST_BIN(pipeline), decoder);
        linked = linked && gst_element_link_many(sourceFilter, decoder, convert, nullptr);
    } else {
        linked = linked && gst_element_link(sourceFilter, convert);
    }
    linked = linked && gst_element_link_many(convert, outputFilter, sink, nullptr);
    if (!linked) {
        gst_object_unref(pipeline);
        buildError_ = QStringLiteral("the pipeline could not be linked");
        return;
    }
    pipeline_ = pipeline;
    livePipelines.fetch_add(1, std::memory_order_acq_rel);
    g_object_weak_ref(
        G_OBJECT(pipeline_),
        [](gpointer, GObject*) { livePipelines.fetch_sub(1, std::memory_order_acq_rel); }, nullptr);
    bus_ = gst_element_get_bus(pipeline_);
    // Nobody reads state or stream messages: only errors and the end of the
    // stream are kept, so the bus does not fill up while the camera runs.
    gst_bus_set_sync_handler(
        bus_,
        [](GstBus*, GstMessage* m, gpointer) {
            const auto type = GST_MESSAGE_TYPE(m);
            if (type == GST_MESSAGE_STREAM_STATUS) {
                // Posted by the streaming thread itself as it enters and leaves.
                GstStreamStatusType status{};
                gst_message_parse_stream_status(m, &status, nullptr);
                if (status == GST_STREAM_STATUS_TYPE_ENTER) {
                    streamingThreads.fetch_add(1, std::memory_order_acq_rel);
                } else if (status == GST_STREAM_STATUS_TYPE_LEAVE) {
                    streamingThreads.fetch_sub(1, std::memory_order_acq_rel);
                }
            }
            if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS) {
                return GST_BUS_PASS;
            }
            // A dropped message is ours to release; it holds the element that
            // posted it (the pipeline itself, for state changes).
            gst_message_unref(m);
            return GST_BUS_DROP;
        },
        nullptr, nullptr);
}

GstCapturePipeline::~GstCapturePipeline() {
    stop();
    if (bus_) {
        gst_object_unref(bus_);
    }
    if (pipeline_) {
        gst_object_unref(pipeline_);
    }
}

bool GstCapturePipeline::start(QString* error) {
    auto fail = [&](const QString& why) {
        stop();
        if (error) {
            *error = why;
        }
        return false;
    };
    if (!pipeline_) {
        return fail(buildError_);
    }
    ended_ = false;
    gst_bus_set_flushing(bus_, TRUE);  // forget messages of an earlier run
    gst_bus_set_flushing(bus_, FALSE);
    const auto postedBefore = mailbox_.postedCount();
    playing_ = true;
    if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        QString why = QStringLiteral("the pipeline refused to play");
        if (GstMessage* m = gst_bus_pop_filtered(bus_, GST_MESSAGE_ERROR)) {
            why = GstCapture::describeError(m);
            gst_message_unref(m);
        }
        return fail(why);
    }
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::milliseconds(static_cast<int>(options_.startTimeoutSeconds * 1000));
    while (mailbox_.postedCount() == postedBefore) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return fail(
                QStringLiteral("no frame arrived within %1 s").arg(options_.startTimeoutSeconds));
        }
        GstMessage* m = gst_bus_timed_pop_filtered(
            bus_, 5 * GST_MSECOND,
            static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
        if (m) {
            const QString why = GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR
                                    ? GstCapture::describeError(m)
                                    : QStringLiteral("the camera stopped before its first frame");
            gst_message_unref(m);
            return fail(why);
        }
    }
    return true;
}

void GstCapturePipeline::stop() {
    if (pipeline_ && playing_) {
        // Synchronous: returns once every streaming thread has left the elements.
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        playing_ = false;
    }
}

bool GstCapturePipeline::ended() const {
    if (!ended_ && bus_) {
        if (GstMessage* m = gst_bus_pop_filtered(
                bus_, static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS))) {
            if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR) {
                qCWarning(lcCapture).noquote()
                    << "Camera pipeline error:" << GstCapture::describeError(m);
            }
            gst_message_unref(m);
            ended_ = true;
        }
    }
    return ended_;
}

int GstCapturePipeline::activeStreamingThreads() {
    return streamingThreads.load(std::memory_order_acquire);
}

int GstCapturePipeline::livePipelineCount() {
    return livePipelines.load(std::memory_order_acquire);
}

bool GstCapturePipeline::isRunning() const {
    if (!pipeline_ || !playing_ || ended()) {
        return false;
    }
    const auto last = mailbox_.lastPostTime();
    const auto age = std::chrono::steady_clock::now() - last;
    return last.time_since_epoch().count() != 0 &&
           age < std::chrono::milliseconds(static_cast<int>(options_.frameTimeoutSeconds * 1000));
}

}  // namespace mirelon
