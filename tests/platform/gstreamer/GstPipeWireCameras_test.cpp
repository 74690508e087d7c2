// SPDX-License-Identifier: GPL-3.0-or-later
// PipeWire cameras: which nodes are cameras, one row per camera, ids that
// survive a change of the way cameras are reached, modes from node caps, and
// a stream whose start never returns.

#include "platform/gstreamer/GstPipeWireCameras.h"
#include "platform/gstreamer/GstCaptureMode.h"
#include "platform/gstreamer/GstCapturePipeline.h"
#include "platform/qt/ManualScheduler.h"

#include <QCoreApplication>

#include <gst/gst.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace mirelon {
namespace {

using Entry = GstPipeWireCameras::Entry;
using Way = Entry::Way;

// Device properties as GStreamer's PipeWire provider gives them (strings).
struct Props {
    explicit Props(const char* text) : s(gst_structure_from_string(text, nullptr)) {}
    ~Props() {
        if (s) {
            gst_structure_free(s);
        }
    }
    GstStructure* s;
};

TEST(GstPipeWireCamerasTest, OnlyCameraNodesAreCameras) {
    gst_init(nullptr, nullptr);
    const Props virtualCamera(
        "p, node.name=(string)cam, object.serial=(string)41, media.class=(string)Video/Source, "
        "media.role=(string)Camera");
    const Props v4l2Node(
        "p, node.name=(string)v4l2_input.pci-0000_00_14.0-usb-0_1_1.0, object.serial=(string)7, "
        "media.class=(string)Video/Source, device.api=(string)v4l2");
    const Props libcameraNode(
        "p, node.name=(string)libcamera_input._base_soc_i2c, object.serial=(string)9, "
        "media.class=(string)Video/Source, device.api=(string)libcamera");
    const Props screenCast(
        "p, node.name=(string)screen, object.serial=(string)52, media.class=(string)Video/Source");
    const Props sink(
        "p, node.name=(string)out, object.serial=(string)3, media.class=(string)Video/Sink, "
        "media.role=(string)Camera");
    const Props v4l2Device("p, device.api=(string)v4l2, device.path=(string)/dev/video0");
    EXPECT_TRUE(GstPipeWireCameras::isCameraNode(virtualCamera.s));
    EXPECT_TRUE(GstPipeWireCameras::isCameraNode(v4l2Node.s));
    EXPECT_TRUE(GstPipeWireCameras::isCameraNode(libcameraNode.s));
    EXPECT_FALSE(GstPipeWireCameras::isCameraNode(screenCast.s));
    EXPECT_FALSE(GstPipeWireCameras::isCameraNode(sink.s));
    EXPECT_FALSE(GstPipeWireCameras::isNode(v4l2Device.s));
    EXPECT_FALSE(GstPipeWireCameras::isCameraNode(v4l2Device.s));
    EXPECT_FALSE(GstPipeWireCameras::isCameraNode(nullptr));
}

TEST(GstPipeWireCamerasTest, DevicePathComesFromTheV4l2PathOrTheObjectPath) {
    gst_init(nullptr, nullptr);
    EXPECT_EQ(
        GstPipeWireCameras::devicePathOf(
            Props("p, api.v4l2.path=(string)/dev/video2, object.path=(string)v4l2:/dev/video9").s),
        "/dev/video2");
    EXPECT_EQ(GstPipeWireCameras::devicePathOf(Props("p, object.path=(string)v4l2:/dev/video3").s),
              "/dev/video3");
    // Not a device path: neither a bare word nor another api's object path.
    EXPECT_EQ(GstPipeWireCameras::devicePathOf(
                  Props("p, api.v4l2.path=(string)video3, object.path=(string)libcamera:cam0").s),
              "");
    EXPECT_EQ(GstPipeWireCameras::devicePathOf(Props("p, node.name=(string)cam").s), "");
    EXPECT_EQ(GstPipeWireCameras::nodeId("mirelon-cam-desk"), "pipewire:mirelon-cam-desk");
}

Entry direct(QString id, QString path, int handle) {
    Entry e;
    e.way = Way::direct;
    e.id = std::move(id);
    e.name = "V4L2 " + path;
    e.devicePath = std::move(path);
    e.order = handle;
    e.handle = handle;
    return e;
}

Entry node(QString id, QString path, int handle) {
    Entry e;
    e.way = Way::pipewire;
    e.id = std::move(id);
    e.name = "Node " + e.id;
    e.devicePath = std::move(path);
    e.order = 1 << 20;
    e.handle = handle;
    return e;
}

QStringList ids(const QList<Entry>& entries) {
    QStringList out;
    for (const auto& e : entries) {
        out << e.id + (e.way == Way::pipewire ? "@pw" : "@v4l2");
    }
    return out;
}

TEST(GstPipeWireCamerasTest, OneRowPerCameraAsTheAccessSays) {
    // A laptop camera both ways, a USB camera only as a V4L2 device, a
    // libcamera camera only as a node. Without udev the node of the laptop
    // camera got its device path as id; the V4L2 listing knows its serial.
    const QList<Entry> v4l2 = {direct("usb-Acme_Laptop_Cam-video-index0", "/dev/video0", 0),
                               direct("usb-Other_Cam-video-index0", "/dev/video2", 1)};
    const QList<Entry> nodes = {node("/dev/video0", "/dev/video0", 2),
                                node("pipewire:libcamera_input.front", "", 3)};

    EXPECT_EQ(
        ids(GstPipeWireCameras::merge(v4l2, nodes, CameraAccess::automatic)),
        (QStringList{"usb-Acme_Laptop_Cam-video-index0@pw", "pipewire:libcamera_input.front@pw",
                     "usb-Other_Cam-video-index0@v4l2"}));
    EXPECT_EQ(
        ids(GstPipeWireCameras::merge(v4l2, nodes, CameraAccess::pipewire)),
        (QStringList{"usb-Acme_Laptop_Cam-video-index0@pw", "pipewire:libcamera_input.front@pw"}));
    EXPECT_EQ(
        ids(GstPipeWireCameras::merge(v4l2, nodes, CameraAccess::direct)),
        (QStringList{"usb-Acme_Laptop_Cam-video-index0@v4l2", "usb-Other_Cam-video-index0@v4l2"}));
    // No session cameras: automatic opens the devices directly; forcing
    // PipeWire lists nothing.
    EXPECT_EQ(
        ids(GstPipeWireCameras::merge(v4l2, {}, CameraAccess::automatic)),
        (QStringList{"usb-Acme_Laptop_Cam-video-index0@v4l2", "usb-Other_Cam-video-index0@v4l2"}));
    EXPECT_TRUE(GstPipeWireCameras::merge(v4l2, {}, CameraAccess::pipewire).isEmpty());
    // The node that stands for a device keeps the device's place and handle.
    const auto merged = GstPipeWireCameras::merge(v4l2, nodes, CameraAccess::automatic);
    EXPECT_EQ(merged[0].handle, 2);
    EXPECT_EQ(merged[0].order, 0);
}

TEST(GstPipeWireCamerasTest, IdsAreUniqueAndNeverEmpty) {
    // Two nodes of one device (a second stream of the same camera) and a
    // node without a name give one row.
    const QList<Entry> nodes = {node("/dev/video4", "/dev/video4", 0),
                                node("/dev/video4", "/dev/video4", 1), node("", "", 2)};
    const auto merged = GstPipeWireCameras::merge({}, nodes, CameraAccess::automatic);
    ASSERT_EQ(merged.size(), 1);
    EXPECT_EQ(merged[0].handle, 0);
}

TEST(GstPipeWireCamerasTest, ModesAreChosenFromNodeCapsByNeed) {
    // Node caps as the PipeWire provider reports them (the node's formats).
    const auto yuy2 =
        chooseCaptureMode(QStringLiteral("video/x-raw, format=(string)YUY2, width=(int)640, "
                                         "height=(int)480, framerate=(fraction)30/1"));
    ASSERT_TRUE(yuy2);
    EXPECT_EQ(*yuy2, (CaptureMode{CaptureMode::Encoding::raw, "YUY2", 640, 480, 30, 1}));
    const QString camera = QStringLiteral(
        "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1; "
        "image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction)30/1; "
        "video/x-raw, format=(string)NV12, width=(int)640, height=(int)360, "
        "framerate=(fraction)30/1");
    const auto large = chooseCaptureMode(camera, QSize(1600, 900));
    ASSERT_TRUE(large);
    EXPECT_EQ(large->encoding, CaptureMode::Encoding::mjpeg);
    EXPECT_EQ(large->width, 1920);
    const auto small = chooseCaptureMode(camera, QSize(400, 225));
    ASSERT_TRUE(small);
    EXPECT_EQ(*small, (CaptureMode{CaptureMode::Encoding::raw, "NV12", 640, 360, 30, 1}));
    EXPECT_EQ(small->capsString().toStdString().find("video/x-raw"), 0u);
}

// A source whose change to playing blocks until released, as a PipeWire
// stream that is never linked does.
struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool open = false;
    bool entered = false;
};
Gate* gate = nullptr;

