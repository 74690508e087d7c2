// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstCaptureMode.h"

#include <gtest/gtest.h>

namespace mirelon {
namespace {

using Enc = CaptureMode::Encoding;

struct ModeCase {
    const char* what;
    const char* caps;
    std::optional<CaptureMode> expected;
};

// Caps as cameras report them through the device monitor.
const ModeCase kCases[] = {
    {"USB 2 camera: 1080p raw only at 5 fps, MJPEG at 30",
     "video/x-raw, format=(string)YUY2, width=(int)1920, height=(int)1080, "
     "framerate=(fraction){ 5/1 }; "
     "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
     "framerate=(fraction){ 30/1, 15/1 }; "
     "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction){ 30/1, 15/1 }; "
     "image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction){ 60/1, 30/1 }",
     CaptureMode{Enc::mjpeg, {}, 1920, 1080, 30, 1}},
    {"720p30 raw is taken raw",
     "video/x-raw, format=(string)YUY2, width=(int)1280, height=(int)720, "
     "framerate=(fraction){ 30/1, 15/1 }; "
     "image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction)30/1",
     CaptureMode{Enc::raw, "YUY2", 1280, 720, 30, 1}},
    {"1080p raw at 30 beats MJPEG, and 30 is pinned below 60",
     "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1; "
     "video/x-raw, format=(string)YUY2, width=(int)1920, height=(int)1080, "
     "framerate=(fraction){ 60/1, 30/1 }",
     CaptureMode{Enc::raw, "YUY2", 1920, 1080, 30, 1}},
    {"NTSC rates count as 30",
     "video/x-raw, format=(string)YUY2, width=(int)1280, height=(int)720, "
     "framerate=(fraction)30000/1001",
     CaptureMode{Enc::raw, "YUY2", 1280, 720, 30000, 1001}},
    {"without 1080p30 or 720p30: the largest mode at 24 fps or more",
     "video/x-raw, format=(string)YUY2, width=(int)2592, height=(int)1944, "
     "framerate=(fraction)15/2; "
     "video/x-raw, format=(string)YUY2, width=(int)1600, height=(int)1200, "
     "framerate=(fraction)25/1; "
     "video/x-raw, format=(string)YUY2, width=(int)800, height=(int)600, "
     "framerate=(fraction)30/1",
     CaptureMode{Enc::raw, "YUY2", 1600, 1200, 25, 1}},
    {"a rate range is pinned at 30",
     "video/x-raw, format=(string)NV12, width=(int)1280, height=(int)720, "
     "framerate=(fraction)[ 1/1, 60/1 ]",
     CaptureMode{Enc::raw, "NV12", 1280, 720, 30, 1}},
    {"YUY2 is preferred over other raw formats",
     "video/x-raw, format=(string){ NV12, YUY2 }, width=(int)1280, height=(int)720, "
     "framerate=(fraction)30/1",
     CaptureMode{Enc::raw, "YUY2", 1280, 720, 30, 1}},
    {"a slow camera still gets its largest mode",
     "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
     "framerate=(fraction)10/1; "
     "video/x-raw, format=(string)YUY2, width=(int)320, height=(int)240, "
     "framerate=(fraction)15/1",
     CaptureMode{Enc::raw, "YUY2", 640, 480, 10, 1}},
    {"grey only (infrared) has no mode",
     "video/x-raw, format=(string)GRAY8, width=(int)640, height=(int)360, "
     "framerate=(fraction)30/1",
     std::nullopt},
    {"no caps", "", std::nullopt},
};

TEST(GstCaptureModeTest, HighPresetTable) {
    for (const ModeCase& c : kCases) {
        SCOPED_TRACE(c.what);
        const auto mode = chooseCaptureMode(QString::fromUtf8(c.caps));
        EXPECT_EQ(mode.has_value(), c.expected.has_value());
        if (mode && c.expected) {
            EXPECT_EQ(*mode, *c.expected) << mode->capsString().toStdString();
        }
    }
}

TEST(GstCaptureModeTest, CapsPinSizeAndRate) {
    const CaptureMode mjpeg{Enc::mjpeg, {}, 1920, 1080, 30, 1};
    EXPECT_EQ(mjpeg.capsString(),
              "image/jpeg,width=(int)1920,height=(int)1080,framerate=(fraction)30/1");
    const CaptureMode raw{Enc::raw, "YUY2", 1280, 720, 30000, 1001};
    EXPECT_EQ(raw.capsString(),
              "video/x-raw,format=(string)YUY2,width=(int)1280,"
              "height=(int)720,framerate=(fraction)30000/1001");
    // The chosen caps round-trip as fixed caps.
    EXPECT_EQ(chooseCaptureMode(raw.capsString()), raw);
}

}  // namespace
}  // namespace mirelon

