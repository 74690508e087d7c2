// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/SimulatedFrameLoop.h"

#include "platform/gstreamer/GstCapturePipeline.h"
#include "platform/qt/Logging.h"

#include <QCryptographicHash>
#include <QPainter>

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace mirelon {

struct SimulatedFrameLoop::Frames {
    GstCaps* caps = nullptr;
    std::vector<GstBuffer*> frames;
    GstBuffer* truncated = nullptr;  // MJPEG only
    int corruptEvery = 0;
    GstClockTime duration = 0;
    ~Frames() {
        if (caps) {
            gst_caps_unref(caps);
        }
        for (GstBuffer* frame : frames) {
            gst_buffer_unref(frame);
        }
        if (truncated) {
            gst_buffer_unref(truncated);
        }
    }
};

namespace {

QImage aspectFilled(const QImage& picture, QSize size) {
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::black);
    if (picture.isNull()) {
        return out;
    }
    const double scale =
        std::max(double(size.width()) / picture.width(), double(size.height()) / picture.height());
    const QSizeF shown(size.width() / scale, size.height() / scale);
    const QRectF source(
        QPointF((picture.width() - shown.width()) / 2, (picture.height() - shown.height()) / 2),
        shown);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), picture, source);
    return out;
}

GstBuffer* encodeJpeg(const QImage& image) {
    tjhandle h = tjInitCompress();
    if (!h) {
        return nullptr;
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    // 4:2:2, as webcams send it.
    const int rc = tjCompress2(h, image.constBits(), image.width(), int(image.bytesPerLine()),
                               image.height(), TJPF_BGRX, &out, &size, TJSAMP_422, 85, 0);
    GstBuffer* buffer = rc == 0 ? gst_buffer_new_memdup(out, size) : nullptr;
    tjFree(out);
    tjDestroy(h);
    return buffer;
}

GstBuffer* convertRaw(const QImage& image, const QString& format) {
    GstCaps* from = gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, image.width(),
        "height", G_TYPE_INT, image.height(), "framerate", GST_TYPE_FRACTION, 0, 1, nullptr);
    GstBuffer* rgb = gst_buffer_new_memdup(image.constBits(), gsize(image.sizeInBytes()));
    GstSample* sample = gst_sample_new(rgb, from, nullptr, nullptr);
    gst_buffer_unref(rgb);
    gst_caps_unref(from);
    GstCaps* to = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                                      format.toUtf8().constData(), "width", G_TYPE_INT,
                                      image.width(), "height", G_TYPE_INT, image.height(), nullptr);
    GError* error = nullptr;
    GstSample* converted = gst_video_convert_sample(sample, to, GST_CLOCK_TIME_NONE, &error);
    gst_caps_unref(to);
    gst_sample_unref(sample);
    if (error) {
        qCWarning(lcCapture).noquote()
            << "Simulated camera: cannot make" << format << "frames:" << error->message;
        g_error_free(error);
    }
    if (!converted) {
        return nullptr;
    }
    GstBuffer* buffer = gst_buffer_ref(gst_sample_get_buffer(converted));
    gst_sample_unref(converted);
    return buffer;
}

struct Feeder {
    std::shared_ptr<SimulatedFrameLoop::Frames> frames;
    int frameLimit = -1;
    std::uint64_t sent = 0;
    // Until the first frame: the modes offered and who picks the loop.
    GstCaps* offered = nullptr;
    SimulatedFrameLoop::Chooser choose;
    ~Feeder() {
        if (offered) {
            gst_caps_unref(offered);
        }
    }
};

// The mode the elements after the source accept, among the offered ones.
std::optional<CaptureMode> negotiatedMode(GstAppSrc* appsrc, GstCaps* offered) {
    GstPad* pad = gst_element_get_static_pad(GST_ELEMENT(appsrc), "src");
    GstCaps* accepted = gst_pad_peer_query_caps(pad, offered);
    gst_object_unref(pad);
    std::optional<CaptureMode> mode;
    if (accepted && !gst_caps_is_empty(accepted) && !gst_caps_is_any(accepted)) {
        accepted = gst_caps_fixate(accepted);
        mode = chooseCaptureMode(accepted);
    }
    if (accepted) {
        gst_caps_unref(accepted);
    }
    return mode;
}

// The loops shared() made, while someone holds them.
struct SharedLoops {
    std::mutex mutex;
    std::map<QByteArray, std::weak_ptr<SimulatedFrameLoop>> loops;