GstStateChangeReturn blockingChangeState(GstElement* element, GstStateChange transition) {
    if (transition == GST_STATE_CHANGE_PAUSED_TO_PLAYING && gate) {
        std::unique_lock lock(gate->mutex);
        gate->entered = true;
        gate->cv.notify_all();
        gate->cv.wait(lock, [] { return gate->open; });
    }
    auto* parent = GST_ELEMENT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(element)));
    const auto result = parent->change_state(element, transition);
    // A live source: no preroll.
    return transition == GST_STATE_CHANGE_READY_TO_PAUSED && result != GST_STATE_CHANGE_FAILURE
               ? GST_STATE_CHANGE_NO_PREROLL
               : result;
}

GType blockingSourceType() {
    static GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(GstElementClass);
        info.instance_size = sizeof(GstElement);
        info.class_init = [](gpointer klass, gpointer) {
            auto* element = GST_ELEMENT_CLASS(klass);
            element->change_state = blockingChangeState;
            static GstStaticPadTemplate src =
                GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
            gst_element_class_add_static_pad_template(element, &src);
            gst_element_class_set_static_metadata(element, "blocking source", "Source/Video",
                                                  "test", "test");
        };
        info.instance_init = [](GTypeInstance* instance, gpointer klass) {
            GstPadTemplate* t = gst_element_class_get_pad_template(GST_ELEMENT_CLASS(klass), "src");
            gst_element_add_pad(GST_ELEMENT(instance), gst_pad_new_from_template(t, "src"));
        };
        return g_type_register_static(GST_TYPE_ELEMENT, "MirelonTestBlockingSource", &info,
                                      GTypeFlags(0));
    }();
    return type;
}

