#include "platform/GstCaptureMode.h"

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