    // Forgets the loops nobody holds any more. Under the lock.
    void forgetReleased() {
        for (auto it = loops.begin(); it != loops.end();) {
            it = it->second.expired() ? loops.erase(it) : std::next(it);
        }
    }
    // Under the lock.
    std::size_t bytes() const {
        std::size_t total = 0;
        for (const auto& [key, weak] : loops) {
            if (const auto loop = weak.lock()) {
                total += loop->byteCount();
            }
        }
        return total;
    }
};

SharedLoops& sharedLoops() {
    static SharedLoops* loops =
        new SharedLoops;  // never destroyed: streaming threads may outlive main
    return *loops;
}

}  // namespace

QImage SimulatedFrameLoop::bars(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    const QColor colors[] = {QColor(192, 192, 192), QColor(192, 192, 0), QColor(0, 192, 192),
                             QColor(0, 192, 0),     QColor(192, 0, 192), QColor(192, 0, 0),
                             QColor(0, 0, 192)};
    const int n = int(std::size(colors));
    for (int i = 0; i < n; ++i) {
        p.fillRect(QRect(i * size.width() / n, 0, (i + 1) * size.width() / n - i * size.width() / n,
                         size.height()),
                   colors[i]);
    }
    return image;
}

std::shared_ptr<SimulatedFrameLoop> SimulatedFrameLoop::make(const QImage& picture,
                                                             const CaptureMode& mode,
                                                             int corruptEvery, int distinctFrames) {
    GstCapture::ensureInitialized();
    const QImage scaled =
        aspectFilled(picture.isNull() ? bars(QSize(mode.width, mode.height))
                                      : picture.convertToFormat(QImage::Format_RGB32),
                     QSize(mode.width, mode.height));
    auto frames = std::make_shared<Frames>();
    frames->corruptEvery = corruptEvery;
    frames->duration = gst_util_uint64_scale(GST_SECOND, guint64(std::max(1, mode.fpsDenominator)),
                                             guint64(std::max(1, mode.fpsNumerator)));
    frames->caps = gst_caps_from_string(mode.capsString().toUtf8().constData());
    const bool jpeg = mode.encoding == CaptureMode::Encoding::mjpeg;
    const int count = std::clamp(distinctFrames, 1, 64);
    for (int i = 0; i < count; ++i) {
        QImage frame = scaled;
        if (count > 1) {
            addSensorNoise(frame, std::uint32_t(i + 1) * 2654435761u);
        }
        GstBuffer* buffer = jpeg ? encodeJpeg(frame) : convertRaw(frame, mode.format);
        if (!buffer) {
            return nullptr;
        }
        frames->frames.push_back(buffer);
    }
    if (jpeg) {
        // Half the data, as a camera whose USB packets were lost sends it.
        frames->truncated =
            gst_buffer_copy_region(frames->frames.front(), GST_BUFFER_COPY_MEMORY, 0,
                                   gst_buffer_get_size(frames->frames.front()) / 2);
    }
    if (!frames->caps) {
        return nullptr;
    }
    std::shared_ptr<SimulatedFrameLoop> loop(new SimulatedFrameLoop());
    loop->mode_ = mode;
    loop->frames_ = std::move(frames);
    return loop;
}

std::shared_ptr<SimulatedFrameLoop> SimulatedFrameLoop::shared(
    const QByteArray& picture, const std::function<QImage()>& decode, const CaptureMode& mode,
    int corruptEvery, int distinctFrames) {
    QByteArray key = QCryptographicHash::hash(picture, QCryptographicHash::Sha256);
    key += mode.capsString().toUtf8();
    key += QByteArray::number(corruptEvery) + ' ' + QByteArray::number(distinctFrames);
    auto& shared = sharedLoops();
    // Held while the frames are made: a second camera waits for them rather
    // than making its own.
    std::lock_guard lock(shared.mutex);
    shared.forgetReleased();
    if (auto loop = shared.loops[key].lock()) {
        return loop;
    }
    auto loop = make(picture.isEmpty() ? QImage() : decode(), mode, corruptEvery, distinctFrames);
    if (!loop) {
        shared.loops.erase(key);
        return nullptr;
    }
    shared.loops[key] = loop;
    qCDebug(lcCapture).noquote() << QStringLiteral(
                                        "Simulated camera frames made for %1: %2 frames, %3 kB; "
                                        "all simulated frames: %4 kB")
                                        .arg(mode.capsString())
                                        .arg(loop->frameCount())
                                        .arg(loop->byteCount() / 1024)
                                        .arg(shared.bytes() / 1024);
    return loop;
}

std::size_t SimulatedFrameLoop::sharedBytes() {
    auto& shared = sharedLoops();
    std::lock_guard lock(shared.mutex);
    return shared.bytes();
}

SimulatedFrameLoop::~SimulatedFrameLoop() = default;