bool waitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A camera whose stream never links: the start returns while the change to
// playing is stuck, the session's deadline (on the main scheduler) fails it,
// the stop returns without waiting, nothing is announced or posted after the
// stop, and the pipeline goes once its change returns.
class BlockingInput final : public CaptureDeviceInput {
public:
    BlockingInput() : CaptureDeviceInput("blocking", "Blocking Camera") {}
    std::unique_ptr<CapturePipeline> makePipeline(FrameMailbox& mailbox) override {
        GstCapturePipeline::Options options;
        options.sourceCaps = "video/x-raw,format=YUY2,width=64,height=48";
        options.startTimeoutSeconds = 3.0;
        auto pipeline = std::make_unique<GstCapturePipeline>(
            GST_ELEMENT(g_object_new(blockingSourceType(), nullptr)), options, mailbox);
        made = pipeline.get();
        return pipeline;
    }
    GstCapturePipeline* made = nullptr;
};

TEST(GstPipeWireCamerasTest, AStartThatNeverReturnsFailsByItsDeadlineWithoutWaitingForIt) {
    gst_init(nullptr, nullptr);
    ScopedManualScheduler clock;
    Gate g;
    gate = &g;
    const int before = GstCapturePipeline::livePipelineCount();
    {
        auto session = CaptureSession::create();
        auto input = std::make_shared<BlockingInput>();
        ASSERT_TRUE(session->addInput(input));
        std::vector<bool> outcomes;
        QObject::connect(session.get(), &CaptureSession::startFinished,
                         [&](bool ok) { outcomes.push_back(ok); });
        session->startRunning();
        // Returned while the change to playing is stuck on the other thread.
        ASSERT_TRUE(waitUntil([&] {
            std::lock_guard lock(g.mutex);
            return g.entered;
        }));
        EXPECT_TRUE(session->isStarting());
        EXPECT_FALSE(session->isRunning());
        ASSERT_NE(input->made, nullptr);
        QString error;
        EXPECT_EQ(input->made->startProgress(&error), CapturePipeline::StartProgress::pending);
        EXPECT_TRUE(outcomes.empty());

        clock.scheduler.advance(2.9);
        QCoreApplication::processEvents();
        EXPECT_TRUE(outcomes.empty());
        clock.scheduler.advance(0.1);
        ASSERT_EQ(outcomes, std::vector<bool>{false});
        EXPECT_FALSE(session->isStarting());
        EXPECT_TRUE(session->lastError().contains("no frame arrived within 3 s"))
            << session->lastError().toStdString();
        EXPECT_FALSE(session->lastErrorIsBusy());
        EXPECT_EQ(session->mailbox().postedCount(), 0u);
        // The pipeline outlives the session on the thread that changes its state.
    }
    EXPECT_EQ(GstCapturePipeline::livePipelineCount(), before + 1);
    {
        std::lock_guard lock(g.mutex);
        g.open = true;
    }
    g.cv.notify_all();
    // Nothing reaches the gone session's queue (ASan would tell), and the
    // pipeline is finalized on that thread once the change returned.
    EXPECT_TRUE(waitUntil([&] {
        QCoreApplication::processEvents();
        return GstCapturePipeline::livePipelineCount() == before;
    }));
    gate = nullptr;
}

