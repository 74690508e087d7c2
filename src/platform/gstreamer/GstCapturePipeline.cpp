// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstCapturePipeline.h"

#include "platform/qt/Logging.h"

#include <QImage>
#include <QtEndian>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

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

bool isBusyError(void* gstMessage) {
    auto* message = static_cast<GstMessage*>(gstMessage);
    if (!message || GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR) {
        return false;
    }
    GError* err = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &err, &debug);
    const bool busy = (err && g_error_matches(err, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_BUSY)) ||
                      (debug && g_strstr_len(debug, -1, g_strerror(EBUSY)));
    if (err) {
        g_error_free(err);
    }
    g_free(debug);
    return busy;
}

}  // namespace GstCapture

namespace {

std::atomic<int> unsettledPipelines{0};
std::atomic<int> livePipelines{0};

// A mapped sample that lives as long as any frame showing it.
struct MappedSample {
    GstSample* sample = nullptr;
    GstBuffer* buffer = nullptr;
    GstMapInfo map{};
    MappedSample() = default;
    MappedSample(const MappedSample&) = delete;
    MappedSample& operator=(const MappedSample&) = delete;
    ~MappedSample() {
        if (buffer) {
            gst_buffer_unmap(buffer, &map);
        }
        if (sample) {
            gst_sample_unref(sample);
        }
    }
};

YuvColorimetry colorimetryOf(const GstVideoInfo& info) {
    YuvColorimetry c;
    gdouble kr = 0, kb = 0;
    if (gst_video_color_matrix_get_Kr_Kb(GST_VIDEO_INFO_COLORIMETRY(&info).matrix, &kr, &kb)) {
        c.kr = kr;
        c.kb = kb;
    }
    c.fullRange = GST_VIDEO_INFO_COLORIMETRY(&info).range == GST_VIDEO_COLOR_RANGE_0_255;
    return c;
}

// The frame a raw sample holds, read in place; null when its layout is not
// one of ours or its buffer is smaller than its planes claim.
VideoFrame rawFrame(const std::shared_ptr<MappedSample>& mapped, const GstVideoInfo& info) {
    const int width = GST_VIDEO_INFO_WIDTH(&info);
    const int height = GST_VIDEO_INFO_HEIGHT(&info);
    if (width <= 0 || height <= 0) {
        return {};
    }
    const GstVideoMeta* meta = gst_buffer_get_video_meta(mapped->buffer);
    const guint planes = GST_VIDEO_INFO_N_PLANES(&info);
    std::array<const uchar*, 3> data{};
    std::array<int, 3> strides{};
    for (guint i = 0; i < planes && i < 3; ++i) {
        // Buffers straight from a device may carry their own layout.
        const gsize offset = meta ? meta->offset[i] : GST_VIDEO_INFO_PLANE_OFFSET(&info, i);
        const int stride = meta ? meta->stride[i] : GST_VIDEO_INFO_PLANE_STRIDE(&info, i);
        const int rows = GST_VIDEO_FORMAT_INFO_SCALE_HEIGHT(info.finfo, i, height);
        const int bytesPerRow = GST_VIDEO_FORMAT_INFO_SCALE_WIDTH(info.finfo, i, width) *
                                GST_VIDEO_FORMAT_INFO_PSTRIDE(info.finfo, i);
        if (stride < bytesPerRow ||
            mapped->map.size < offset + static_cast<gsize>(stride) * gsize(rows)) {
            return {};
        }
        data[i] = mapped->map.data + offset;
        strides[i] = stride;
    }
    const QSize size(width, height);
    const YuvColorimetry colorimetry = colorimetryOf(info);
    switch (GST_VIDEO_INFO_FORMAT(&info)) {
        case GST_VIDEO_FORMAT_BGRx:
        case GST_VIDEO_FORMAT_xRGB: {
            // 0xffRRGGBB words: BGRx in memory on little-endian machines, xRGB
            // on big-endian ones (the only one the output caps allow there).
            // The image reads the buffer in place; anyone who writes to it gets a copy.
            auto* keep = new std::shared_ptr<MappedSample>(mapped);
            return VideoFrame(QImage(
                data[0], width, height, strides[0], QImage::Format_RGB32,
                [](void* p) { delete static_cast<std::shared_ptr<MappedSample>*>(p); }, keep));
        }
        case GST_VIDEO_FORMAT_YUY2:
            return VideoFrame::yuv(VideoFrame::Layout::packed422, size, data, strides, 1, 0,
                                   colorimetry, mapped);
        case GST_VIDEO_FORMAT_NV12:
            return VideoFrame::yuv(VideoFrame::Layout::semiPlanar, size, data, strides, 1, 1,
                                   colorimetry, mapped);
        case GST_VIDEO_FORMAT_I420:
            return VideoFrame::yuv(VideoFrame::Layout::planar, size, data, strides, 1, 1,
                                   colorimetry, mapped);
        case GST_VIDEO_FORMAT_Y42B:
            return VideoFrame::yuv(VideoFrame::Layout::planar, size, data, strides, 1, 0,
                                   colorimetry, mapped);
        case GST_VIDEO_FORMAT_Y444:
            return VideoFrame::yuv(VideoFrame::Layout::planar, size, data, strides, 0, 0,
                                   colorimetry, mapped);
        default:
            return {};
    }
}

}  // namespace

