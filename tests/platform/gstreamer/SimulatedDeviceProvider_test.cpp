// SPDX-License-Identifier: GPL-3.0-or-later
// Simulated cameras as GStreamer devices, listed by the same directory as the
// system's cameras.

#include "platform/gstreamer/SimulatedDeviceProvider.h"
#include "capture/SimulatedCameraDirectory.h"

#include "capture/LogCapture.h"
#include "platform/gstreamer/GstCameraDirectory.h"
#include "platform/gstreamer/GstCaptureMode.h"
#include "platform/gstreamer/GstV4l2Capture.h"
#include "platform/qt/ManualScheduler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace mirelon {
namespace {

constexpr const char* kRealistic = R"({"name": "Desk Camera", "isDefault": true, "modes": [
    {"format": "mjpeg", "width": 1920, "height": 1080, "fps": 30},
    {"format": "yuy2", "width": 1920, "height": 1080, "fps": 5},
    {"format": "yuy2", "width": 640, "height": 480, "fps": 30}]})";

QString text(gchar* owned) {
    const QString out = QString::fromUtf8(owned ? owned : "");
    g_free(owned);
    return out;
}

QString capsText(GstDevice* device) {
    GstCaps* caps = gst_device_get_caps(device);
    const QString out = text(gst_caps_to_string(caps));
    gst_caps_unref(caps);
    return out;
}

QString serialOf(GstDevice* device) {
    GstStructure* props = gst_device_get_properties(device);
    const gchar* serial = props ? gst_structure_get_string(props, "device.serial") : nullptr;
    const QString out = QString::fromUtf8(serial ? serial : "");
    if (props) {
        gst_structure_free(props);
    }
    return out;
}

class SimulatedDevices : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    void write(const QString& file, const QByteArray& content) {
        QFile f(dir.path() + "/" + file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }
    // Delivers the folder watch's events and runs the coalesced rescan until
    // done() holds (bounded by the test's timeout, never by a time of ours).
    void deliverUntil(const std::function<bool()>& done) {
        while (!done()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
            clock.scheduler.advance(0.05);
        }
    }

    ScopedManualScheduler clock;
    QTemporaryDir dir;
    testing::LogCapture log{"app.mirelon.Mirelon.capture"};
};

// The provider alone, as a device monitor or the directory would see it.
class ProviderTest : public SimulatedDevices {
protected:
    void TearDown() override {
        if (provider) {
            if (started) {
                gst_device_provider_stop(provider);
            }
            gst_object_unref(provider);
        }
    }
    void make() {
        provider = SimulatedDeviceProvider::create(dir.path());
        ASSERT_NE(provider, nullptr);
    }
    QList<GstDevice*> listed() {
        QList<GstDevice*> out;
        GList* list = gst_device_provider_get_devices(provider);
        for (GList* l = list; l; l = l->next) {
            out << GST_DEVICE(l->data);
        }
        g_list_free(list);
        std::sort(out.begin(), out.end(),
                  [](GstDevice* a, GstDevice* b) { return serialOf(a) < serialOf(b); });
        return out;
    }
    // The next device message on the provider's bus, as "+name", "-name" or
    // "old~new", once the folder's change reached it.
    QString nextMessage(GstBus* bus) {
        QString out;
        deliverUntil([&] {
            GstMessage* m = gst_bus_pop_filtered(
                bus, GstMessageType(GST_MESSAGE_DEVICE_ADDED | GST_MESSAGE_DEVICE_REMOVED |
                                    GST_MESSAGE_DEVICE_CHANGED));
            if (!m) {
                return false;
            }
            GstDevice* device = nullptr;
            GstDevice* old = nullptr;
            if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_DEVICE_ADDED) {
                gst_message_parse_device_added(m, &device);
                out = "+" + text(gst_device_get_display_name(device));
            } else if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_DEVICE_REMOVED) {
                gst_message_parse_device_removed(m, &device);
                out = "-" + text(gst_device_get_display_name(device));
            } else {
                gst_message_parse_device_changed(m, &device, &old);
                out = text(gst_device_get_display_name(old)) + "~" +
                      text(gst_device_get_display_name(device));
                gst_object_unref(old);
            }
            gst_object_unref(device);
            gst_message_unref(m);
            return true;
        });
        return out;
    }

    GstDeviceProvider* provider = nullptr;
    bool started = false;
};