namespace mirelon {
namespace {

// A common USB 2 webcam: large sizes only as MJPEG at 30 fps, raw at 30 fps
// only up to 640x480.
const char* kWebcam =
    "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction){ 30/1, 15/1 }; "
    "image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction){ 30/1, 15/1 }; "
    "image/jpeg, width=(int)640, height=(int)360, framerate=(fraction)30/1; "
    "video/x-raw, format=(string)YUY2, width=(int)1920, height=(int)1080, framerate=(fraction)5/1; "
    "video/x-raw, format=(string)YUY2, width=(int)1280, height=(int)720, framerate=(fraction)10/1; "
    "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
    "framerate=(fraction){ 30/1, 15/1 }; "
    "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)360, framerate=(fraction)30/1; "
    "video/x-raw, format=(string)YUY2, width=(int)320, height=(int)180, framerate=(fraction)30/1";

TEST(GstCaptureModeTest, SmallestModeThatCoversThePictureAtThePresetRate) {
    struct Want {
        QSize wanted;
        CaptureMode expected;
    };
    const Want cases[] = {
        // Nothing known yet: the preset.
        {QSize(), CaptureMode{Enc::mjpeg, {}, 1920, 1080, 30, 1}},
        {QSize(160, 90), CaptureMode{Enc::raw, "YUY2", 320, 180, 30, 1}},
        // 640x360 is one row short of a square 400-pixel panel's height...
        {QSize(300, 300), CaptureMode{Enc::raw, "YUY2", 640, 360, 30, 1}},
        {QSize(400, 400), CaptureMode{Enc::raw, "YUY2", 640, 480, 30, 1}},
        // ...raw 720p only reaches 10 fps: the MJPEG mode of that size.
        {QSize(1000, 700), CaptureMode{Enc::mjpeg, {}, 1280, 720, 30, 1}},
        {QSize(800, 800), CaptureMode{Enc::mjpeg, {}, 1920, 1080, 30, 1}},
        // Larger than anything: the preset's mode, never beyond it.
        {QSize(5000, 5000), CaptureMode{Enc::mjpeg, {}, 1920, 1080, 30, 1}},
    };
    for (const Want& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wanted.width() << "x" << c.wanted.height());
        const auto mode = chooseCaptureMode(QString::fromLatin1(kWebcam), c.wanted);
        ASSERT_TRUE(mode.has_value());
        EXPECT_EQ(*mode, c.expected) << mode->capsString().toStdString();
    }
    // A camera with nothing at 30 fps: the rule falls back to 24 and up.
    const auto slow = chooseCaptureMode(
        QStringLiteral("video/x-raw, format=(string)YUY2, width=(int)1280, height=(int)720, "
                       "framerate=(fraction)25/1; "
                       "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
                       "framerate=(fraction)25/1"),
        QSize(300, 300));
    ASSERT_TRUE(slow.has_value());
    EXPECT_EQ(slow->width, 640);
    EXPECT_EQ(slow->fpsNumerator, 25);
}

TEST(GstCaptureModeTest, ModeSwitchesOnlyWellPastTheCurrentOne) {
    const QString caps = QString::fromLatin1(kWebcam);
    const CaptureMode vga{Enc::raw, "YUY2", 640, 480, 30, 1};
    auto switches = [&](const CaptureMode& current, QSize wanted) {
        return shouldSwitchMode(current, chooseCaptureMode(caps, wanted), wanted);
    };
    EXPECT_FALSE(switches(vga, QSize(400, 400)));  // the best mode already
    EXPECT_FALSE(switches(vga, QSize(660, 500)));  // a little past it: stays
    EXPECT_TRUE(switches(vga, QSize(720, 540)));   // well past it: larger mode
    const CaptureMode hd{Enc::mjpeg, {}, 1280, 720, 30, 1};
    EXPECT_FALSE(switches(hd, QSize(700, 400)));  // smaller, but more than half
    EXPECT_TRUE(switches(hd, QSize(600, 350)));   // half or less: smaller mode
    // Back and forth around a boundary never restarts twice.
    CaptureMode current = vga;
    int restarts = 0;
    for (int i = 0; i < 6; ++i) {
        const QSize wanted = i % 2 ? QSize(640, 480) : QSize(680, 510);
        const auto best = chooseCaptureMode(caps, wanted);
        if (shouldSwitchMode(current, best, wanted)) {
            current = *best;
            ++restarts;
        }
    }
    EXPECT_EQ(restarts, 0);
    EXPECT_FALSE(shouldSwitchMode(vga, std::nullopt, QSize(2000, 2000)));
}

}  // namespace
}  // namespace mirelon