// Lives as long as the appsink. Once detached (mailbox null) the streaming
// thread posts nothing and hands nothing to the decode thread.
struct GstCapturePipeline::SinkContext {
    std::mutex mutex;
    FrameMailbox* mailbox;
    std::shared_ptr<JpegDecodeThread> decoding;  // JPEG pipelines only
    // The raw caps last read, and what they said: caps change only on
    // renegotiation, so each frame's caps are parsed once.
    GstCaps* rawCaps = nullptr;
    GstVideoInfo rawInfo;
    ~SinkContext() { gst_caps_replace(&rawCaps, nullptr); }
};

// Tells the owner that the start may have moved on, until the owner stops.
// What the first error or end-of-stream message said is kept here (not the
// message: it holds the pipeline, which holds this).
struct GstCapturePipeline::Announcer {
    struct End {
        bool error = false;
        bool busy = false;
        QString text;
    };
    std::mutex mutex;
    std::function<void()> changed;
    std::optional<End> end;
    void announce() {
        std::lock_guard lock(mutex);
        if (changed) {
            changed();
        }
    }
    void keep(GstMessage* m) {
        End e;
        e.error = GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR;
        if (e.error) {
            e.text = GstCapture::describeError(m);
            e.busy = GstCapture::isBusyError(m);
        }
        std::lock_guard lock(mutex);
        if (!end) {
            end = std::move(e);
        }
        if (changed) {
            changed();
        }
    }
    std::optional<End> takeEnd() {
        std::lock_guard lock(mutex);
        return end;
    }
};

struct GstCapturePipeline::StateThread {
    std::mutex mutex;
    std::condition_variable wake;
    bool played = false;  // the change to playing returned
    GstStateChangeReturn result = GST_STATE_CHANGE_FAILURE;
    bool stopWanted = false;
};

std::chrono::steady_clock::time_point GstCapture::deliveryTime(
    GstElement* sink, GstSample* sample, std::chrono::steady_clock::time_point now) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer) || !segment ||
        segment->format != GST_FORMAT_TIME) {
        return now;
    }
    const guint64 running =
        gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    GstClock* clock = gst_element_get_clock(sink);
    if (!clock || running == GST_CLOCK_TIME_NONE) {
        if (clock) {
            gst_object_unref(clock);
        }
        return now;
    }
    const GstClockTime clockNow = gst_clock_get_time(clock);
    gst_object_unref(clock);
    const GstClockTime stamped = gst_element_get_base_time(sink) + running;
    if (clockNow == GST_CLOCK_TIME_NONE || stamped > clockNow) {
        return now;
    }
    return now - std::chrono::nanoseconds(clockNow - stamped);
}