TEST_F(ProviderTest, ListsTheFolderCamerasWithTheirModesAsCaps) {
    write("desk.json", kRealistic);
    write("plain.json", R"({"name": "Plain", "width": 320, "height": 240, "fps": 15})");
    write("broken.json", R"({"name": "Broken", "modes": [{"format": "h264"}]})");
    write("notes.txt", "not a camera");
    make();
    const auto devices = listed();
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(serialOf(devices[0]), "desk");
    EXPECT_EQ(text(gst_device_get_display_name(devices[0])), "Desk Camera");
    EXPECT_TRUE(gst_device_has_classes(devices[0], "Video/Source"));
    const QString caps = capsText(devices[0]);
    EXPECT_EQ(caps.count("image/jpeg"), 1) << caps.toStdString();
    EXPECT_EQ(caps.count("video/x-raw"), 2) << caps.toStdString();
    EXPECT_TRUE(
        caps.contains("format=(string)YUY2, width=(int)640, height=(int)480, "
                      "framerate=(fraction)30/1"))
        << caps.toStdString();
    // A camera without modes offers its one pattern mode.
    EXPECT_EQ(capsText(devices[1]),
              "video/x-raw, format=(string)BGRx, width=(int)320, height=(int)240, "
              "framerate=(fraction)15/1");
    EXPECT_EQ(serialOf(devices[1]), "plain");
    for (GstDevice* d : devices) {
        gst_object_unref(d);
    }
    EXPECT_EQ(log.countStartingWith("Ignoring simulated camera broken.json :"), 1);
}

TEST_F(ProviderTest, HotPlugRenameAndUnplugArriveAsDeviceMessages) {
    write("a.json", R"({"name": "A"})");
    make();
    GstBus* bus = gst_device_provider_get_bus(provider);
    ASSERT_TRUE(gst_device_provider_start(provider));
    started = true;
    EXPECT_EQ(nextMessage(bus), "+A") << "the cameras there at the start";

    write("b.json", R"({"name": "B"})");
    EXPECT_EQ(nextMessage(bus), "+B");
    write("b.json", R"({"name": "B renamed"})");
    EXPECT_EQ(nextMessage(bus), "B~B renamed");
    // A file that turns bad disconnects its camera, once, with one warning.
    write("a.json", "{ not json");
    EXPECT_EQ(nextMessage(bus), "-A");
    EXPECT_EQ(log.countStartingWith("Ignoring simulated camera a.json :"), 1);
    ASSERT_TRUE(QFile::remove(dir.path() + "/b.json"));
    EXPECT_EQ(nextMessage(bus), "-B renamed");

    const auto devices = listed();
    EXPECT_TRUE(devices.isEmpty());
    gst_object_unref(bus);
}

TEST_F(ProviderTest, OnlyItsOwnProvidersHaveAFolder) {
    make();
    EXPECT_EQ(SimulatedDeviceProvider::folderOf(provider), dir.path());
    EXPECT_EQ(SimulatedDeviceProvider::folderOf(nullptr), QString());
    // It has no rank: device monitors never start it on their own.
    GList* factories = gst_device_provider_factory_list_get_device_providers(GST_RANK_MARGINAL);
    for (GList* l = factories; l; l = l->next) {
        EXPECT_STRNE(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(l->data)),
                     SimulatedDeviceProvider::factoryName);
    }
    gst_plugin_feature_list_free(factories);
}

// The directory the program uses with simulated cameras.
class ProviderDirectoryTest : public SimulatedDevices {
protected:
    std::unique_ptr<GstCameraDirectory> makeDirectory(const QString& folder) {
        return std::make_unique<GstCameraDirectory>(SimulatedDeviceProvider::create(folder),
                                                    center);
    }

    EventBus center;
    QStringList events;
    ObserverToken connected =
        center.addObserver(Notifications::cameraConnected,
                           [this](const Notification& n) { events << "+" + n.object.toString(); });
    ObserverToken disconnected =
        center.addObserver(Notifications::cameraDisconnected,
                           [this](const Notification& n) { events << "-" + n.object.toString(); });
    ObserverToken changed =
        center.addObserver(Notifications::cameraChanged,
                           [this](const Notification& n) { events << "~" + n.object.toString(); });
};