// A camera another program streams: the V4L2 source reports a busy resource
// (or only EBUSY in its detail); other errors are not "in use".
TEST(GstCaptureBusyTest, BusyDevicesAreToldApartFromOtherFailures) {
    gst_init(nullptr, nullptr);
    auto isBusy = [](GQuark domain, int code, const char* text, const char* debug) {
        GError* err = g_error_new_literal(domain, code, text);
        GstMessage* m = gst_message_new_error(nullptr, err, debug);
        const bool busy = GstCapture::isBusyError(m);
        gst_message_unref(m);
        g_error_free(err);
        return busy;
    };
    EXPECT_TRUE(isBusy(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_BUSY, "Device '/dev/video0' is busy",
                       nullptr));
    const std::string detail = std::string("VIDIOC_STREAMON failed: ") + g_strerror(EBUSY);
    EXPECT_TRUE(
        isBusy(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_FAILED, "Failed to start", detail.c_str()));
    EXPECT_FALSE(isBusy(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_OPEN_READ_WRITE,
                        "Could not open device", "Permission denied"));
    EXPECT_FALSE(isBusy(GST_STREAM_ERROR, GST_STREAM_ERROR_FORMAT, "not negotiated", nullptr));
    GstMessage* eos = gst_message_new_eos(nullptr);
    EXPECT_FALSE(GstCapture::isBusyError(eos));
    gst_message_unref(eos);
    EXPECT_FALSE(GstCapture::isBusyError(nullptr));
}

}  // namespace
}  // namespace mirelon