namespace {

GstFlowReturn onNewSample(GstAppSink* sink, gpointer data) {
    auto* context = static_cast<GstCapturePipeline::SinkContext*>(data);
    const auto now = std::chrono::steady_clock::now();
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) {
        return GST_FLOW_OK;
    }
    std::unique_lock lock(context->mutex);
    FrameMailbox* mailbox = context->mailbox;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstCaps* caps = gst_sample_get_caps(sample);
    if (!mailbox || !buffer || !caps || gst_caps_get_size(caps) == 0) {
        lock.unlock();
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }
    const auto arrival = GstCapture::deliveryTime(GST_ELEMENT(sink), sample, now);
    if (context->decoding) {
        // Decoded on the pipeline's decode thread; this thread goes back
        // to the camera at once.
        context->decoding->offer(sample, arrival);
        return GST_FLOW_OK;
    }
    auto mapped = std::make_shared<MappedSample>();
    mapped->sample = sample;
    mapped->buffer = buffer;
    if (!gst_buffer_map(buffer, &mapped->map, GST_MAP_READ)) {
        mapped->buffer = nullptr;  // not mapped: only the sample is released
        return GST_FLOW_OK;
    }
    if (caps != context->rawCaps) {
        gst_caps_replace(&context->rawCaps, nullptr);
        if (!gst_video_info_from_caps(&context->rawInfo, caps)) {
            return GST_FLOW_OK;
        }
        gst_caps_replace(&context->rawCaps, caps);
    }
    VideoFrame frame = rawFrame(mapped, context->rawInfo);
    if (frame.isNull()) {
        return GST_FLOW_OK;
    }
    frame.setArrival(arrival);
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

VideoFrame GstCapture::frameOf(GstSample* sample) {
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
    GstCaps* caps = sample ? gst_sample_get_caps(sample) : nullptr;
    GstVideoInfo info;
    if (!buffer || !caps || !gst_video_info_from_caps(&info, caps)) {
        return {};
    }
    auto mapped = std::make_shared<MappedSample>();
    mapped->sample = gst_sample_ref(sample);
    mapped->buffer = buffer;
    if (!gst_buffer_map(buffer, &mapped->map, GST_MAP_READ)) {
        mapped->buffer = nullptr;
        return {};
    }
    return rawFrame(mapped, info);
}

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
    const bool jpeg = options_.decodeJpeg;
    GstElement* convert = jpeg ? nullptr : make("videoconvert");
    GstElement* outputFilter = make("capsfilter");
    GstElement* sink = make("appsink");
    const bool complete = pipeline && sourceFilter && (convert || jpeg) && outputFilter && sink;
    if (!complete) {
        for (GstElement* e : {pipeline, sourceFilter, convert, outputFilter, sink}) {
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
    // The camera's YUV layouts as they are, anything else converted to the
    // byte order of QImage::Format_RGB32 (0xffRRGGBB words).
    GstCaps* output =
        gst_caps_from_string(jpeg ? "image/jpeg"
                             : Q_BYTE_ORDER == Q_LITTLE_ENDIAN
                                 ? "video/x-raw,format=(string){YUY2,NV12,I420,Y42B,Y444,BGRx}"
                                 : "video/x-raw,format=(string){YUY2,NV12,I420,Y42B,Y444,xRGB}");
    g_object_set(outputFilter, "caps", output, nullptr);
    gst_caps_unref(output);
    g_object_set(sink, "max-buffers", 1u, "drop", TRUE, "sync", FALSE, "enable-last-sample", FALSE,
                 "emit-signals", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = onNewSample;
    sinkContext_ = new SinkContext;
    sinkContext_->mailbox = &mailbox_;
    if (jpeg) {
        decoding_ = std::make_shared<JpegDecodeThread>(mailbox_);
        sinkContext_->decoding = decoding_;
    }
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, sinkContext_,
                               [](gpointer p) { delete static_cast<SinkContext*>(p); });

    gst_bin_add_many(GST_BIN(pipeline), source, sourceFilter, outputFilter, sink, nullptr);
    gst_object_unref(source);  // the bin holds it now
    bool linked = gst_element_link(source, sourceFilter);
    if (convert) {
        gst_bin_add(GST_BIN(pipeline), convert);
        linked = linked && gst_element_link_many(sourceFilter, convert, outputFilter, nullptr);
    } else {
        linked = linked && gst_element_link(sourceFilter, outputFilter);
    }
    linked = linked && gst_element_link(outputFilter, sink);
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
    announcer_ = std::make_shared<Announcer>();
    // Nobody reads state or stream messages: only what errors and the end of
    // the stream say is kept (and announced), so the bus does not fill up
    // while the camera runs.
    gst_bus_set_sync_handler(
        bus_,
        [](GstBus*, GstMessage* m, gpointer data) {
            const auto type = GST_MESSAGE_TYPE(m);
            if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS) {
                // Kept (the first one) before the owner is told, so that it
                // finds the message when it looks.
                (*static_cast<std::shared_ptr<Announcer>*>(data))->keep(m);
            }
            // A dropped message is ours to release; it holds the element that
            // posted it (the pipeline itself, for state changes).
            gst_message_unref(m);
            return GST_BUS_DROP;
        },
        new std::shared_ptr<Announcer>(announcer_),
        [](gpointer p) { delete static_cast<std::shared_ptr<Announcer>*>(p); });
}

GstCapturePipeline::~GstCapturePipeline() {
    stop();
    if (decoding_) {
        decoding_->detach();  // when never started
    }
    if (bus_) {
        gst_object_unref(bus_);
    }
    if (pipeline_) {
        gst_object_unref(pipeline_);
    }
}

void GstCapturePipeline::start(std::function<void()> changed) {
    if (!pipeline_ || stateThread_) {
        return;  // startProgress() tells why (a pipeline starts once)
    }
    {
        std::lock_guard lock(announcer_->mutex);
        announcer_->changed = std::move(changed);
    }
    postedBefore_ = mailbox_.postedCount();
    if (decoding_) {
        JpegDecodeThread::run(decoding_);
    }
    auto thread = std::make_shared<StateThread>();
    stateThread_ = thread;
    GstElement* pipeline = GST_ELEMENT(gst_object_ref(pipeline_));
    unsettledPipelines.fetch_add(1, std::memory_order_acq_rel);
    std::thread([thread, pipeline, announcer = announcer_] {
        const GstStateChangeReturn result = gst_element_set_state(pipeline, GST_STATE_PLAYING);
        {
            std::lock_guard lock(thread->mutex);
            thread->played = true;
            thread->result = result;
        }
        if (result == GST_STATE_CHANGE_FAILURE) {
            announcer->announce();
        }
        std::unique_lock lock(thread->mutex);
        thread->wake.wait(lock, [&] { return thread->stopWanted; });
        lock.unlock();
        // Returns once every streaming thread has left the elements.
        gst_element_set_state(pipeline, GST_STATE_NULL);
        unsettledPipelines.fetch_sub(1, std::memory_order_acq_rel);
        gst_object_unref(pipeline);
    }).detach();
}

CapturePipeline::StartProgress GstCapturePipeline::startProgress(QString* error) const {
    auto failed = [&](const QString& why) {
        if (error) {
            *error = why;
        }
        return StartProgress::failed;
    };
    if (!pipeline_) {
        return failed(buildError_);
    }
    if (!stateThread_) {
        return failed(QStringLiteral("the pipeline was stopped or never started"));
    }
    if (mailbox_.postedCount() > postedBefore_) {
        return StartProgress::started;
    }
    if (ended()) {
        return failed(failure_);
    }
    std::lock_guard lock(stateThread_->mutex);
    if (stateThread_->played && stateThread_->result == GST_STATE_CHANGE_FAILURE) {
        return failed(QStringLiteral("the pipeline refused to play"));
    }
    return StartProgress::pending;
}

void GstCapturePipeline::detach() {
    if (sinkContext_) {
        std::lock_guard lock(sinkContext_->mutex);
        sinkContext_->mailbox = nullptr;
    }
    if (decoding_) {
        decoding_->detach();
    }
    if (announcer_) {
        std::lock_guard lock(announcer_->mutex);
        announcer_->changed = nullptr;
    }
}

void GstCapturePipeline::stop() {
    if (!stateThread_) {
        return;
    }
    // The thread takes the pipeline down whenever its change to playing
    // returns; the sink is cut off now.
    detach();
    auto thread = std::move(stateThread_);
    {
        std::lock_guard lock(thread->mutex);
        thread->stopWanted = true;
    }
    thread->wake.notify_all();
}

bool GstCapturePipeline::ended() const {
    if (!ended_ && announcer_) {
        if (const auto end = announcer_->takeEnd()) {
            if (end->error) {
                failure_ = end->text;
                busy_ = end->busy;
                qCWarning(lcCapture).noquote() << "Camera pipeline error:" << failure_;
            } else {
                failure_ = QStringLiteral("the camera stopped");
            }
            ended_ = true;
        }
    }
    return ended_;
}

int GstCapturePipeline::unsettledPipelineCount() {
    return unsettledPipelines.load(std::memory_order_acquire);
}

int GstCapturePipeline::livePipelineCount() {
    return livePipelines.load(std::memory_order_acquire);
}

bool GstCapturePipeline::isRunning() const {
    if (!pipeline_ || !stateThread_ || ended()) {
        return false;
    }
    const auto last = mailbox_.lastPostTime();
    const auto age = std::chrono::steady_clock::now() - last;
    return last.time_since_epoch().count() != 0 &&
           age < std::chrono::milliseconds(static_cast<int>(options_.frameTimeoutSeconds * 1000));
}

}  // namespace mirelon