std::size_t SimulatedFrameLoop::byteCount() const {
    std::size_t total = 0;  // the truncated frame shares the first one's memory
    for (GstBuffer* frame : frames_->frames) {
        total += gst_buffer_get_size(frame);
    }
    return total;
}

int SimulatedFrameLoop::frameCount() const {
    return int(frames_->frames.size());
}

QByteArray SimulatedFrameLoop::frameData(int index) const {
    if (index < 0 || index >= frameCount()) {
        return {};
    }
    GstBuffer* buffer = frames_->frames[std::size_t(index)];
    QByteArray data(qsizetype(gst_buffer_get_size(buffer)), Qt::Uninitialized);
    gst_buffer_extract(buffer, 0, data.data(), gsize(data.size()));
    return data;
}

void SimulatedFrameLoop::addSensorNoise(QImage& image, std::uint32_t seed) {
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    std::uint32_t state = seed ? seed : 1u;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            // Three bytes summed: close to a bell curve; about 4 levels of
            // grain. The fourth byte gives each channel a little of its own.
            const int grain =
                (int(state & 0xFF) + int((state >> 8) & 0xFF) + int((state >> 16) & 0xFF) - 382) /
                32;
            const int tint = int(state >> 24);
            const quint32 p = row[x];
            const int r = qRed(p) + grain + ((tint & 3) - 1);
            const int g = qGreen(p) + grain + (((tint >> 2) & 3) - 1);
            const int b = qBlue(p) + grain + (((tint >> 4) & 3) - 1);
            row[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
}

GstElement* SimulatedFrameLoop::makeNegotiatingSource(const GstCaps* offered, Chooser choose) {
    GstCapture::ensureInitialized();
    auto* feeder = new Feeder;
    feeder->offered = gst_caps_copy(offered);
    feeder->choose = std::move(choose);
    return makeLoopSource(feeder);
}

GstElement* SimulatedFrameLoop::makeLoopSource(void* feederData) {
    auto* owned = static_cast<Feeder*>(feederData);
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* src = gst_element_factory_make("appsrc", nullptr);
    // Paces the frames to the clock, at the mode's rate.
    GstElement* pace = gst_element_factory_make("clocksync", nullptr);
    if (!bin || !src || !pace) {
        for (GstElement* e : {bin, src, pace}) {
            if (e) {
                gst_object_unref(gst_object_ref_sink(e));
            }
        }
        delete owned;
        return nullptr;
    }
    // Its caps are set once the mode is known.
    g_object_set(src, "is-live", TRUE, "format", GST_FORMAT_TIME, "max-buffers", guint64(2),
                 nullptr);
    gst_bin_add_many(GST_BIN(bin), src, pace, nullptr);
    gst_element_link(src, pace);
    GstPad* pad = gst_element_get_static_pad(pace, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("src", pad));
    gst_object_unref(pad);

    GstAppSrcCallbacks callbacks{};
    callbacks.need_data = [](GstAppSrc* appsrc, guint, gpointer data) {
        auto* feeder = static_cast<Feeder*>(data);
        if (!feeder->frames) {
            const auto mode = negotiatedMode(appsrc, feeder->offered);
            const auto choice = mode ? feeder->choose(*mode) : SimulatedFrameLoop::Choice{};
            if (!choice.loop) {
                qCWarning(lcCapture) << "Simulated camera: no frames for the mode asked for";
                gst_app_src_end_of_stream(appsrc);
                return;
            }
            feeder->frames = choice.loop->frames_;
            feeder->frameLimit = choice.frameLimit;
            gst_app_src_set_caps(appsrc, feeder->frames->caps);
        }
        const auto& f = *feeder->frames;
        if (feeder->frameLimit >= 0 && feeder->sent >= std::uint64_t(feeder->frameLimit)) {
            gst_app_src_end_of_stream(appsrc);
            return;
        }
        const std::uint64_t n = feeder->sent++;
        const bool corrupt =
            f.truncated && f.corruptEvery > 0 && (n + 1) % std::uint64_t(f.corruptEvery) == 0;
        GstBuffer* buffer = gst_buffer_copy(corrupt ? f.truncated : f.frames[n % f.frames.size()]);
        // The clock paces by these; a decode time left over from making
        // the frame would let every frame through at once.
        GST_BUFFER_PTS(buffer) = n * f.duration;
        GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
        GST_BUFFER_DURATION(buffer) = f.duration;
        gst_app_src_push_buffer(appsrc, buffer);
    };
    gst_app_src_set_callbacks(GST_APP_SRC(src), &callbacks, owned,
                              [](gpointer data) { delete static_cast<Feeder*>(data); });
    return bin;
}

}  // namespace mirelon