TEST_F(ProviderDirectoryTest, ListsTheSameCamerasAndIdsAsTheFolderItself) {
    // Ids stored in the preferences are the file names: both listings agree
    // on them, their order and the default.
    write("b.json", R"({"name": "Second", "isDefault": true})");
    write("a.json", R"({"name": "First"})");
    write("Z-cam.json", R"({"name": "Upper"})");
    write("cam.v2.json", R"({"name": "Dotted"})");
    write("10.json", R"({"name": "Ten"})");
    write("9.json", R"({"name": "Nine"})");
    write("bad.json", "[]");
    SimulatedCameraDirectory folderListing(dir.path(), center);
    const auto directory = makeDirectory(dir.path());
    ASSERT_EQ(folderListing.devices().size(), 6);
    EXPECT_EQ(directory->devices(), folderListing.devices());
    EXPECT_EQ(directory->devices()[0].id, "10");
    EXPECT_EQ(directory->devices()[4].id, "b");
    EXPECT_TRUE(directory->devices()[4].isDefault);
}

TEST_F(ProviderDirectoryTest, WithoutADefaultCameraNoneIsTheDefault) {
    write("a.json", R"({"name": "A"})");
    write("b.json", R"({"name": "B"})");
    const auto directory = makeDirectory(dir.path());
    ASSERT_EQ(directory->devices().size(), 2);
    EXPECT_FALSE(directory->devices()[0].isDefault);
    EXPECT_FALSE(directory->devices()[1].isDefault);
}

TEST_F(ProviderDirectoryTest, FileChangesBecomeCameraNotifications) {
    write("a.json", R"({"name": "A"})");
    const auto directory = makeDirectory(dir.path());
    write("b.json", R"({"name": "B"})");
    deliverUntil([&] { return events.contains("+b"); });
    write("a.json", R"({"name": "A renamed"})");
    deliverUntil([&] { return events.contains("~a"); });
    EXPECT_EQ(directory->devices()[0].name, "A renamed");
    // Replaced by a rename, as editors save.
    write("c.tmp", R"({"name": "B again"})");
    ASSERT_EQ(std::rename(QFile::encodeName(dir.path() + "/c.tmp").constData(),
                          QFile::encodeName(dir.path() + "/b.json").constData()),
              0);
    deliverUntil([&] { return events.contains("~b"); });
    QFile::remove(dir.path() + "/a.json");
    deliverUntil([&] { return events.contains("-a"); });
    EXPECT_EQ(events, (QStringList{"+b", "~a", "~b", "-a"}));
    EXPECT_EQ(directory->devices(), (QList<AvailableCameraDevice>{{"b", "B again", false}}));
}

TEST_F(ProviderDirectoryTest, FolderRemovedAndMadeAgainIsListedAgain) {
    const QString folder = dir.path() + "/cams";
    QDir().mkpath(folder);
    write("cams/a.json", R"({"name": "A"})");
    const auto directory = makeDirectory(folder);
    ASSERT_EQ(directory->devices().size(), 1);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(QDir(folder).removeRecursively());
        deliverUntil([&] { return directory->devices().isEmpty(); });
        QDir().mkpath(folder);
        write("cams/a.json", R"({"name": "A"})");
        deliverUntil([&] { return !directory->devices().isEmpty(); });
    }
    EXPECT_EQ(events, (QStringList{"-a", "+a", "-a", "+a"}));
}

TEST_F(ProviderDirectoryTest, ManyFilesAreListedAndABurstIsOneRefresh) {
    constexpr int count = 5000;
    for (int i = 0; i < count; ++i) {
        write(QStringLiteral("cam%1.json").arg(i, 4, 10, QLatin1Char('0')),
              QByteArrayLiteral(R"({"name": "Camera"})"));
    }
    const auto directory = makeDirectory(dir.path());
    ASSERT_EQ(directory->devices().size(), count);
    EXPECT_EQ(directory->devices().first().id, "cam0000");
    EXPECT_EQ(directory->devices().last().id, "cam4999");
    const int listedBefore = log.countStartingWith("Camera connected:");
    for (int i = 0; i < 20; ++i) {
        write(QStringLiteral("new%1.json").arg(i), R"({"name": "New"})");
    }
    deliverUntil([&] { return events.size() == 20; });
    EXPECT_EQ(directory->devices().size(), count + 20);
    EXPECT_EQ(log.countStartingWith("Camera connected:") - listedBefore, 20);
}

TEST_F(ProviderDirectoryTest, ModeChoiceAndInputsWorkOnTheListedDevices) {
    write("desk.json", kRealistic);
    write("busy.json", R"({"name": "Busy", "fail": "open"})");
    write("gone.json", R"({"name": "Gone"})");
    const auto directory = makeDirectory(dir.path());

    GstDevice* device = directory->createDeviceFor("desk");
    ASSERT_NE(device, nullptr);
    GstCaps* caps = gst_device_get_caps(device);
    // 1080p reaches 30 fps only as MJPEG; a small picture takes raw 640x480.
    const auto preset = chooseCaptureMode(caps);
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->encoding, CaptureMode::Encoding::mjpeg);
    EXPECT_EQ(QSize(preset->width, preset->height), QSize(1920, 1080));
    const auto small = chooseCaptureMode(caps, QSize(600, 400));
    ASSERT_TRUE(small);
    EXPECT_EQ(small->encoding, CaptureMode::Encoding::raw);
    EXPECT_EQ(small->format, "YUY2");
    EXPECT_EQ(QSize(small->width, small->height), QSize(640, 480));
    gst_caps_unref(caps);
    gst_object_unref(device);

    QString error;
    const auto input = GstV4l2Capture::makeInput(*directory, "desk", &error);
    ASSERT_NE(input, nullptr) << error.toStdString();
    EXPECT_EQ(input->deviceId(), "desk");
    EXPECT_EQ(input->deviceName(), "Desk Camera");
    EXPECT_FALSE(input->adaptTo(QSize(600, 400))) << "not started: the mode is simply taken";

    EXPECT_EQ(GstV4l2Capture::makeInput(*directory, "busy", &error), nullptr);
    EXPECT_EQ(error, "The device could not be opened.");
    EXPECT_EQ(log.count("Simulated camera busy cannot be opened"), 1);

    QFile::remove(dir.path() + "/gone.json");
    deliverUntil([&] { return events.contains("-gone"); });
    EXPECT_EQ(GstV4l2Capture::makeInput(*directory, "gone", &error), nullptr);
    EXPECT_EQ(error, "The camera is not connected.");
}

// What a device's element plays in front of a filter pinning `caps`: the
// number of frames until the stream ended (it must end).
int framesUntilEnd(GstDevice* device, const char* caps) {
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* source = gst_device_create_element(device, nullptr);
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    EXPECT_TRUE(pipeline && source && filter && sink);
    GstCaps* pinned = gst_caps_from_string(caps);
    g_object_set(filter, "caps", pinned, nullptr);
    gst_caps_unref(pinned);
    int frames = 0;
    g_object_set(sink, "signal-handoffs", TRUE, "sync", FALSE, nullptr);
    g_signal_connect(sink, "handoff",
                     G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer count) {
                         ++*static_cast<int*>(count);
                     }),
                     &frames);
    gst_bin_add_many(GST_BIN(pipeline), source, filter, sink, nullptr);
    EXPECT_TRUE(gst_element_link_many(source, filter, sink, nullptr));
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, GST_CLOCK_TIME_NONE, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return frames;
}

GstDevice* deviceFor(const QByteArray& json) {
    const auto spec = SimulatedCameraFile::parse("cam", json);
    EXPECT_TRUE(spec);
    return GST_DEVICE(gst_object_ref_sink(SimulatedDeviceProvider::makeDevice(*spec, QString())));
}

TEST_F(SimulatedDevices, ElementsPlayTheModeAskedForAndFailAsTheFileSays) {
    constexpr const char* yuy2 = "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1";
    // "stall": one second of frames at the mode's rate, then the end.
    GstDevice* stalling = deviceFor(R"({"name": "S", "fail": "stall", "modes": [
        {"format": "mjpeg", "width": 1280, "height": 720, "fps": 30},
        {"format": "yuy2", "width": 640, "height": 480, "fps": 30}]})");
    EXPECT_EQ(framesUntilEnd(stalling, yuy2), 30);
    // A mode the camera does not offer: no frames, and a warning.
    EXPECT_EQ(framesUntilEnd(stalling, "video/x-raw,format=NV12,width=100,height=100"), 0);
    EXPECT_EQ(log.count("Simulated camera: no frames for the mode asked for"), 1);
    gst_object_unref(stalling);

    GstDevice* neverStarts = deviceFor(R"({"name": "N", "fail": "start", "modes": [
        {"format": "yuy2", "width": 640, "height": 480, "fps": 30}]})");
    EXPECT_EQ(framesUntilEnd(neverStarts, yuy2), 0);
    gst_object_unref(neverStarts);
    GstDevice* pattern = deviceFor(R"({"name": "P", "fail": "stall", "width": 64,
                                       "height": 48, "fps": 10})");
    EXPECT_EQ(framesUntilEnd(pattern, "video/x-raw,format=BGRx,width=64,height=48"), 10);
    gst_object_unref(pattern);
}

}  // namespace
}  // namespace mirelon
